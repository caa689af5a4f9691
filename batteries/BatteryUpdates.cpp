// The seven RV-C DC source status messages stored in their battery's record.
#include "Batteries.h"
#include "Console.h"
#include "RunSettings.h"

namespace {
constexpr int kUpdateLogLevel = 8;

bool Logging() {
  return RunSettings.debugLevel >= kUpdateLogLevel;
}
}  // namespace

void tBatteries::UpdateDCSS1(int source, uint8_t instance, uint8_t devPri, float vdc, float adc) {
  tBattery *b = Add(source, instance, devPri);
  if (b == nullptr) return;
  if (Logging()) StreamPrintf(Console, "UpdateDCSS1(%d): %f %f\n", source, vdc, adc);
  b->setDCSS1(vdc, adc);
}

void tBatteries::UpdateDCSS2(int source, uint8_t instance, uint8_t devPri, float temp, uint8_t soc,
                             uint16_t tr) {
  tBattery *b = Add(source, instance, devPri);
  if (b == nullptr) return;
  if (Logging()) StreamPrintf(Console, "UpdateDCSS2(%d): %f %d %d\n", source, temp, soc, tr);
  b->setDCSS2(temp, soc, tr);
}

void tBatteries::UpdateDCSS3(int source, uint8_t instance, uint8_t devPri, uint8_t soh,
                             uint16_t capRem, uint8_t relCap, float ripple) {
  tBattery *b = Add(source, instance, devPri);
  if (b == nullptr) return;
  if (Logging())
    StreamPrintf(Console, "UpdateDCSS3(%d): %d %d %d %f\n", source, soh, capRem, relCap, ripple);
  b->setDCSS3(soh, capRem, relCap, ripple);
}

// Stored without a debug line of its own.
void tBatteries::UpdateDCSS4(int source, uint8_t instance, uint8_t devPri, int desCM, float desVolt,
                             float desAmp, int batType) {
  tBattery *b = Add(source, instance, devPri);
  if (b == nullptr) return;
  b->setDCSS4(desCM, desVolt, desAmp, batType);
}

// Its debug line comes before the registration, so it shows also for a battery that
// cannot be registered yet.
void tBatteries::UpdateDCSS5(int source, uint8_t instance, uint8_t devPri, float vdc5, float dvdt) {
  if (Logging()) StreamPrintf(Console, "UpdateDCSS5(%d): %f %f\n", source, vdc5, dvdt);
  tBattery *b = Add(source, instance, devPri);
  if (b == nullptr) return;
  b->setDCSS5(vdc5, dvdt);
}

void tBatteries::UpdateDCSS6(int source, uint8_t instance, uint8_t devPri, bool hvls, bool hvld,
                             bool lvls, bool lvld) {
  tBattery *b = Add(source, instance, devPri);
  if (b == nullptr) return;
  if (Logging())
    StreamPrintf(Console, "UpdateDCSS6(%d): %d %d %d %d\n", source, hvls, hvld, lvls, lvld);
  b->setDCSS6(hvls, hvld, lvls, lvld);
}

void tBatteries::UpdateDCSS11(int source, uint8_t instance, uint8_t devPri, bool pwrOnOff,
                              bool chrgOnOff, bool chrgDet, bool resvStat, int batAHCap,
                              int dcPower) {
  tBattery *b = Add(source, instance, devPri);
  if (b == nullptr) return;
  if (Logging())
    StreamPrintf(Console, "UpdateDCSS11(%d): %d %d %d %d %d %d\n", source, pwrOnOff, chrgOnOff,
                 chrgDet, resvStat, batAHCap, dcPower);
  b->setDCSS11(pwrOnOff, chrgOnOff, chrgDet, resvStat, batAHCap, dcPower);
}
