#include "MqttValues.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "JsonText.h"
#include "N2kDescriptions.h"
#include "TextHelpers.h"

namespace {
const double kNull = std::numeric_limits<double>::quiet_NaN();

// A field of a DC source status, as the bus library describes it; a name it does not
// have gives a field without unit or scale (the tests catch it).
const tN2kField &Described(const tN2kMsgDesc &desc, const char *name) {
  static const tN2kField kNone{"", "", 0, 0, 0, 1, 0, kN2kNoCode, kN2kNoCode, 0};
  const int i = N2kFieldIndex(desc, name);
  return i < 0 ? kNone : desc.Fields[i];
}
// Looked up once: every battery's state publish scales by them.
const tN2kField &kVdc = Described(kRvcDescDCSourceStatus1, "Vdc");
const tN2kField &kAdc = Described(kRvcDescDCSourceStatus1, "Adc");
const tN2kField &kSoc = Described(kRvcDescDCSourceStatus2, "SOC");
const tN2kField &kTimeRemaining = Described(kRvcDescDCSourceStatus2, "TR");
const tN2kField &kSoh = Described(kRvcDescDCSourceStatus3, "SOH");
const tN2kField &kCapRem = Described(kRvcDescDCSourceStatus3, "CapRem");
const tN2kField &kRelCap = Described(kRvcDescDCSourceStatus3, "CapRemPer");
const tN2kField &kDesVolt = Described(kRvcDescDCSourceStatus4, "DesVolt");
const tN2kField &kDesAmp = Described(kRvcDescDCSourceStatus4, "DesAmp");
const tN2kField &kVdc5 = Described(kRvcDescDCSourceStatus5, "Vdc");
const tN2kField &kBatAHCap = Described(kRvcDescDCSourceStatus11, "BatAHCap");
const tN2kField &kDCPower = Described(kRvcDescDCSourceStatus11, "DCPower");

// A raw field of the DCS record, scaled as its message describes it; its not-available
// code (only that) as null.
double Raw(int value, const tN2kField &f) {
  return static_cast<uint64_t>(value) == f.NotAvailable ? kNull : value * f.Resolution + f.Offset;
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
    {"voltage", "Voltage", kVdc.Unit, "voltage", "measurement", 2},
    {"current", "Current", kAdc.Unit, "current", "measurement", 1},
    // Described in "C"; Home Assistant's unit has the degree sign.
    {"temperature", "Temperature", TW_DEGREES_C, "temperature", "measurement", 1},
    {"soc", "State of charge", kSoc.Unit, "battery", "measurement", 0},
    {"time_remaining", "Time remaining", kTimeRemaining.Unit, "duration", "measurement", 0},
    {"soh", "State of health", kSoh.Unit, "", "measurement", 0, kDiagnostic},
    {"capacity_remaining", "Capacity remaining", kCapRem.Unit, "", "measurement", 0},
    {"relative_capacity", "Relative capacity", kRelCap.Unit, "", "measurement", 0, kDiagnostic},
    // Described in mV; the registry keeps volts.
    {"ripple", "Ripple", "V", "voltage", "measurement", 2, kObscure},
    {"desired_charge_state", "Desired charge state", "", "", "", -1, kObscure},
    {"desired_voltage", "Desired voltage", kDesVolt.Unit, "voltage", "measurement", 2, kDiagnostic},
    {"desired_current", "Desired current", kDesAmp.Unit, "current", "measurement", 1, kDiagnostic},
    {"battery_type", "Battery type", "", "", "", -1, kObscure},
    {"precise_voltage", "Precise voltage", kVdc5.Unit, "voltage", "measurement", 3, kObscure},
    {"full_capacity", "Full capacity", kBatAHCap.Unit, "", "measurement", 0, kDiagnostic},
    {"dc_power", "DC power", kDCPower.Unit, "power", "measurement", 0},
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
  json.Number("soc", Raw(b.SOC, kSoc), 1);
  json.Number("time_remaining", Raw(b.TR, kTimeRemaining), 0);
  json.Number("soh", Raw(b.SOH, kSoh), 1);
  json.Number("capacity_remaining", Raw(b.CapRem, kCapRem), 0);
  json.Number("relative_capacity", Raw(b.RelCap, kRelCap), 1);
  json.Number("ripple", b.Ripple, 3);
  json.Integer("desired_charge_state", b.DesCM);
  json.Number("desired_voltage", b.DesVolt).Number("desired_current", b.DesAmp);
  json.Integer("battery_type", b.BatType);
  json.Number("precise_voltage", b.Vdc5, 3);
  json.Number("full_capacity", Raw(b.BatAHCap, kBatAHCap), 0);
  json.Number("dc_power", Raw(b.DCPower, kDCPower), 0);
  json.Bool("high_voltage_limit", b.HVls).Bool("high_voltage_disconnect", b.HVld);
  json.Bool("low_voltage_limit", b.LVls).Bool("low_voltage_disconnect", b.LVld);
  json.Bool("discharge_on", b.PwrOnOff).Bool("charge_on", b.ChrgOnOff);
  json.Bool("charge_detected", b.ChrgDet).Bool("reserve_reached", b.ResvStat);
  json.Object("units", Units(kBatteryValues, kBatteryNumberCount));
  return json.Close();
}
