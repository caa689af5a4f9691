// tRO500: the periodic status output on the port and in the log file.
#include "Console.h"
#include "LogFile.h"
#include "RO500.h"
#include "Runtime.h"

tRO500StatBase *tRO500::rotating(int index) {
  tRO500StatBase *const order[kRotatingRecords] = {&cpe_, &npc_, &cst_, &scv_, &sst_, &eng_, &flt_};
  return order[index % kRotatingRecords];
}

void tRO500::logLine(const std::string &line) {
  AppendLogLine(logFd_, logPath_, line, settings_.logLimit);
}

void tRO500::openLog(const std::string &path) {
  logPath_ = path;
  logFd_ = OpenLogFile(path);
}

void tRO500::poll_status() {
  uint32_t now = Runtime->Millis();
  if (now - lastStatus_ > kSuspendTimeoutMs) {
    if (Logging(5)) Console->println("tRO500::poll_status: Resuming output after command timeout");
    suspended_ = false;
  }
  if (suspended_ || now - lastStatus_ < kStatusIntervalMs) return;

  std::string line = ast_.status();
  if (!line.empty()) {
    writePort(line);
  } else {
    if (Logging(4)) Console->println("tRO500::poll_status: Requeuing $RAS to populate status");
    terminal2CAN("$RAS:@");
  }
  lastStatus_ = now;
  statTick_ = (statTick_ + 1) % kTicksPerLog;
  if (statTick_ != 0) return;

  if (!line.empty()) logLine(line);
  std::string stored = rotating(statIndex_)->status();
  statIndex_ = (statIndex_ + 1) % kRotatingRecords;
  if (!stored.empty()) {
    writePort(stored);
    logLine(stored);
  }
}
