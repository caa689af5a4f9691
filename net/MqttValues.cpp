#include "MqttValues.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "JsonText.h"
#include "TextHelpers.h"

namespace {
const double kNull = std::numeric_limits<double>::quiet_NaN();
constexpr int kNA8 = 0xFF;
constexpr int kNA16 = 0xFFFF;
constexpr double kHalfPercent = 0.5;

// A raw field of the DCS record: its not-available code as null, else scaled.
double Raw(int value, int notAvailable, double scale = 1.0) {
  return value == notAvailable ? kNull : value * scale;
}

// The "units" member: each value's unit, by key.
std::string Units(const tMqttValue *values, int count) {
  tJsonText units;
  for (int i = 0; i < count; i++)
    if (values[i].unit[0] != '\0') units.String(values[i].key, values[i].unit);
  return units.Close();
}
}  // namespace

// The units' degree sign stays Latin-1 (0xb0), as the state JSON has always sent it,
// escaped \u00b0.
#define TW_DEGREES_C \
  "\xb0"             \
  "C"

const tMqttValue kChargerValues[] = {
    {"hours", "Hour counter", "h", "duration", "total_increasing", 1, kDiagnostic},
    {"dc_voltage", "DC voltage", "V", "voltage", "measurement", 2},
    {"charge_current", "Charge current", "A", "current", "measurement", 1},
    {"dc_current", "DC current", "A", "current", "measurement", 1},
    {"dc_power", "DC power", "W", "power", "measurement", 0},
    {"desired_voltage", "Desired voltage", "V", "voltage", "measurement", 2, kDiagnostic},
    {"desired_current", "Desired current", "A", "current", "measurement", 1, kDiagnostic},
    {"desired_power", "Desired power", "W", "power", "measurement", 0, kDiagnostic},
    {"charge_state", "Charge state", "", "enum", "", -1, kShown, tMqttValueKind::kEnum},
    {"source_temperature", "Battery temperature", TW_DEGREES_C, "temperature", "measurement", 1},
    {"temperature", "Charger temperature", TW_DEGREES_C, "temperature", "measurement", 1,
     kDiagnostic},
    {"engine_speed", "Engine speed", "rpm", "", "measurement", 0},
    {"charge_voltage", "Charge voltage", "V", "voltage", "measurement", 2},
    {"ast14", "AST field 14", "", "", "measurement", -1, kObscure},
    {"ast15", "AST field 15", "", "", "measurement", -1, kObscure},
    {"percent_max", "Current of maximum", "%", "", "measurement", 0, kDiagnostic},
    {"fault", "Fault", "", "", "", -1, kShown, tMqttValueKind::kEvent},
};
const int kChargerValueCount = sizeof(kChargerValues) / sizeof(kChargerValues[0]);
// The AST fields come first, in their order.
constexpr int kAstValueCount = tAST::kFields;

const tMqttValue kBatteryValues[] = {
    {"voltage", "Voltage", "V", "voltage", "measurement", 2},
    {"current", "Current", "A", "current", "measurement", 1},
    {"temperature", "Temperature", TW_DEGREES_C, "temperature", "measurement", 1},
    {"soc", "State of charge", "%", "battery", "measurement", 0},
    {"time_remaining", "Time remaining", "min", "duration", "measurement", 0},
    {"soh", "State of health", "%", "", "measurement", 0, kDiagnostic},
    {"capacity_remaining", "Capacity remaining", "Ah", "", "measurement", 0},
    {"relative_capacity", "Relative capacity", "%", "", "measurement", 0, kDiagnostic},
    {"ripple", "Ripple", "V", "voltage", "measurement", 2, kObscure},
    {"desired_charge_state", "Desired charge state", "", "", "", -1, kObscure},
    {"desired_voltage", "Desired voltage", "V", "voltage", "measurement", 2, kDiagnostic},
    {"desired_current", "Desired current", "A", "current", "measurement", 1, kDiagnostic},
    {"battery_type", "Battery type", "", "", "", -1, kObscure},
    {"precise_voltage", "Precise voltage", "V", "voltage", "measurement", 3, kObscure},
    {"full_capacity", "Full capacity", "Ah", "", "measurement", 0, kDiagnostic},
    {"dc_power", "DC power", "W", "power", "measurement", 0},
    {"high_voltage_disconnect", "High voltage disconnect", "", "problem", "", -1, kShown,
     tMqttValueKind::kBinary},
    {"low_voltage_disconnect", "Low voltage disconnect", "", "problem", "", -1, kShown,
     tMqttValueKind::kBinary},
    {"charge_detected", "Charging", "", "battery_charging", "", -1, kShown,
     tMqttValueKind::kBinary},
    {"reserve_reached", "Reserve reached", "", "battery", "", -1, kShown, tMqttValueKind::kBinary},
};
const int kBatteryValueCount = sizeof(kBatteryValues) / sizeof(kBatteryValues[0]);
// The numbers come first; the units name only them.
constexpr int kBatteryNumberCount = 16;

const char *const kChargeStateOptions[] = {"not_charging",
                                           "bulk",
                                           "absorption",
                                           "overcharge",
                                           "equalize",
                                           "float",
                                           "constant_voltage_current",
                                           "other"};
const int kChargeStateOptionCount = sizeof(kChargeStateOptions) / sizeof(kChargeStateOptions[0]);
const char kChargeStateTemplate[] =
    "{{ {0: 'not_charging', 12: 'bulk', 21: 'absorption', 22: 'overcharge', 38: 'equalize', "
    "30: 'float', 39: 'constant_voltage_current'}.get(value_json.charge_state, 'other') }}";

const char kFaultEventType[] = "fault";

std::string FaultEventJson(const std::string &line) {
  std::string text = line;
  TrimLineEnd(text);
  tJsonText json;
  json.String("event_type", kFaultEventType).String("line", text.c_str());
  // "FLT;,100,-99": the code follows the tag's ";,".
  const size_t at = text.find(";,");
  if (at != std::string::npos) {
    char *end = nullptr;
    const long code = std::strtol(text.c_str() + at + 2, &end, 10);
    if (end != text.c_str() + at + 2) json.Integer("code", code);
  }
  return json.Close();
}

std::string ChargerStateJson(const tRO500 &record) {
  const tAST &ast = record.Model().Ast();
  tJsonText json;
  json.Integer("unique_number", record.UniqueNumber());
  for (int i = 0; i < kAstValueCount; i++) {
    const double v = ast.Field(i + 1);
    if (i + 1 == kAstChargeState)
      json.Integer(kChargerValues[i].key, AstInt(v));  // a code, not a measure
    else
      json.Number(kChargerValues[i].key, v);
  }
  json.Object("units", Units(kChargerValues, kAstValueCount));
  return json.Close();
}

std::string BatteryStateJson(const tBattery &b) {
  tJsonText json;
  json.Integer("instance", b.instance).Integer("priority", b.devPri);
  json.Number("voltage", b.Vdc).Number("current", b.Adc, 3).Number("temperature", b.Temp);
  json.Number("soc", Raw(b.SOC, kNA8, kHalfPercent), 1);
  json.Number("time_remaining", Raw(b.TR, kNA16), 0);
  json.Number("soh", Raw(b.SOH, kNA8, kHalfPercent), 1);
  json.Number("capacity_remaining", Raw(b.CapRem, kNA16), 0);
  json.Number("relative_capacity", Raw(b.RelCap, kNA8, kHalfPercent), 1);
  json.Number("ripple", b.Ripple, 3);
  json.Integer("desired_charge_state", b.DesCM);
  json.Number("desired_voltage", b.DesVolt).Number("desired_current", b.DesAmp);
  json.Integer("battery_type", b.BatType);
  json.Number("precise_voltage", b.Vdc5, 3);
  json.Number("full_capacity", Raw(b.BatAHCap, kNA16), 0);
  json.Number("dc_power", Raw(b.DCPower, kNA16), 0);
  json.Bool("high_voltage_limit", b.HVls).Bool("high_voltage_disconnect", b.HVld);
  json.Bool("low_voltage_limit", b.LVls).Bool("low_voltage_disconnect", b.LVld);
  json.Bool("discharge_on", b.PwrOnOff).Bool("charge_on", b.ChrgOnOff);
  json.Bool("charge_detected", b.ChrgDet).Bool("reserve_reached", b.ResvStat);
  json.Object("units", Units(kBatteryValues, kBatteryNumberCount));
  return json.Close();
}
