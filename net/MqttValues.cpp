#include "MqttValues.h"

#include <cmath>
#include <limits>

#include "JsonText.h"

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

const tMqttValue kChargerValues[] = {
    {"hours", "Hour counter", "h", "duration", "total_increasing"},
    {"dc_voltage", "DC voltage", "V", "voltage", "measurement"},
    {"charge_current", "Charge current", "A", "current", "measurement"},
    {"dc_current", "DC current", "A", "current", "measurement"},
    {"dc_power", "DC power", "W", "power", "measurement"},
    {"desired_voltage", "Desired voltage", "V", "voltage", "measurement"},
    {"desired_current", "Desired current", "A", "current", "measurement"},
    {"desired_power", "Desired power", "W", "power", "measurement"},
    {"charge_state", "Charge state", "", "", ""},
    {"source_temperature", "Battery temperature",
     "\xb0"
     "C",
     "temperature", "measurement"},
    {"temperature", "Charger temperature",
     "\xb0"
     "C",
     "temperature", "measurement"},
    {"engine_speed", "Engine speed", "rpm", "", "measurement"},
    {"charge_voltage", "Charge voltage", "V", "voltage", "measurement"},
    {"ast14", "AST field 14", "", "", "measurement"},
    {"ast15", "AST field 15", "", "", "measurement"},
    {"percent_max", "Current of maximum", "%", "", "measurement"},
};
const int kChargerValueCount = sizeof(kChargerValues) / sizeof(kChargerValues[0]);

const tMqttValue kBatteryValues[] = {
    {"voltage", "Voltage", "V", "voltage", "measurement"},
    {"current", "Current", "A", "current", "measurement"},
    {"temperature", "Temperature",
     "\xb0"
     "C",
     "temperature", "measurement"},
    {"soc", "State of charge", "%", "battery", "measurement"},
    {"time_remaining", "Time remaining", "min", "duration", "measurement"},
    {"soh", "State of health", "%", "", "measurement"},
    {"capacity_remaining", "Capacity remaining", "Ah", "", "measurement"},
    {"relative_capacity", "Relative capacity", "%", "", "measurement"},
    {"ripple", "Ripple", "V", "voltage", "measurement"},
    {"desired_charge_state", "Desired charge state", "", "", ""},
    {"desired_voltage", "Desired voltage", "V", "voltage", "measurement"},
    {"desired_current", "Desired current", "A", "current", "measurement"},
    {"battery_type", "Battery type", "", "", ""},
    {"precise_voltage", "Precise voltage", "V", "voltage", "measurement"},
    {"full_capacity", "Full capacity", "Ah", "", "measurement"},
    {"dc_power", "DC power", "W", "power", "measurement"},
};
const int kBatteryValueCount = sizeof(kBatteryValues) / sizeof(kBatteryValues[0]);

std::string ChargerStateJson(const tRO500 &record) {
  const tAST &ast = record.ast();
  tJsonText json;
  json.Integer("unique_number", record.uniqueNumber());
  for (int i = 0; i < kChargerValueCount; i++) {
    const double v = ast.field(i + 1);
    if (i + 1 == kAstChargeState)
      json.Integer(kChargerValues[i].key, AstInt(v));  // a code, not a measure
    else
      json.Number(kChargerValues[i].key, v);
  }
  json.Object("units", Units(kChargerValues, kChargerValueCount));
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
  json.Object("units", Units(kBatteryValues, kBatteryValueCount));
  return json.Close();
}
