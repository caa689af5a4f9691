// Shell commands beside the loop. The uci store of the CAN address and of the port
// table, and /bin/date for the clock, may take seconds on a router (a commit on slow
// flash, a uci waiting on its lock); run on the loop they would stop every port, log
// and RAW line meanwhile. So a command is started and left to run: its output and its
// end come back through descriptors the loop waits on (its output pipe and a pidfd),
// and whoever started it hears of the result (tCommandDone) in a later pass.
#ifndef CORE_COMMANDRUNNER_H
#define CORE_COMMANDRUNNER_H

#include <poll.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "Console.h"
#include "RunCommand.h"
#include "Runtime.h"

// Hears how a command ended: status, output (at most kRunCommandMaxOutput bytes) and
// whether it was ended at its time limit.
class tCommandDone {
 public:
  virtual ~tCommandDone() = default;
  virtual void CommandDone(const tCommandResult &result) = 0;
};

// Where commands are started: the runner beside the loop, or one that blocks.
class tCommands {
 public:
  virtual ~tCommands() = default;
  // Starts command with /bin/sh -c at now (the loop pass's time: its time limit counts
  // from there); done hears of its end, never before this returns for the runner (the
  // blocking one calls it at once). False, and done never called, when it could not be
  // started.
  virtual bool Start(const char *command, uint32_t now, tCommandDone &done) = 0;
};

// The runner: each command in a process group of its own, at most kMaxCommands at
// once, each with the time limit the runner was made with (kCommandTimeLimitMs): one
// still running at its limit is killed with everything it started, and "Command timed
// out after %u ms, ended: %s\n" goes to the console.
class tCommandRunner : public tCommands {
 public:
  static constexpr int kMaxCommands = 8;
  // Where no pidfd can be had (a kernel before 5.3), an ended output is followed by a
  // look for the shell's exit this often.
  static constexpr uint32_t kReapPollMs = 5;

  // clock (for Finish, which waits outside the loop) and console outlive the runner;
  // times are clock.Millis().
  tCommandRunner(tRuntime &clock, tConsole &console, uint32_t limitMs = kCommandTimeLimitMs)
      : clock_(clock), console_(console), limitMs_(limitMs) {}
  // Commands still running are killed, and nobody hears of them.
  ~tCommandRunner() override;
  tCommandRunner(const tCommandRunner &) = delete;
  tCommandRunner &operator=(const tCommandRunner &) = delete;

  bool Start(const char *command, uint32_t now, tCommandDone &done) override;
  int Running() const;

  // For the loop: the output pipes and pidfds to wait on (at most room), what they
  // had, the time until the earliest limit, and the step that reads, reaps, ends
  // what is past its limit and tells each finished command's done.
  int PollFds(struct pollfd *fds, int room) const;
  void Ready(const struct pollfd *fds, int count);
  uint32_t MsUntilDue(uint32_t now) const;
  void Step(uint32_t now);
  // Waits here until every command, and every one their done started, has ended or
  // been ended at its limit: for a clean stop, and for commands run in line.
  void Finish();

 private:
  struct tRunning {
    bool used = false;
    pid_t pid = -1;
    int outFd = -1;  // -1 once its end was read
    int pidFd = -1;  // -1 once reaped, or where the kernel gives none
    bool exited = false;
    int status = -1;
    uint32_t start = 0;
    tCommandDone *done = nullptr;
    std::string command;
    std::string output;
  };

  void ReadOutput(tRunning &r);
  void Reap(tRunning &r, bool wait);
  void End(tRunning &r, bool timedOut, uint32_t now);

  tRuntime &clock_;
  tConsole &console_;
  uint32_t limitMs_;
  tRunning running_[kMaxCommands];
};

// Commands run in line, done told before Start returns, ended at the now they were
// started at: start-up's queries, tests.
class tBlockingCommands : public tCommands {
 public:
  // A command's time-out is said on console, which outlives these.
  explicit tBlockingCommands(tConsole &console) : console_(console) {}
  bool Start(const char *command, uint32_t now, tCommandDone &done) override;

 private:
  tConsole &console_;
};

#endif
