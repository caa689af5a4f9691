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
  return "ro500/" + std::to_string(record.UniqueNumber());
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

void tMqttPublisher::SetRouterId(const std::string &id, const std::string &model,
                                 const std::string &version) {
  routerId_ = TopicSafe(id);
  routerModel_ = model;
  routerVersion_ = version;
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

bool tMqttPublisher::MakeRoom() {
  auto oldest = entries_.end();
  for (auto it = entries_.begin(); it != entries_.end(); ++it)
    if (!it->second.online &&
        (oldest == entries_.end() || it->second.seenAt < oldest->second.seenAt))
      oldest = it;
  if (oldest == entries_.end()) return false;
  entries_.erase(oldest);
  return true;
}

tMqttPublisher::tEntry *tMqttPublisher::Follow(const std::string &kind, const std::string &key,
                                               const std::string &name, int source) {
  const std::string id = kind + "/" + key;
  tEntry *e = Find(id);
  if (e == nullptr) {
    if (entries_.size() >= kMaxDevices && !MakeRoom()) return nullptr;
    e = &entries_[id];
    e->charger = kind == "ro500";
    e->id = id;
    e->objectId = kind + "_" + TopicSafe(key);
    e->name = name;
    e->seenAt = clock_;
  }
  SetIdentity(*e, source);
  return e;
}

tMqttPublisher::tEntry *tMqttPublisher::Charger(const tRO500 &record) {
  const std::string unique = std::to_string(record.UniqueNumber());
  return Follow("ro500", unique, "RO500 " + unique, record.CanAddr());
}

tMqttPublisher::tEntry *tMqttPublisher::Battery(const tBattery &b) {
  char key[64];
  snprintf(key, sizeof(key), "%d-%lu-%d", b.manufacturerCode,
           static_cast<unsigned long>(b.uniqueNumber), b.instance);
  const std::string name =
      "Battery " + std::to_string(b.instance) + " of " + std::to_string(b.uniqueNumber);
  return Follow("battery", key, name, b.canAddr);
}

tDiscoveryDevice tMqttPublisher::Discovery(const tEntry &e) const {
  tDiscoveryDevice d;
  d.discoveryPrefix = settings_.discoveryPrefix;
  d.routerId = routerId_;
  d.objectId = e.objectId;
  d.name = e.name;
  d.manufacturer = e.identity.manufacturer;
  d.model = e.identity.model;
  d.version = e.identity.version;
  d.stateTopic = Topic(e.id, "state");
  d.eventTopic = Topic(e.id, "event");
  d.routerAvailability = base_ + "/status";
  d.deviceAvailability = Topic(e.id, "availability");
  d.expireAfterS = kExpireAfterS;
  return d;
}

void tMqttPublisher::SendDiscovery(tEntry &e) {
  const tDiscoveryDevice d = Discovery(e);
  int count = 0;
  const tMqttValue *values = ValuesOf(e.charger, count);
  bool all = true;
  for (int i = 0; i < count; i++) {
    const std::string config = DiscoveryConfig(d, values[i]);
    all = !config.empty() && Send(DiscoveryTopic(d, values[i]), config, true) && all;
  }
  e.discoverySent = all;
}

void tMqttPublisher::Publish(tEntry &e, const std::string &state) {
  if (settings_.discovery && !e.discoverySent) SendDiscovery(e);
  if (!e.availabilitySent)
    e.availabilitySent = Send(Topic(e.id, "availability"), e.online ? "online" : "offline", true);
  const bool due = e.online && clock_ - e.stateAt >= kRefreshMs;
  if (state.empty() || (state == e.lastState && !due)) return;
  if (Send(Topic(e.id, "state"), state, true)) {
    e.lastState = state;
    e.stateAt = clock_;
  }
}

void tMqttPublisher::Remove(tEntry &e) {
  const tDiscoveryDevice d = Discovery(e);
  int count = 0;
  const tMqttValue *values = ValuesOf(e.charger, count);
  if (settings_.discovery)
    for (int i = 0; i < count; i++) Send(DiscoveryTopic(d, values[i]), "", true);
  Send(Topic(e.id, "state"), "", true);
  Send(Topic(e.id, "availability"), "", true);
}

void tMqttPublisher::Poll(uint32_t now) {
  if (started_) clock_ += now - lastNow_;  // unsigned: right across the wrap
  started_ = true;
  lastNow_ = now;
  if (base_.empty()) return;
  if (transport_.ReadResetConnected()) {
    // A new connection: the broker may have lost everything (no persistence).
    for (auto &entry : entries_) {
      entry.second.availabilitySent = false;
      entry.second.discoverySent = false;
      entry.second.lastState.clear();
    }
    routerDiscoverySent_ = false;
    ticked_ = false;
  }
  if (ticked_ && now - lastTick_ < kStateIntervalMs) return;
  ticked_ = true;
  lastTick_ = now;
  if (!transport_.Connected()) return;  // nothing queued while away

  if (settings_.discovery && !routerDiscoverySent_) {
    const tDiscoveryRouter r{settings_.discoveryPrefix, routerId_, routerModel_, routerVersion_,
                             base_ + "/status"};
    routerDiscoverySent_ = Send(RouterDiscoveryTopic(r), RouterDiscoveryConfig(r), true);
  }
  for (auto &entry : entries_) entry.second.present = false;
  devices_.ForEach([&](const tRO500 &r) {
    tEntry *e = Charger(r);
    if (e == nullptr) return;
    e->present = true;
    if (!e->online) e->availabilitySent = false;
    e->online = true;
    e->seenAt = clock_;
    Publish(*e, ChargerStateJson(r));
  });
  batteries_.ForEach([&](const tBattery &b) {
    tEntry *e = Battery(b);
    if (e == nullptr) return;
    e->present = true;
    const bool heard = now - b.lastHeard < kBatterySilentMs;
    if (heard != e->online) e->availabilitySent = false;
    e->online = heard;
    if (heard) e->seenAt = clock_;
    Publish(*e, BatteryStateJson(b));
  });
  for (auto it = entries_.begin(); it != entries_.end();) {
    tEntry &e = it->second;
    if (!e.present && e.online) {
      e.online = false;
      e.availabilitySent = Send(Topic(e.id, "availability"), "offline", true);
    }
    if (settings_.forgetAfterMs > 0 && !e.online && clock_ - e.seenAt >= settings_.forgetAfterMs) {
      Remove(e);
      it = entries_.erase(it);
      continue;
    }
    ++it;
  }
}

uint32_t tMqttPublisher::MsUntilDue(uint32_t now) const {
  if (base_.empty() || !transport_.Connected()) return kN2kNeverDue;
  return ticked_ ? N2kMsLeft(now, lastTick_, kStateIntervalMs) : 0;
}

void tMqttPublisher::Goodbye() {
  for (auto &entry : entries_)
    if (entry.second.online) Send(Topic(entry.second.id, "availability"), "offline", true);
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
    e->seenAt = clock_;
    e->availabilitySent = Send(Topic(e->id, "availability"), "offline", true);
  }
}

void tMqttPublisher::OnStatusLine(const tRO500 &record, const std::string &line) {
  if (base_.empty()) return;
  std::string text = line;
  TrimLineEnd(text);
  Send(Topic(ChargerId(record), "line"), text, false);
}

void tMqttPublisher::OnFault(const tRO500 &record, const std::string &line) {
  if (base_.empty()) return;
  // Not retained: an event happens once, and a retained one would fire again for
  // every new subscriber.
  Send(Topic(ChargerId(record), "event"), FaultEventJson(line), false);
}
