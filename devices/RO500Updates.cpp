// Values from RV-C and NMEA 2000 messages written into a charger's AST fields, and the
// two changes that make the daemon act: a new charger configuration and a fault.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Console.h"
#include "Devices.h"
#include "N2kMsg.h"
#include "RO500.h"

namespace {
constexpr int kSpnMask = 0x7FFF;

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

void tRO500::UpdateDCSS1(const tDCSourceStatus1 &s) {
  if (Logging(4))
    StreamPrintf(Console, "tDevices::UpdateDCSS1(%d) BatVolts=%f, BatAmps=%f\n", canAddr_, s.volts,
                 s.amps);
  Set(ast_, kAstDcVolts, s.volts);
  Set(ast_, kAstDcAmps, s.amps);
  ast_.field(kAstDcWatts) = ast_.field(kAstDcAmps) * ast_.field(kAstDcVolts);
}

void tRO500::UpdateDCSS2(const tDCSourceStatus2 &s) {
  Set(ast_, kAstSourceTemp, s.celsius);
}

void tRO500::UpdateDCSS4(const tDCSourceStatus4 &s) {
  Set(ast_, kAstDesiredVolts, s.desiredVolts);
  Set(ast_, kAstDesiredAmps, s.desiredAmps);
  ast_.field(kAstDesiredWatts) = ast_.field(kAstDesiredAmps) * ast_.field(kAstDesiredVolts);
  SetChargeState(ast_, s.desiredChargeMode);
}

void tRO500::UpdateDCSS5(const tDCSourceStatus5 &s) {
  Set(ast_, kAstDcVolts, s.volts);
}

void tRO500::UpdateCS(const tChargerStatus &s) {
  if (Logging(4))
    StreamPrintf(Console, "tDevices::UpdateCS(%d) updating values: %f %f %d %d\n", canAddr_,
                 s.volts, s.amps, s.chargeState, s.perMax);
  Set(ast_, kAstChargeVolts, s.volts);
  Set(ast_, kAstChargeAmps, s.amps);
  SetChargeState(ast_, s.chargeState);
  ast_.field(kAstPercentMax) = s.perMax;
}

void tRO500::UpdateCS2(const tChargerStatus2 &s) {
  if (Logging(9))
    StreamPrintf(Console, "tDevices::UpdateCS2: Updating values: %f %f %f\n", s.volts, s.amps,
                 s.celsius);
  Set(ast_, kAstChargeVolts, s.volts);
  Set(ast_, kAstChargeAmps, s.amps);
  Set(ast_, kAstChargerTemp, s.celsius);
}

void tRO500::UpdateEngSpeed(const tEngineSpeed &e) {
  // The NMEA 2000 decoders mark a missing speed with their own not-available value.
  if (std::isnan(e.speed) || N2kIsNA(e.speed)) return;
  ast_.field(kAstEngineSpeed) = static_cast<float>(e.speed);
}

void tRO500::batteryValues(double &voltage, double &current, double &celsius) const {
  voltage = ast_.field(kAstChargeVolts);
  current = ast_.field(kAstChargeAmps);
  celsius = ast_.field(kAstChargerTemp);
}

void tRO500::UpdateCCS(const tChargerConfig &c) {
  char text[kTextSize];
  ChargerConfigText(text, sizeof(text), canAddr_, c);
  if (Logging(9)) StreamPrintf(Console, "tDevices::UpdateCCS: %s\n", text);
  if (haveConfig_ && c == lastConfig_) return;
  // The first configuration after registration is only remembered.
  const bool first = !haveConfig_;
  if (!first && Logging(1)) {
    char before[kTextSize];
    ChargerConfigText(before, sizeof(before), canAddr_, lastConfig_);
    StreamPrintf(Console,
                 "tDevices::UpdateCCS: detected change in status requesting RAS status.\n%s\n%s\n",
                 text, before);
  }
  haveConfig_ = true;
  lastConfig_ = c;
  if (!first) terminal2CAN("$RAS:@");
}

void tRO500::UpdateDiag(const tDiagnostic &d) {
  char text[kTextSize];
  DiagnosticText(text, sizeof(text), canAddr_, d);
  if (Logging(8)) StreamPrintf(Console, "tDevices::UpdateDiag: %s\n", text);
  const bool changed = !haveDiag_ || d != lastDiag_;
  if ((d.red != 0 || d.yellow != 0) && changed) {
    if (Logging(1)) {
      char before[kTextSize] = "";
      if (haveDiag_) DiagnosticText(before, sizeof(before), canAddr_, lastDiag_);
      StreamPrintf(Console,
                   "tDevices::UpdateDiag: FAULT detected. Status transition:\n\t%s\n\t%s\n", before,
                   text);
    }
    char fault[kTextSize];
    const int n = snprintf(fault, sizeof(fault), "FLT;,%d,-99\n", d.spn & kSpnMask);
    flt_.status(fault);
    writePort(fault, static_cast<size_t>(n));
    if (events_ != nullptr) events_->OnFault(*this, fault);
  }
  haveDiag_ = true;
  lastDiag_ = d;
}
