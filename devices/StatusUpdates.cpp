// tStatusModel: values from RV-C and NMEA 2000 messages written into the AST fields, and
// the two changes that make the daemon act: a new charger configuration and a fault.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Console.h"
#include "N2kMsg.h"
#include "StatusModel.h"

namespace {
constexpr int kSpnMask = 0x7FFF;

// Not available (NaN) keeps the field as it is.
void Set(tAST &ast, int field, float value) {
  if (!std::isnan(value)) ast.Field(field) = value;
}

void SetChargeState(tAST &ast, int chargeState) {
  int code = chargeStateCode(chargeState);
  if (code >= 0) ast.Field(kAstChargeState) = static_cast<float>(code);
}
}  // namespace

int chargeStateCode(int chargeState) {
  static const int kCodes[] = {-1, 0, 12, 21, 22, 38, 30, 39};
  if (chargeState < 0 || chargeState > 7) return -1;
  return kCodes[chargeState];
}

void tStatusModel::Update(const tDCSourceStatus1 &s) {
  if (console_.Logging(4))
    StreamPrintf(&console_, "tDevices::UpdateDCSS1(%d) BatVolts=%f, BatAmps=%f\n",
                 bridge_.CanAddr(), s.volts, s.amps);
  Set(ast_, kAstDcVolts, s.volts);
  Set(ast_, kAstDcAmps, s.amps);
  ast_.Field(kAstDcWatts) = ast_.Field(kAstDcAmps) * ast_.Field(kAstDcVolts);
}

void tStatusModel::Update(const tDCSourceStatus2 &s) {
  Set(ast_, kAstSourceTemp, s.celsius);
}

void tStatusModel::Update(const tDCSourceStatus4 &s) {
  Set(ast_, kAstDesiredVolts, s.desiredVolts);
  Set(ast_, kAstDesiredAmps, s.desiredAmps);
  ast_.Field(kAstDesiredWatts) = ast_.Field(kAstDesiredAmps) * ast_.Field(kAstDesiredVolts);
  SetChargeState(ast_, s.desiredChargeMode);
}

void tStatusModel::Update(const tDCSourceStatus5 &s) {
  Set(ast_, kAstDcVolts, s.volts);
}

void tStatusModel::Update(const tChargerStatus &s) {
  if (console_.Logging(4))
    StreamPrintf(&console_, "tDevices::UpdateCS(%d) updating values: %f %f %d %d\n",
                 bridge_.CanAddr(), s.volts, s.amps, s.chargeState, s.perMax);
  Set(ast_, kAstChargeVolts, s.volts);
  Set(ast_, kAstChargeAmps, s.amps);
  SetChargeState(ast_, s.chargeState);
  ast_.Field(kAstPercentMax) = s.perMax;
}

void tStatusModel::Update(const tChargerStatus2 &s) {
  if (console_.Logging(9))
    StreamPrintf(&console_, "tDevices::UpdateCS2: Updating values: %f %f %f\n", s.volts, s.amps,
                 s.celsius);
  Set(ast_, kAstChargeVolts, s.volts);
  Set(ast_, kAstChargeAmps, s.amps);
  Set(ast_, kAstChargerTemp, s.celsius);
}

void tStatusModel::Update(const tEngineSpeed &e) {
  // The NMEA 2000 decoders mark a missing speed with their own not-available value.
  if (std::isnan(e.speed) || N2kIsNA(e.speed)) return;
  ast_.Field(kAstEngineSpeed) = static_cast<float>(e.speed);
}

void tStatusModel::BatteryValues(double &voltage, double &current, double &celsius) const {
  voltage = ast_.Field(kAstChargeVolts);
  current = ast_.Field(kAstChargeAmps);
  celsius = ast_.Field(kAstChargerTemp);
}

void tStatusModel::Update(const tChargerConfig &c, uint32_t now) {
  char text[kChargerTextSize];
  ChargerConfigText(text, sizeof(text), bridge_.CanAddr(), c);
  if (console_.Logging(9)) StreamPrintf(&console_, "tDevices::UpdateCCS: %s\n", text);
  if (haveConfig_ && c == lastConfig_) return;
  // The first configuration after registration is only remembered.
  const bool first = !haveConfig_;
  if (!first && console_.Logging(1)) {
    char before[kChargerTextSize];
    ChargerConfigText(before, sizeof(before), bridge_.CanAddr(), lastConfig_);
    StreamPrintf(&console_,
                 "tDevices::UpdateCCS: detected change in status requesting RAS status.\n%s\n%s\n",
                 text, before);
  }
  haveConfig_ = true;
  lastConfig_ = c;
  if (!first) bridge_.terminal2CAN("$RAS:@", now);
}

void tStatusModel::Update(const tDiagnostic &d) {
  char text[kChargerTextSize];
  DiagnosticText(text, sizeof(text), bridge_.CanAddr(), d);
  if (console_.Logging(8)) StreamPrintf(&console_, "tDevices::UpdateDiag: %s\n", text);
  const bool changed = !haveDiag_ || d != lastDiag_;
  if ((d.red != 0 || d.yellow != 0) && changed) {
    if (console_.Logging(1)) {
      char before[kChargerTextSize] = "";
      if (haveDiag_) DiagnosticText(before, sizeof(before), bridge_.CanAddr(), lastDiag_);
      StreamPrintf(&console_,
                   "tDevices::UpdateDiag: FAULT detected. Status transition:\n\t%s\n\t%s\n", before,
                   text);
    }
    char fault[kTextSize];
    const int n = snprintf(fault, sizeof(fault), "FLT;,%d,-99\n", d.spn & kSpnMask);
    flt_.text = fault;  // stored as a received FLT line is
    bridge_.WritePort(fault, static_cast<size_t>(n));
    if (events_ != nullptr) events_->OnFault(*record_, fault);
  }
  haveDiag_ = true;
  lastDiag_ = d;
}
