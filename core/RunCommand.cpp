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

tCommandResult RunCommandFor(const char *command, uint32_t timeLimitMs) {
  tRuntime clock;
  tCommandRunner runner(clock, timeLimitMs);
  tKeptResult result;
  if (runner.Start(command, result)) runner.Finish();
  return result.kept;
}

std::string RunCommand(const char *command) {
  return RunCommandFor(command).output;
}
