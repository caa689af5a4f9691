#include "HomeAssistant.h"

#include "JsonText.h"

namespace {
std::string NodeId(const tDiscoveryDevice &d) {
  return "tidewire_" + d.routerId;
}

std::string Availability(const std::string &topic) {
  tJsonText a;
  a.String("topic", topic.c_str());
  return a.Close();
}
}  // namespace

std::string DiscoveryTopic(const tDiscoveryDevice &d, const tMqttValue &value) {
  return "homeassistant/sensor/" + NodeId(d) + "/" + d.objectId + "_" + value.key + "/config";
}

std::string DiscoveryConfig(const tDiscoveryDevice &d, const tMqttValue &value) {
  const std::string unique = NodeId(d) + "_" + d.objectId;
  const std::string templ = std::string("{{ value_json.") + value.key + " }}";
  tJsonText json;
  json.String("name", value.name);
  json.String("unique_id", (unique + "_" + value.key).c_str());
  json.String("object_id", (unique + "_" + value.key).c_str());
  json.String("state_topic", d.stateTopic.c_str());
  json.String("value_template", templ.c_str());
  if (value.unit[0] != '\0') json.String("unit_of_measurement", value.unit);
  if (value.deviceClass[0] != '\0') json.String("device_class", value.deviceClass);
  if (value.stateClass[0] != '\0') json.String("state_class", value.stateClass);
  json.Object("availability", "[" + Availability(d.routerAvailability) + "," +
                                  Availability(d.deviceAvailability) + "]");
  json.String("availability_mode", "all");
  tJsonText block;
  block.Object("identifiers", "[\"" + unique + "\"]");
  block.String("name", d.name.c_str());
  block.String("manufacturer", d.manufacturer.c_str());
  block.String("model", d.model.c_str());
  block.String("sw_version", d.version.c_str());
  json.Object("device", block);
  return json.Close();
}
