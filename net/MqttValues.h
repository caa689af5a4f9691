// What a charger and a battery are on MQTT: the state JSON of each (numbers in the
// units the value tables name, null for not available) and the table of their values
// that Home Assistant discovery describes one by one.
#ifndef NET_MQTTVALUES_H
#define NET_MQTTVALUES_H

#include <string>

#include "Battery.h"
#include "RO500.h"

// What Home Assistant makes of a value: a sensor (a number), a sensor of the enum
// class (a code shown by name), a binary sensor (a true/false member), or an event
// entity (not in the state: messages of a topic of their own).
enum class tMqttValueKind { kSensor, kEnum, kBinary, kEvent };

// A value's place in Home Assistant's lists.
enum tMqttValueShow : unsigned {
  kShown = 0,
  kDiagnostic = 1,  // entity_category diagnostic
  kObscure = 3,     // diagnostic, and disabled until the owner turns it on
};

// One value of a state JSON: its key, a name for people, and what Home Assistant
// makes of it (an empty text leaves the field out; precision -1 too).
struct tMqttValue {
  const char *key;
  const char *name;
  const char *unit;
  const char *deviceClass;
  const char *stateClass;
  int precision = -1;  // suggested_display_precision
  unsigned show = kShown;
  tMqttValueKind kind = tMqttValueKind::kSensor;
};

// The charger's values, the AST fields by their meaning, then its fault event;
// kChargerValueCount of them.
extern const tMqttValue kChargerValues[];
extern const int kChargerValueCount;
// The battery's numeric values, then its flags; kBatteryValueCount of them.
extern const tMqttValue kBatteryValues[];
extern const int kBatteryValueCount;

// The charge state's names (the enum's options), and the template that turns the AST
// code into one of them: 0 not charging, 12 bulk, 21 absorption, 22 overcharge, 38
// equalize, 30 float, 39 constant voltage/current; any other code "other".
extern const char *const kChargeStateOptions[];
extern const int kChargeStateOptionCount;
extern const char kChargeStateTemplate[];

// The one type of a charger's event entity: a fault (FLT line) it reported.
extern const char kFaultEventType[];
// {"event_type":"fault","line":"FLT;,100,-99","code":100}: the line without its end,
// code the first number after the tag (left out when there is none).
std::string FaultEventJson(const std::string &line);

// {"hours":100.50,"dc_voltage":13.20,...,"units":{"dc_voltage":"V",...}}: every AST
// field (14 and 15, whose meaning is the charger's, as ast14 and ast15), the charger's
// unique number and the units. "" when it did not fit its buffer.
std::string ChargerStateJson(const tRO500 &record);
// The DCS values in physical units (state of charge, health and relative capacity in
// %, capacities in Ah, time remaining in minutes), the limit and bus flags as true or
// false, instance and priority; not-available codes as null.
std::string BatteryStateJson(const tBattery &battery);

#endif
