// The seven RV-C DC source status messages stored in their battery's record.
#include "Batteries.h"
#include "Console.h"
#include "Runtime.h"

namespace {
constexpr int kUpdateLogLevel = 8;
}  // namespace

tBattery *tBatteries::Heard(int source, uint8_t instance, uint8_t devPri) {
  tBattery *b = Add(source, instance, devPri);
  if (b != nullptr) b->lastHeard = Runtime->Millis();
  return b;
}

void tBatteries::UpdateDCSS1(int source, const tDCSourceStatus1 &s) {
  tBattery *b = Heard(source, s.instance, s.devPri);
  if (b == nullptr) return;
  if (Logging(kUpdateLogLevel))
    StreamPrintf(Console, "UpdateDCSS1(%d): %f %f\n", source, s.volts, s.amps);
  b->setDCSS1(s.volts, s.amps);
}

void tBatteries::UpdateDCSS2(int source, const tDCSourceStatus2 &s) {
  tBattery *b = Heard(source, s.instance, s.devPri);
  if (b == nullptr) return;
  if (Logging(kUpdateLogLevel))
    StreamPrintf(Console, "UpdateDCSS2(%d): %f %d %d\n", source, s.celsius, s.soc, s.timeRemaining);
  b->setDCSS2(s.celsius, s.soc, s.timeRemaining);
}

void tBatteries::UpdateDCSS3(int source, const tDCSourceStatus3 &s) {
  tBattery *b = Heard(source, s.instance, s.devPri);
  if (b == nullptr) return;
  if (Logging(kUpdateLogLevel))
    StreamPrintf(Console, "UpdateDCSS3(%d): %d %d %d %f\n", source, s.soh, s.capacityRemaining,
                 s.relativeCapacity, s.ripple);
  b->setDCSS3(s.soh, s.capacityRemaining, s.relativeCapacity, s.ripple);
}

// Stored without a debug line of its own.
void tBatteries::UpdateDCSS4(int source, const tDCSourceStatus4 &s) {
  tBattery *b = Heard(source, s.instance, s.devPri);
  if (b == nullptr) return;
  b->setDCSS4(s.desiredChargeMode, s.desiredVolts, s.desiredAmps, s.batteryType);
}

// Its debug line comes before the registration, so it shows also for a battery that
// cannot be registered yet.
void tBatteries::UpdateDCSS5(int source, const tDCSourceStatus5 &s) {
  if (Logging(kUpdateLogLevel))
    StreamPrintf(Console, "UpdateDCSS5(%d): %f %f\n", source, s.volts, s.dvdt);
  tBattery *b = Heard(source, s.instance, s.devPri);
  if (b == nullptr) return;
  b->setDCSS5(s.volts, s.dvdt);
}

void tBatteries::UpdateDCSS6(int source, const tDCSourceStatus6 &s) {
  tBattery *b = Heard(source, s.instance, s.devPri);
  if (b == nullptr) return;
  if (Logging(kUpdateLogLevel))
    StreamPrintf(Console, "UpdateDCSS6(%d): %d %d %d %d\n", source, s.hvls, s.hvld, s.lvls, s.lvld);
  b->setDCSS6(s.hvls, s.hvld, s.lvls, s.lvld);
}

void tBatteries::UpdateDCSS11(int source, const tDCSourceStatus11 &s) {
  tBattery *b = Heard(source, s.instance, s.devPri);
  if (b == nullptr) return;
  if (Logging(kUpdateLogLevel))
    StreamPrintf(Console, "UpdateDCSS11(%d): %d %d %d %d %d %d\n", source, s.pwrOnOff, s.chrgOnOff,
                 s.chrgDet, s.resvStat, s.batAHCap, s.dcPower);
  b->setDCSS11(s.pwrOnOff, s.chrgOnOff, s.chrgDet, s.resvStat, s.batAHCap, s.dcPower);
}
