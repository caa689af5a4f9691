#include "RunCommand.h"

#include "CommandRunner.h"

namespace {
// Keeps the result of the one command it waited for.
class tKeptResult : public tCommandDone {
 public:
  void CommandDone(const tCommandResult &result) override { kept = result; }
  tCommandResult kept;
};
}  // namespace

tCommandResult RunCommandFor(tConsole &console, const char *command, uint32_t timeLimitMs) {
  tRuntime clock;
  tCommandRunner runner(clock, console, timeLimitMs);
  tKeptResult result;
  if (runner.Start(command, clock.Millis(), result)) runner.Finish();
  return result.kept;
}

std::string RunCommand(tConsole &console, const char *command) {
  return RunCommandFor(console, command).output;
}
