#include "Battery.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Console.h"
#include "LogFile.h"
#include "N2kTime.h"

namespace {
constexpr int kLineLogLevel = 8;

// "Not available" arrives as a NaN and leaves the stored value alone; any other value,
// infinities and zero included, is stored.
void KeepOnNaN(float &field, float value) {
  if (!std::isnan(value)) field = value;
}
}  // namespace

tBattery::tBattery(int addr, tConsole &out, uint32_t now, long limit)
    : canAddr(addr), logLimit(limit), console_(out) {
  reset(now);
}

tBattery::~tBattery() {
  if (logFd != -1) close(logFd);
}

void tBattery::reset(uint32_t now) {
  logFd = -1;
  logPath.clear();
  lastPoll = now;
  lastHeard = lastPoll;
  setDCSS1(0, 0);
  setDCSS2(0, 0, 0);
  setDCSS3(0, 0, 0, 0);
  setDCSS4(0, 0, 0, 0);
  setDCSS5(0, 0);
  setDCSS6(false, false, false, false);
  setDCSS11(false, false, false, false, 0, 0);
}

uint32_t tBattery::MsUntilDue(uint32_t now) const {
  return N2kMsLeft(now, lastPoll, kLineIntervalMs);
}

int tBattery::FormatLine(char *buf, size_t size) const {
  memset(buf, 0, size);
  return snprintf(
      buf, size,
      "DCS;,%d,%d, ,%.2g,%.2g, ,%.2g,%d,%d, ,%d,%d,%d,%.2g, ,%d,%.2g,%g,%d, ,%.2g,%.2g, "
      ",%d,%d,%d,%d, ,%d,%d,%d,%d,%d,%d\n",
      instance, devPri, Vdc, Adc, Temp, SOC, TR, SOH, CapRem, RelCap, Ripple, DesCM, DesVolt,
      DesAmp, BatType, Vdc5, dVdT, HVls, HVld, LVls, LVld, PwrOnOff, ChrgOnOff, ChrgDet, ResvStat,
      BatAHCap, DCPower);
}

void tBattery::poll(uint32_t now) {
  if (now - lastPoll < kLineIntervalMs) return;
  lastPoll = now;
  char line[kLineSize];
  FormatLine(line, sizeof(line));
  if (console_.Logging(kLineLogLevel)) StreamPrintf(&console_, "tBattery::poll:%s", line);
  AppendLogLine(logFd, logPath, line, logLimit);
}

void tBattery::OpenLog() {
  logFd = OpenLogFile(logPath);
}

void tBattery::setDCSS1(float vdc, float adc) {
  KeepOnNaN(Vdc, vdc);
  KeepOnNaN(Adc, adc);
}

void tBattery::setDCSS2(float temp, uint8_t soc, uint16_t tr) {
  KeepOnNaN(Temp, temp);
  SOC = soc;
  TR = tr;
}

void tBattery::setDCSS3(uint8_t soh, uint16_t capRem, uint8_t relCap, float ripple) {
  SOH = soh;
  CapRem = capRem;
  RelCap = relCap;
  KeepOnNaN(Ripple, ripple);
}

void tBattery::setDCSS4(int desCM, float desVolt, float desAmp, int batType) {
  DesCM = desCM;
  DesVolt = desVolt;
  DesAmp = desAmp;
  BatType = batType;
}

void tBattery::setDCSS5(float vdc5, float dvdt) {
  KeepOnNaN(Vdc5, vdc5);
  KeepOnNaN(dVdT, dvdt);
}

void tBattery::setDCSS6(bool hvls, bool hvld, bool lvls, bool lvld) {
  HVls = hvls;
  HVld = hvld;
  LVls = lvls;
  LVld = lvld;
}

void tBattery::setDCSS11(bool pwrOnOff, bool chrgOnOff, bool chrgDet, bool resvStat, int batAHCap,
                         int dcPower) {
  PwrOnOff = pwrOnOff;
  ChrgOnOff = chrgOnOff;
  ChrgDet = chrgDet;
  ResvStat = resvStat;
  BatAHCap = batAHCap;
  DCPower = dcPower;
}
