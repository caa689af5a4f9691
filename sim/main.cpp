// tidewire-sim: plays the rest of the CAN bus for the daemon and for tests.
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "Scenario.h"
#include "SimOptions.h"
#include "Simulator.h"

namespace {

volatile sig_atomic_t gStop = 0;

void OnStopSignal(int) {
  gStop = 1;
}

void InstallSignals() {
  struct sigaction sa = {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: poll() returns at once
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  // A reader of stdout that went away must not end the bus.
  signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char **argv) {
  tSimOptions options;
  std::string error;
  if (!ParseSimOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "tidewire-sim: %s\n%s", error.c_str(), SimUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(SimUsage(), stdout);
    return 0;
  }

  std::vector<tSimCommand> commands;
  int errors = 0;
  for (const std::string &path : options.scenarios) {
    int n = LoadScenario(path, commands, stderr);
    errors += n < 0 ? 1 : n;
  }
  if (errors > 0 && options.strict) {
    std::fprintf(stderr, "tidewire-sim: %d error(s) in the scenario, not started\n", errors);
    return 2;
  }

  std::unique_ptr<tSimLink> link = MakeSimLink(options.port);
  if (!link->Open()) {
    std::fprintf(stderr, "tidewire-sim: cannot open %s\n", options.port.c_str());
    return 1;
  }
  tCandumpLog log;
  const std::string ifname = options.ifname.empty() ? link->DefaultIfName() : options.ifname;
  if (!options.logPath.empty() && !log.Open(options.logPath.c_str(), ifname.c_str())) {
    std::fprintf(stderr, "tidewire-sim: cannot write %s\n", options.logPath.c_str());
    return 1;
  }

  InstallSignals();
  tSimulator sim(std::move(link), options.logPath.empty() ? nullptr : &log);
  sim.SetVerbose(options.verbose);
  for (const tSimCommand &command : commands) sim.Execute(command);
  if (!options.controlPath.empty()) {
    std::unique_ptr<tSimLineInput> control = tSimLineInput::OpenFifo(options.controlPath, error);
    if (!control) {
      std::fprintf(stderr, "tidewire-sim: %s\n", error.c_str());
      return 1;
    }
    sim.AddInput(std::move(control));
  }
  if (!isatty(STDIN_FILENO)) sim.AddInput(tSimLineInput::FromFd(STDIN_FILENO, "<stdin>"));

  sim.Run(&gStop);
  log.Close();
  return 0;
}
