#include "SystemClock.h"

#include <cinttypes>
#include <cstdio>

#include "Console.h"

namespace {
constexpr int kClockLogLevel = 4;
constexpr size_t kCommandSize = 256;
}  // namespace

void SetSystemTime(tHandlerContext &ctx, const char *name, int64_t t) {
  const int64_t now = static_cast<int64_t>(ctx.runtime.Time());
  const int64_t d = t > now ? t - now : now - t;
  if (d < kClockToleranceS) return;
  char command[kCommandSize];
  const int n = std::snprintf(command, sizeof(command), "/bin/date -s '@%" PRId64 "'", t);
  if (ctx.clock.Running()) return;
  if (ctx.console.Logging(kClockLogLevel)) StreamPrintf(&ctx.console, "%s: %s\n", name, command);
  // date's complaint comes back with its output: said once, not on stderr each time.
  std::snprintf(command + n, sizeof(command) - static_cast<size_t>(n), " 2>&1");
  ctx.clock.Set(name, command, ctx.now);
}
