// Daemon-side test helpers: a runtime whose clocks the test moves and whose commands
// and bus sends are caught, and a console that keeps what is printed.
#ifndef TESTS_UNIT_FAKERUNTIME_H
#define TESTS_UNIT_FAKERUNTIME_H

#include <ctime>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "Console.h"
#include "MsgSender.h"
#include "N2kMsg.h"
#include "Runtime.h"

// Commands are kept, never run: each ends at once with runStatus and runOutput, or,
// while holdCommands is set, only when the test calls Complete.
class tFakeRuntime : public tRuntime, public tMsgSender, public tCommands {
 public:
  uint32_t now = 5000;
  time_t wall = 1700000000;  // 2023-11-14 22:13:20 UTC
  uint64_t wallMs = 1700000000000;
  std::vector<tN2kMsg> sent;
  std::vector<std::string> commands;  // what Start was handed; none is run
  int runStatus = 0;                  // what each of them ends with
  std::string runOutput;
  bool holdCommands = false;
  std::vector<tCommandDone *> held;  // their dones, in the order started

  uint32_t Millis() override { return now; }
  time_t Time() override { return wall; }
  uint64_t TimeMs() override { return wallMs; }
  bool Start(const char *command, uint32_t, tCommandDone &done) override {
    commands.push_back(command);
    if (holdCommands)
      held.push_back(&done);
    else
      done.CommandDone(Result());
    return true;
  }
  // Ends the first held command with runStatus and runOutput.
  void Complete() {
    tCommandDone *done = held.front();
    held.erase(held.begin());
    done->CommandDone(Result());
  }
  tCommandResult Result() const {
    tCommandResult r;
    r.started = true;
    r.status = runStatus;
    r.output = runOutput;
    r.ended = now;
    return r;
  }
  bool SendMsg(const tN2kMsg &msg) override {
    sent.push_back(msg);
    return true;
  }
};

// Keeps everything written to it.
class tKeptText : public N2kStream {
 public:
  int read() override { return -1; }
  size_t write(const unsigned char *data, unsigned int len) override {
    text.append(reinterpret_cast<const char *>(data), len);
    return len;
  }
  std::string text;
};

// A console that keeps everything printed; debug level 0 until the test sets another.
class tTestConsole : public tConsole {
 public:
  tTestConsole() : tConsole(kept_) {}
  bool Has(const std::string &s) const { return text.find(s) != std::string::npos; }

 private:
  tKeptText kept_;

 public:
  std::string &text = kept_.text;
};

#endif
