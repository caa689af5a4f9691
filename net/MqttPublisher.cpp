#include "MqttPublisher.h"

#include <cstdio>

#include "HomeAssistant.h"
#include "MqttValues.h"
#include "N2kTime.h"
#include "TextHelpers.h"

namespace {
// Letters, digits, '-' and '_' are kept: the id goes into topics and Home Assistant ids.
std::string TopicSafe(const std::string &text) {
  std::string out;
  for (char c : text) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
    out += ok ? c : '_';
  }
  return out;
}

std::string ChargerId(const tRO500 &record) {
  return "ro500/" + std::to_string(record.uniqueNumber());
}

// The values a device of this kind publishes, and how many.
const tMqttValue *ValuesOf(bool charger, int &count) {
  count = charger ? kChargerValueCount : kBatteryValueCount;
  return charger ? kChargerValues : kBatteryValues;
}
}  // namespace

tMqttPublisher::tMqttPublisher(const tMqttSettings &settings, tMqttTransport &transport,
                               const tDevices &devices, const tBatteries &batteries,
                               const tDeviceDirectory &deviceList)
    : settings_(settings),
      transport_(transport),
      devices_(devices),
      batteries_(batteries),
      deviceList_(deviceList) {}

void tMqttPublisher::SetRouterId(const std::string &id) {
  routerId_ = TopicSafe(id);
  base_ = routerId_.empty() ? std::string() : settings_.prefix + "/" + routerId_;
}

std::string tMqttPublisher::Topic(const std::string &id, const char *leaf) const {
  return base_ + "/" + id + "/" + leaf;
}

bool tMqttPublisher::Send(const std::string &topic, const std::string &payload, bool retain) {
  return transport_.Connected() && transport_.Publish(topic, payload, retain);
}

tMqttPublisher::tEntry *tMqttPublisher::Find(const std::string &id) {
  auto it = entries_.find(id);
  return it == entries_.end() ? nullptr : &it->second;
}

tMqttPublisher::tIdentity tMqttPublisher::IdentityAt(int source, const tIdentity &known) const {
  const tN2kDeviceList::tDevice *d = deviceList_.FindBySource(static_cast<uint8_t>(source & 0xff));
  if (d == nullptr) return known;  // a list just rebuilt: what we knew
  tIdentity id;
  id.manufacturer = d->GetManufacturerInformation();
  if (id.manufacturer.empty())
    id.manufacturer = "NMEA 2000 manufacturer " + std::to_string(d->GetManufacturerCode());
  id.model = d->GetModelID();
  id.version = d->GetSwCode();
  return id;
}

void tMqttPublisher::SetIdentity(tEntry &e, int source) {
  const tIdentity id = IdentityAt(source, e.identity);
  // Configuration information often comes after product information, and firmware
  // changes: Home Assistant's device block follows what the bus says now.
  if (id.manufacturer != e.identity.manufacturer || id.model != e.identity.model ||
      id.version != e.identity.version)
    e.discoverySent = false;
  e.identity = id;
}

tMqttPublisher::tEntry *tMqttPublisher::Follow(const std::string &kind, const std::string &key,
                                               const std::string &name, int source, uint32_t now) {
  const std::string id = kind + "/" + key;
  tEntry *e = Find(id);
  if (e == nullptr) {
    if (entries_.size() >= kMaxDevices) return nullptr;
    e = &entries_[id];
    e->charger = kind == "ro500";
    e->id = id;
    e->objectId = kind + "_" + TopicSafe(key);
    e->name = name;
    e->seenAt = now;
  }
  SetIdentity(*e, source);
  return e;
}

tMqttPublisher::tEntry *tMqttPublisher::Charger(const tRO500 &record, uint32_t now) {
  const std::string unique = std::to_string(record.uniqueNumber());
  return Follow("ro500", unique, "RO500 " + unique, record.canAddr(), now);
}

tMqttPublisher::tEntry *tMqttPublisher::Battery(const tBattery &b, uint32_t now) {
  char key[64];
  snprintf(key, sizeof(key), "%d-%lu-%d", b.manufacturerCode,
           static_cast<unsigned long>(b.uniqueNumber), b.instance);
  const std::string name =
      "Battery " + std::to_string(b.instance) + " of " + std::to_string(b.uniqueNumber);
  return Follow("battery", key, name, b.canAddr, now);
}

void tMqttPublisher::SendDiscovery(tEntry &e) {
  tDiscoveryDevice d;
  d.routerId = routerId_;
  d.objectId = e.objectId;
  d.name = e.name;
  d.manufacturer = e.identity.manufacturer;
  d.model = e.identity.model;
  d.version = e.identity.version;
  d.stateTopic = Topic(e.id, "state");
  d.routerAvailability = base_ + "/status";
  d.deviceAvailability = Topic(e.id, "availability");
  int count = 0;
  const tMqttValue *values = ValuesOf(e.charger, count);
  bool all = true;
  for (int i = 0; i < count; i++) {
    const std::string config = DiscoveryConfig(d, values[i]);
    all = !config.empty() && Send(DiscoveryTopic(d, values[i]), config, true) && all;
  }
  e.discoverySent = all;
}

void tMqttPublisher::Publish(tEntry &e, const std::string &state, uint32_t now) {
  if (settings_.discovery && !e.discoverySent) SendDiscovery(e);
  if (!e.availabilitySent)
    e.availabilitySent = Send(Topic(e.id, "availability"), e.online ? "online" : "offline", true);
  if (state.empty() || state == e.lastState) return;
  if (Send(Topic(e.id, "state"), state, true)) {
    e.lastState = state;
    e.stateAt = now;
  }
}

void tMqttPublisher::Remove(tEntry &e) {
  tDiscoveryDevice d;
  d.routerId = routerId_;
  d.objectId = e.objectId;
  int count = 0;
  const tMqttValue *values = ValuesOf(e.charger, count);
  if (settings_.discovery)
    for (int i = 0; i < count; i++) Send(DiscoveryTopic(d, values[i]), "", true);
  Send(Topic(e.id, "state"), "", true);
  Send(Topic(e.id, "availability"), "", true);
}

void tMqttPublisher::Poll(uint32_t now) {
  if (base_.empty()) return;
  if (transport_.ReadResetConnected()) {
    // A new connection: the broker may have lost everything (no persistence).
    for (auto &entry : entries_) {
      entry.second.availabilitySent = false;
      entry.second.discoverySent = false;
      entry.second.lastState.clear();
    }
    ticked_ = false;
  }
  if (ticked_ && now - lastTick_ < kStateIntervalMs) return;
  ticked_ = true;
  lastTick_ = now;
  if (!transport_.Connected()) return;  // nothing queued while away

  for (auto &entry : entries_) entry.second.present = false;
  devices_.ForEach([&](const tRO500 &r) {
    tEntry *e = Charger(r, now);
    if (e == nullptr) return;
    e->present = true;
    if (!e->online) e->availabilitySent = false;
    e->online = true;
    e->seenAt = now;
    Publish(*e, ChargerStateJson(r), now);
  });
  batteries_.ForEach([&](const tBattery &b) {
    tEntry *e = Battery(b, now);
    if (e == nullptr) return;
    e->present = true;
    const bool heard = now - b.lastHeard < kBatterySilentMs;
    if (heard != e->online) e->availabilitySent = false;
    e->online = heard;
    if (heard) e->seenAt = now;
    Publish(*e, BatteryStateJson(b), now);
  });
  for (auto it = entries_.begin(); it != entries_.end();) {
    tEntry &e = it->second;
    if (!e.present && e.online) {
      e.online = false;
      e.availabilitySent = Send(Topic(e.id, "availability"), "offline", true);
    }
    if (!e.online && now - e.seenAt >= kGoneForGoodMs) {
      Remove(e);
      it = entries_.erase(it);
      continue;
    }
    ++it;
  }
}

uint32_t tMqttPublisher::MsUntilDue(uint32_t now) const {
  if (base_.empty()) return kN2kNeverDue;
  return ticked_ ? N2kMsLeft(now, lastTick_, kStateIntervalMs) : 0;
}

void tMqttPublisher::OnOnline(const tRO500 &record) {
  if (tEntry *e = Find(ChargerId(record))) {
    e->online = true;
    e->availabilitySent = false;  // said at the next look, with its state
  }
}

void tMqttPublisher::OnOffline(const tRO500 &record) {
  if (tEntry *e = Find(ChargerId(record))) {
    e->online = false;
    e->availabilitySent = Send(Topic(e->id, "availability"), "offline", true);
  }
}

void tMqttPublisher::OnStatusLine(const tRO500 &record, const std::string &line) {
  if (base_.empty()) return;
  std::string text = line;
  TrimLineEnd(text);
  Send(Topic(ChargerId(record), "line"), text, false);
}
