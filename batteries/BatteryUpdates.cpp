// The seven RV-C DC source status messages stored in their battery's record.
#include "Batteries.h"
#include "Battery.h"
#include "Console.h"

namespace {
constexpr int kUpdateLogLevel = 8;
}  // namespace

tBattery *tBatteries::Heard(int source, uint8_t instance, uint8_t devPri, uint32_t now) {
  tBattery *b = Add(source, instance, devPri, now);
  if (b != nullptr) b->lastHeard = now;
  return b;
}

void tBatteries::LogBeforeAdd(int source, const tDCSourceStatus5 &s) {
  if (console_.Logging(kUpdateLogLevel))
    StreamPrintf(&console_, "UpdateDCSS5(%d): %f %f\n", source, s.volts, s.dvdt);
}

void tBattery::Update(const tDCSourceStatus1 &s) {
  if (console_.Logging(kUpdateLogLevel))
    StreamPrintf(&console_, "UpdateDCSS1(%d): %f %f\n", canAddr, s.volts, s.amps);
  setDCSS1(s.volts, s.amps);
}

void tBattery::Update(const tDCSourceStatus2 &s) {
  if (console_.Logging(kUpdateLogLevel))
    StreamPrintf(&console_, "UpdateDCSS2(%d): %f %d %d\n", canAddr, s.celsius, s.soc,
                 s.timeRemaining);
  setDCSS2(s.celsius, s.soc, s.timeRemaining);
}

void tBattery::Update(const tDCSourceStatus3 &s) {
  if (console_.Logging(kUpdateLogLevel))
    StreamPrintf(&console_, "UpdateDCSS3(%d): %d %d %d %f\n", canAddr, s.soh, s.capacityRemaining,
                 s.relativeCapacity, s.ripple);
  setDCSS3(s.soh, s.capacityRemaining, s.relativeCapacity, s.ripple);
}

// Stored without a debug line of its own.
void tBattery::Update(const tDCSourceStatus4 &s) {
  setDCSS4(s.desiredChargeMode, s.desiredVolts, s.desiredAmps, s.batteryType);
}

// Its debug line came before the registration (tBatteries::LogBeforeAdd).
void tBattery::Update(const tDCSourceStatus5 &s) {
  setDCSS5(s.volts, s.dvdt);
}

void tBattery::Update(const tDCSourceStatus6 &s) {
  if (console_.Logging(kUpdateLogLevel))
    StreamPrintf(&console_, "UpdateDCSS6(%d): %d %d %d %d\n", canAddr, s.hvls, s.hvld, s.lvls,
                 s.lvld);
  setDCSS6(s.hvls, s.hvld, s.lvls, s.lvld);
}

void tBattery::Update(const tDCSourceStatus11 &s) {
  if (console_.Logging(kUpdateLogLevel))
    StreamPrintf(&console_, "UpdateDCSS11(%d): %d %d %d %d %d %d\n", canAddr, s.pwrOnOff,
                 s.chrgOnOff, s.chrgDet, s.resvStat, s.batAHCap, s.dcPower);
  setDCSS11(s.pwrOnOff, s.chrgOnOff, s.chrgDet, s.resvStat, s.batAHCap, s.dcPower);
}
