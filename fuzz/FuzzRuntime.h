// The daemon's surroundings for a fuzz target: a runtime whose clocks the input moves
// and whose bus sends are only counted, and a console that swallows what is printed
// (a run prints millions of lines at the highest debug level).
#ifndef FUZZ_FUZZRUNTIME_H
#define FUZZ_FUZZRUNTIME_H

#include <ctime>

#include "CommandRunner.h"
#include "Console.h"
#include "FuzzCheck.h"
#include "MsgSender.h"
#include "N2kMsg.h"
#include "RunSettings.h"
#include "Runtime.h"

// Bus sends are counted and commands (the clock's /bin/date) are never run.
class tFuzzRuntime : public tRuntime, public tMsgSender, public tCommands {
 public:
  uint32_t now = 5000;
  time_t wall = 1700000000;
  unsigned long sent = 0;

  uint32_t Millis() override { return now; }
  time_t Time() override { return wall; }
  bool SendMsg(const tN2kMsg &msg) override {
    sent += msg.DataLen >= 0 ? 1 : 0;
    return true;
  }
  bool Start(const char *command, uint32_t, tCommandDone &done) override {
    FUZZ_CHECK(command != nullptr);
    tCommandResult r;
    r.started = true;
    r.status = 0;
    r.ended = now;
    done.CommandDone(r);
    return true;
  }
};

// Takes everything and keeps nothing.
class tNullStream : public N2kStream {
 public:
  int read() override { return -1; }
  size_t write(const unsigned char *, unsigned int len) override { return len; }
};

// The console a target's parts print on; the input sets its debug level.
inline tConsole &FuzzConsole() {
  static tNullStream nowhere;
  static tConsole console(nowhere);
  return console;
}

// The run settings a target's registries are made with; the input changes them.
inline tRunSettings &FuzzSettings() {
  static tRunSettings settings;
  return settings;
}

// The runtime a target's parts are handed; the input moves its clocks.
inline tFuzzRuntime &FuzzRuntime() {
  static tFuzzRuntime runtime;
  return runtime;
}

#endif
