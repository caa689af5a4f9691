// tRO500: the periodic status output on the port and in the log file.
#include "Console.h"
#include "RO500.h"
#include "RunSettings.h"
#include "Runtime.h"

tRO500StatBase *tRO500::rotating(int index) {
  tRO500StatBase *const order[kRotatingRecords] = {&cpe, &npc, &cst, &scv, &sst, &eng, &flt};
  return order[index % kRotatingRecords];
}

void tRO500::logLine(const std::string &line) {
  AppendLogLine(logFd, logPath, line, RunSettings.logLimit);
}

void tRO500::openLog() {
  logFd = OpenLogFile(logPath);
}

void tRO500::poll_status() {
  uint32_t now = Runtime->Millis();
  if (now - lastStatus > kSuspendTimeoutMs) {
    if (RunSettings.debugLevel > 4)
      Console->println("tRO500::poll_status: Resuming output after command timeout");
    suspended = false;
  }
  if (suspended || now - lastStatus < kStatusIntervalMs) return;

  std::string line = ast.status();
  if (!line.empty()) {
    writePort(line);
  } else {
    if (RunSettings.debugLevel > 3)
      Console->println("tRO500::poll_status: Requeuing $RAS to populate status");
    terminal2CAN("$RAS:@");
  }
  lastStatus = now;
  statTick = (statTick + 1) % kTicksPerLog;
  if (statTick != 0) return;

  if (!line.empty()) logLine(line);
  std::string stored = rotating(statIndex)->status();
  statIndex = (statIndex + 1) % kRotatingRecords;
  if (!stored.empty()) {
    writePort(stored);
    logLine(stored);
  }
}
