// The clock's command (/bin/date -s), run beside the loop: a router's date may take its
// time, and the ports, logs and RAW lines must not wait for it. One at a time: a bus
// time that comes while one runs is left out (the next one tries again).
#ifndef HANDLERS_CLOCKSETTER_H
#define HANDLERS_CLOCKSETTER_H

#include "CommandRunner.h"
#include "Console.h"

class tClockSetter : private tCommandDone {
 public:
  // commands and console outlive the setter.
  tClockSetter(tCommands &commands, tConsole &console) : commands_(commands), console_(console) {}
  tClockSetter(const tClockSetter &) = delete;
  tClockSetter &operator=(const tClockSetter &) = delete;

  // Runs command at now unless one is running; name (a string literal: the handler's name)
  // starts what the console is told of it. The first failure (a daemon without
  // CAP_SYS_TIME, say) is said on the console with the command's output, date's
  // reason; the next one only after the clock was set again.
  void Set(const char *name, const char *command, uint32_t now);
  bool Running() const { return running_; }

 private:
  void CommandDone(const tCommandResult &result) override;

  tCommands &commands_;
  tConsole &console_;
  bool running_ = false;
  bool failureSaid_ = false;
  const char *name_ = "";
};

#endif
