// Home Assistant MQTT discovery: one retained config per value of a device, so that
// Home Assistant makes a sensor of it, grouped under the device, available while both
// the router and the device are.
#ifndef NET_HOMEASSISTANT_H
#define NET_HOMEASSISTANT_H

#include <string>

#include "MqttValues.h"

struct tDiscoveryDevice {
  std::string routerId;      // the router's serial code
  std::string objectId;      // "ro500_204", "battery_2046_471_1"
  std::string name;          // "RO500 204"
  std::string manufacturer;  // from the bus's product and configuration information
  std::string model;
  std::string version;
  std::string stateTopic;
  std::string routerAvailability;  // "<prefix>/<router>/status"
  std::string deviceAvailability;
};

// homeassistant/sensor/tidewire_<router>/<objectId>_<key>/config
std::string DiscoveryTopic(const tDiscoveryDevice &device, const tMqttValue &value);
// The config JSON: name, unique_id, state_topic, value_template "{{ value_json.KEY }}",
// unit_of_measurement, device_class and state_class where the value has them, both
// availability topics (mode all) and the device block. "" when it did not fit.
std::string DiscoveryConfig(const tDiscoveryDevice &device, const tMqttValue &value);

#endif
