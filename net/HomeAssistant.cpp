#include "HomeAssistant.h"

#include "JsonText.h"

namespace {
std::string NodeId(const std::string &routerId) {
  return "tidewire_" + routerId;
}

std::string Availability(const std::string &topic) {
  tJsonText a;
  a.String("topic", topic.c_str());
  return a.Close();
}

const char *Component(tMqttValueKind kind) {
  switch (kind) {
    case tMqttValueKind::kBinary:
      return "binary_sensor";
    case tMqttValueKind::kEvent:
      return "event";
    default:
      return "sensor";
  }
}

// unique_id, and the entity id Home Assistant makes of it: object_id for versions
// before 2025.10, default_entity_id ("sensor.<id>") for those after.
void Ids(tJsonText &json, const char *component, const std::string &unique) {
  json.String("unique_id", unique.c_str());
  json.String("object_id", unique.c_str());
  json.String("default_entity_id", (std::string(component) + "." + unique).c_str());
}

void Origin(tJsonText &json) {
  tJsonText origin;
  origin.String("name", "tidewire");
  json.Object("origin", origin);
}

std::string ValueTemplate(const tMqttValue &value) {
  if (value.kind == tMqttValueKind::kEnum) return kChargeStateTemplate;
  if (value.kind == tMqttValueKind::kBinary)
    return std::string("{{ 'ON' if value_json.") + value.key + " else 'OFF' }}";
  return std::string("{{ value_json.") + value.key + " }}";
}
}  // namespace

std::string DiscoveryTopic(const tDiscoveryDevice &d, const tMqttValue &value) {
  return d.discoveryPrefix + "/" + Component(value.kind) + "/" + NodeId(d.routerId) + "/" +
         d.objectId + "_" + value.key + "/config";
}

std::string DiscoveryConfig(const tDiscoveryDevice &d, const tMqttValue &value) {
  const std::string unique = NodeId(d.routerId) + "_" + d.objectId;
  const bool event = value.kind == tMqttValueKind::kEvent;
  tJsonText json;
  json.String("name", value.name);
  Ids(json, Component(value.kind), unique + "_" + value.key);
  if (event) {
    json.String("state_topic", d.eventTopic.c_str());
    const char *const types[] = {kFaultEventType};
    json.Strings("event_types", types, 1);
  } else {
    json.String("state_topic", d.stateTopic.c_str());
    json.String("value_template", ValueTemplate(value).c_str());
  }
  if (value.unit[0] != '\0') json.String("unit_of_measurement", value.unit);
  if (value.deviceClass[0] != '\0') json.String("device_class", value.deviceClass);
  if (value.stateClass[0] != '\0') json.String("state_class", value.stateClass);
  if (value.kind == tMqttValueKind::kEnum)
    json.Strings("options", kChargeStateOptions, kChargeStateOptionCount);
  if (value.precision >= 0) json.Integer("suggested_display_precision", value.precision);
  if (value.show & kDiagnostic) json.String("entity_category", "diagnostic");
  if (value.show == kObscure) json.Bool("enabled_by_default", false);
  if (!event && d.expireAfterS > 0) json.Integer("expire_after", d.expireAfterS);
  json.Object("availability", "[" + Availability(d.routerAvailability) + "," +
                                  Availability(d.deviceAvailability) + "]");
  json.String("availability_mode", "all");
  Origin(json);
  tJsonText block;
  block.Object("identifiers", "[\"" + unique + "\"]");
  block.String("name", d.name.c_str());
  block.String("manufacturer", d.manufacturer.c_str());
  block.String("model", d.model.c_str());
  block.String("sw_version", d.version.c_str());
  block.String("via_device", NodeId(d.routerId).c_str());
  json.Object("device", block);
  return json.Close();
}

std::string RouterDiscoveryTopic(const tDiscoveryRouter &r) {
  return r.discoveryPrefix + "/binary_sensor/" + NodeId(r.routerId) + "/status/config";
}

std::string RouterDiscoveryConfig(const tDiscoveryRouter &r) {
  const std::string node = NodeId(r.routerId);
  tJsonText json;
  json.String("name", "Connection");
  Ids(json, "binary_sensor", node + "_status");
  json.String("state_topic", r.statusTopic.c_str());
  json.String("payload_on", "online").String("payload_off", "offline");
  json.String("device_class", "connectivity");
  json.String("entity_category", "diagnostic");
  Origin(json);
  tJsonText block;
  block.Object("identifiers", "[\"" + node + "\"]");
  block.String("name", ("tidewire " + r.routerId).c_str());
  block.String("model", r.model.c_str());
  block.String("sw_version", r.version.c_str());
  json.Object("device", block);
  return json.Close();
}
