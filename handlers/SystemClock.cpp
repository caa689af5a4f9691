#include "SystemClock.h"

#include <cinttypes>
#include <cstdio>

#include "Console.h"
#include "Runtime.h"
#include "TextHelpers.h"

namespace {
constexpr int kClockLogLevel = 4;
constexpr size_t kCommandSize = 256;
}  // namespace

void SetSystemTime(tHandlerContext &ctx, const char *name, int64_t t) {
  const int64_t now = static_cast<int64_t>(Runtime->Time());
  const int64_t d = t > now ? t - now : now - t;
  if (d < kClockToleranceS) return;
  char command[kCommandSize];
  const int n = std::snprintf(command, sizeof(command), "/bin/date -s '@%" PRId64 "'", t);
  if (Logging(kClockLogLevel)) StreamPrintf(Console, "%s: %s\n", name, command);
  // date's complaint comes back with its output: said once here, not on stderr each time.
  std::snprintf(command + n, sizeof(command) - static_cast<size_t>(n), " 2>&1");
  tCommandResult r = Runtime->Run(command);
  if (r.ok()) {
    ctx.clockFailureSaid = false;
    return;
  }
  if (ctx.clockFailureSaid) return;
  ctx.clockFailureSaid = true;
  TrimLineEnd(r.output);
  if (r.output.empty())
    r.output = r.timedOut ? "timed out" : "exit status " + std::to_string(r.status);
  StreamPrintf(Console, "%s: the clock could not be set (%s); it is left alone until it can be\n",
               name, r.output.c_str());
}
