// Running a shell command for its output and its exit status: the host queries, the
// uci store, the clock. Every command has a time limit: a uci stuck on its lock must
// not freeze the ports, logs and RAW lines behind it.
#ifndef CORE_RUNCOMMAND_H
#define CORE_RUNCOMMAND_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "Console.h"

// The most of a command's output that RunCommand keeps. Answers we ask for (a uci
// value, a line of a release file) are far shorter; a runaway file must not make the
// daemon grow.
constexpr size_t kRunCommandMaxOutput = 4096;
// How long a command may take before it is ended (SIGKILL to its process group).
constexpr uint32_t kCommandTimeLimitMs = 3000;

struct tCommandResult {
  bool started = false;   // the shell could be started
  bool timedOut = false;  // ended by us at the time limit
  int status = -1;        // the exit status; -1 unless it exited by itself
  std::string output;     // standard output, at most kRunCommandMaxOutput bytes
  uint32_t ended = 0;     // when it ended, or was ended (the runner's clock)
  // Started, finished within the limit and exited with status 0.
  bool ok() const { return started && !timedOut && status == 0; }
};

// Runs command with /bin/sh -c and waits for it (tCommandRunner, CommandRunner.h), its
// standard output read (the rest beyond kRunCommandMaxOutput bytes is read and
// dropped, so the command never blocks on a full pipe). A command still running after
// timeLimitMs is killed with everything it started, and "Command timed out after %u
// ms, ended: %s\n" goes to console. Blocks the caller for at most about timeLimitMs:
// for start-up, before the loop runs.
tCommandResult RunCommandFor(tConsole &console, const char *command,
                             uint32_t timeLimitMs = kCommandTimeLimitMs);
// The output of RunCommandFor; empty when the command could not be started or timed
// out. The exit status is not looked at.
std::string RunCommand(tConsole &console, const char *command);

#endif
