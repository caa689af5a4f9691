// Values from RV-C and NMEA 2000 messages written into a charger's AST fields, and the
// two changes that make the daemon act: a new charger configuration and a fault.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Console.h"
#include "Devices.h"
#include "N2kMsg.h"
#include "RunSettings.h"

namespace {
constexpr int kSpnMask = 0x7FFF;

// AST field numbers (see tAST).
enum {
  kAstDcVolts = 2,
  kAstChargeAmps = 3,
  kAstDcAmps = 4,
  kAstDcWatts = 5,
  kAstDesiredVolts = 6,
  kAstDesiredAmps = 7,
  kAstDesiredWatts = 8,
  kAstChargeState = 9,
  kAstSourceTemp = 10,
  kAstChargerTemp = 11,
  kAstEngineSpeed = 12,
  kAstChargeVolts = 13,
  kAstPercentMax = 16,
};

// Not available (NaN) keeps the field as it is.
void Set(tAST &ast, int field, float value) {
  if (!std::isnan(value)) ast.field(field) = value;
}

void SetChargeState(tAST &ast, int chargeState) {
  int code = chargeStateCode(chargeState);
  if (code >= 0) ast.field(kAstChargeState) = static_cast<float>(code);
}
}  // namespace

int chargeStateCode(int chargeState) {
  static const int kCodes[] = {-1, 0, 12, 21, 22, 38, 30, 39};
  if (chargeState < 0 || chargeState > 7) return -1;
  return kCodes[chargeState];
}

void tDevices::UpdateDCSS1(int canAddr, uint8_t, uint8_t, float volts, float amps) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  if (RunSettings.debugLevel > 3)
    StreamPrintf(Console, "tDevices::UpdateDCSS1(%d) BatVolts=%f, BatAmps=%f\n", canAddr, volts,
                 amps);
  Set(r->ast, kAstDcVolts, volts);
  Set(r->ast, kAstDcAmps, amps);
  r->ast.field(kAstDcWatts) = r->ast.field(kAstDcAmps) * r->ast.field(kAstDcVolts);
}

void tDevices::UpdateDCSS2(int canAddr, uint8_t, uint8_t, float temperature) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  Set(r->ast, kAstSourceTemp, temperature);
}

void tDevices::UpdateDCSS4(int canAddr, uint8_t, uint8_t, int desiredChargeMode, float desiredVolts,
                           float desiredAmps) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  Set(r->ast, kAstDesiredVolts, desiredVolts);
  Set(r->ast, kAstDesiredAmps, desiredAmps);
  r->ast.field(kAstDesiredWatts) = r->ast.field(kAstDesiredAmps) * r->ast.field(kAstDesiredVolts);
  SetChargeState(r->ast, desiredChargeMode);
}

void tDevices::UpdateDCSS5(int canAddr, uint8_t, uint8_t, float volts) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  Set(r->ast, kAstDcVolts, volts);
}

void tDevices::UpdateCS(int canAddr, int, uint8_t, float volts, float amps, uint8_t perMax,
                        int chargeState, uint8_t, uint8_t, int) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  if (RunSettings.debugLevel > 3)
    StreamPrintf(Console, "tDevices::UpdateCS(%d) updating values: %f %f %d %d\n", canAddr, volts,
                 amps, chargeState, perMax);
  Set(r->ast, kAstChargeVolts, volts);
  Set(r->ast, kAstChargeAmps, amps);
  SetChargeState(r->ast, chargeState);
  r->ast.field(kAstPercentMax) = perMax;
}

void tDevices::UpdateCS2(int canAddr, int, uint8_t, uint8_t, uint8_t, float volts, float amps,
                         float temperature) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  if (RunSettings.debugLevel > 8)
    StreamPrintf(Console, "tDevices::UpdateCS2: Updating values: %f %f %f\n", volts, amps,
                 temperature);
  Set(r->ast, kAstChargeVolts, volts);
  Set(r->ast, kAstChargeAmps, amps);
  Set(r->ast, kAstChargerTemp, temperature);
}

void tDevices::UpdateEngSpeed(int canAddr, uint8_t, double speed, double, int8_t) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  // The NMEA 2000 decoders mark a missing speed with their own not-available value.
  if (std::isnan(speed) || N2kIsNA(speed)) return;
  r->ast.field(kAstEngineSpeed) = static_cast<float>(speed);
}

bool tDevices::GetBatStat(int canAddr, double &voltage, double &current, double &temperature) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return false;
  voltage = r->ast.field(kAstChargeVolts);
  current = r->ast.field(kAstChargeAmps);
  temperature = r->ast.field(kAstChargerTemp);
  return true;
}

void tDevices::UpdateCCS(int canAddr, int chargerType, uint8_t instance, int chrgAlg, int chrgMode,
                         uint8_t batSense, int line, uint8_t linked, int batType, uint16_t batSize,
                         uint8_t maxAmps) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  char text[tRO500::kTextSize];
  snprintf(text, sizeof(text),
           "RVCChargerConfigStat(%d): Type=%d, Instance=%d, ChrgAlg=%d, ChrgMode=%d, "
           "BatSense=%d, Line=%d, Linked=%d, BatType=%d, BatSize=%d, MaxAmps=%d",
           canAddr, chargerType, instance, chrgAlg, chrgMode, batSense, line, linked, batType,
           batSize, maxAmps);
  if (RunSettings.debugLevel > 8) StreamPrintf(Console, "tDevices::UpdateCCS: %s\n", text);
  if (strcmp(text, r->lastCCS) == 0) return;
  // The first configuration after registration is only remembered.
  bool first = r->lastCCS[0] == '\0';
  if (!first && RunSettings.debugLevel > 0)
    StreamPrintf(Console,
                 "tDevices::UpdateCCS: detected change in status requesting RAS status.\n%s\n%s\n",
                 text, r->lastCCS);
  snprintf(r->lastCCS, sizeof(r->lastCCS), "%s", text);
  if (!first) r->terminal2CAN("$RAS:@");
}

void tDevices::UpdateDiag(int canAddr, uint8_t on, uint8_t active, uint8_t red, uint8_t yellow,
                          uint8_t dsa, int spn, int fmi, uint8_t count, uint8_t dsaExt,
                          uint8_t bank) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) return;
  char text[tRO500::kTextSize];
  snprintf(text, sizeof(text),
           "UpdateDiag(%d): On=%d, Active=%d, Red=%d, Yellow=%d, DSA=%d, SPN=%d, FMI=%d, "
           "Count=%d, DSA_ext=%d, Bank=%d",
           canAddr, on, active, red, yellow, dsa, spn, fmi, count, dsaExt, bank);
  if (RunSettings.debugLevel > 7) StreamPrintf(Console, "tDevices::UpdateDiag: %s\n", text);
  bool changed = strcmp(text, r->lastDiag) != 0;
  if ((red != 0 || yellow != 0) && changed) {
    if (RunSettings.debugLevel > 0)
      StreamPrintf(Console,
                   "tDevices::UpdateDiag: FAULT detected. Status transition:\n\t%s\n\t%s\n",
                   r->lastDiag, text);
    char fault[tRO500::kTextSize];
    snprintf(fault, sizeof(fault), "FLT;,%d,-99\n", spn & kSpnMask);
    r->flt.status(fault);
    r->writePort(fault, strlen(fault));
  }
  if (changed) snprintf(r->lastDiag, sizeof(r->lastDiag), "%s", text);
}
