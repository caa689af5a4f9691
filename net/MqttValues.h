// What a charger and a battery are on MQTT: the state JSON of each (numbers in the
// units the value tables name, null for not available) and the table of their values
// that Home Assistant discovery describes one by one.
#ifndef NET_MQTTVALUES_H
#define NET_MQTTVALUES_H

#include <string>

#include "Battery.h"
#include "RO500.h"

// One value of a state JSON: its key, a name for people, and what Home Assistant
// makes of it (an empty text leaves the field out).
struct tMqttValue {
  const char *key;
  const char *name;
  const char *unit;
  const char *deviceClass;
  const char *stateClass;
};

// The charger's values, the AST fields by their meaning; kChargerValueCount of them.
extern const tMqttValue kChargerValues[];
extern const int kChargerValueCount;
// The battery's numeric values; kBatteryValueCount of them.
extern const tMqttValue kBatteryValues[];
extern const int kBatteryValueCount;

// {"hours":100.50,"dc_voltage":13.20,...,"units":{"dc_voltage":"V",...}}: every AST
// field (14 and 15, whose meaning is the charger's, as ast14 and ast15), the charger's
// unique number and the units. "" when it did not fit its buffer.
std::string ChargerStateJson(const tRO500 &record);
// The DCS values in physical units (state of charge, health and relative capacity in
// %, capacities in Ah, time remaining in minutes), the limit and bus flags as true or
// false, instance and priority; not-available codes as null.
std::string BatteryStateJson(const tBattery &battery);

#endif
