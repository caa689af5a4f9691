// Home Assistant MQTT discovery: one retained config per value of a device, so that
// Home Assistant makes an entity of it, grouped under the device, available while both
// the router and the device are; and the router as a device of its own, with a
// connectivity sensor on its status topic, through which every charger and battery is
// connected (via_device).
#ifndef NET_HOMEASSISTANT_H
#define NET_HOMEASSISTANT_H

#include <string>

#include "MqttValues.h"

// The router as Home Assistant shows it.
struct tDiscoveryRouter {
  std::string discoveryPrefix;  // "homeassistant"
  std::string routerId;         // the router's id on MQTT
  std::string model;            // the router's model and software, as the node tells the bus
  std::string version;
  std::string statusTopic;  // "<prefix>/<router>/status"
};

struct tDiscoveryDevice {
  std::string discoveryPrefix;  // "homeassistant"
  std::string routerId;         // the router's id on MQTT
  std::string objectId;         // "ro500_204", "battery_2046-471-1"
  std::string name;             // "RO500 204"
  std::string manufacturer;     // from the bus's product and configuration information
  std::string model;
  std::string version;
  std::string stateTopic;
  std::string eventTopic;          // a charger's fault events
  std::string routerAvailability;  // "<prefix>/<router>/status"
  std::string deviceAvailability;
  // expire_after of its sensors: no state for this long and Home Assistant shows them
  // unavailable; 0 leaves it out.
  int expireAfterS = 0;
};

// <discovery prefix>/<component>/tidewire_<router>/<objectId>_<key>/config, the
// component sensor, binary_sensor or event.
std::string DiscoveryTopic(const tDiscoveryDevice &device, const tMqttValue &value);
// The config JSON: name, unique_id, object_id and default_entity_id, state_topic, for
// a sensor value_template "{{ value_json.KEY }}", unit_of_measurement, device_class,
// state_class, suggested_display_precision where the value has them, entity_category
// and enabled_by_default for diagnostic and obscure values, expire_after; both
// availability topics (mode all), the origin and the device block (via the router).
// "" when it did not fit.
std::string DiscoveryConfig(const tDiscoveryDevice &device, const tMqttValue &value);

// <discovery prefix>/binary_sensor/tidewire_<router>/status/config
std::string RouterDiscoveryTopic(const tDiscoveryRouter &router);
// The router's connectivity sensor on its status topic ("online"/"offline").
std::string RouterDiscoveryConfig(const tDiscoveryRouter &router);

#endif
