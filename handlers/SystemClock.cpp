#include "SystemClock.h"

#include <cinttypes>
#include <cstdio>

#include "Console.h"
#include "Runtime.h"

namespace {
constexpr int kClockLogLevel = 4;
constexpr size_t kCommandSize = 256;
}  // namespace

void SetSystemTime(const char *name, int64_t t) {
  const int64_t now = static_cast<int64_t>(Runtime->Time());
  const int64_t d = t > now ? t - now : now - t;
  if (d < kClockToleranceS) return;
  char command[kCommandSize];
  std::snprintf(command, sizeof(command), "/bin/date -s '@%" PRId64 "'", t);
  if (Logging(kClockLogLevel)) StreamPrintf(Console, "%s: %s\n", name, command);
  Runtime->Run(command);
}
