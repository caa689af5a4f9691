#include "ClockSetter.h"

#include <string>

#include "Console.h"
#include "TextHelpers.h"

void tClockSetter::Set(const char *name, const char *command, uint32_t now) {
  if (running_) return;
  name_ = name;
  running_ = true;
  if (commands_.Start(command, now, *this)) return;
  tCommandResult notStarted;
  CommandDone(notStarted);
}

void tClockSetter::CommandDone(const tCommandResult &result) {
  running_ = false;
  if (result.ok()) {
    failureSaid_ = false;
    return;
  }
  if (failureSaid_) return;
  failureSaid_ = true;
  std::string reason = result.output;
  TrimLineEnd(reason);
  if (reason.empty())
    reason = !result.started   ? "not started"
             : result.timedOut ? "timed out"
                               : "exit status " + std::to_string(result.status);
  StreamPrintf(&console_, "%s: the clock could not be set (%s); it is left alone until it can be\n",
               name_, reason.c_str());
}
