// The chargers and batteries on MQTT, publish only: nothing is subscribed, so the
// network cannot drive a charger this way.
//
// Topics under <prefix>/<router id>/:
//   status                            "online" (the connection says it on connecting);
//                                     "offline" as its will and on a clean stop
//   ro500/<unique>/availability       "online" / "offline" (retained)
//   ro500/<unique>/state              ChargerStateJson (retained)
//   ro500/<unique>/line               every status line the charger sends, as it comes
//   battery/<mfr>-<unique>-<instance>/availability, .../state   (retained)
// With discovery on, each value of each device has a retained Home Assistant config
// at homeassistant/sensor/tidewire_<router id>/<device>_<value>/config.
//
// State goes out when it changed, at most once a second per device. Nothing is queued
// while the broker is away: the registries hold the latest values, and on every new
// connection discovery, availability and state are sent again. A charger offline, or a
// battery unheard, for kGoneForGoodMs is removed from Home Assistant (empty retained
// configs and state); one that only blinks keeps its entities.
#ifndef NET_MQTTPUBLISHER_H
#define NET_MQTTPUBLISHER_H

#include <cstdint>
#include <map>
#include <string>

#include "Batteries.h"
#include "DeviceDirectory.h"
#include "DeviceEvents.h"
#include "Devices.h"
#include "MqttSettings.h"
#include "MqttTransport.h"

class tMqttPublisher : public tDeviceEvents {
 public:
  static constexpr uint32_t kStateIntervalMs = 1000;
  static constexpr uint32_t kBatterySilentMs = 60000;  // then "offline"
  static constexpr uint32_t kGoneForGoodMs = 600000;   // then removed
  // Devices followed at once (bounds the memory whatever the bus does).
  static constexpr size_t kMaxDevices = 512;

  // All references outlive the publisher.
  tMqttPublisher(const tMqttSettings &settings, tMqttTransport &transport, const tDevices &devices,
                 const tBatteries &batteries, const tDeviceDirectory &deviceList);

  // The router's part of every topic (its serial code); "" sends nothing.
  void SetRouterId(const std::string &id);
  const std::string &BaseTopic() const { return base_; }
  const std::string &RouterId() const { return routerId_; }

  // Once a loop pass: a new connection, changed states, removals.
  void Poll(uint32_t now);
  // Milliseconds until Poll has something timed to do.
  uint32_t MsUntilDue(uint32_t now) const;

  void OnOnline(const tRO500 &record) override;
  void OnOffline(const tRO500 &record) override;
  void OnStatusLine(const tRO500 &record, const std::string &line) override;

 private:
  struct tIdentity {
    std::string manufacturer, model, version;
  };
  struct tEntry {
    bool charger = true;
    std::string id;        // "ro500/<unique>" or "battery/<mfr>-<unique>-<instance>"
    std::string objectId;  // "ro500_<unique>"
    std::string name;      // "RO500 <unique>"
    tIdentity identity;
    bool online = true;
    bool availabilitySent = false;
    bool discoverySent = false;
    std::string lastState;  // what the broker has
    uint32_t stateAt = 0;   // when it was sent
    uint32_t seenAt = 0;    // the last time the device was there (online)
    bool present = true;    // in its registry at the last look
  };

  // The entry of kind/key, made when new (null when kMaxDevices are followed), with the
  // identity the device list has for source.
  tEntry *Follow(const std::string &kind, const std::string &key, const std::string &name,
                 int source, uint32_t now);
  tEntry *Charger(const tRO500 &record, uint32_t now);
  tEntry *Battery(const tBattery &battery, uint32_t now);
  tEntry *Find(const std::string &id);
  tIdentity IdentityAt(int source, const tIdentity &known) const;
  // The identity the device list has for source now; a changed one sends discovery again.
  void SetIdentity(tEntry &e, int source);
  void Publish(tEntry &e, const std::string &state, uint32_t now);
  void SendDiscovery(tEntry &e);
  void Remove(tEntry &e);
  // <prefix>/<router id>/<id>/<leaf>
  std::string Topic(const std::string &id, const char *leaf) const;
  bool Send(const std::string &topic, const std::string &payload, bool retain);

  const tMqttSettings &settings_;
  tMqttTransport &transport_;
  const tDevices &devices_;
  const tBatteries &batteries_;
  const tDeviceDirectory &deviceList_;
  std::string routerId_;
  std::string base_;
  std::map<std::string, tEntry> entries_;
  uint32_t lastTick_ = 0;
  bool ticked_ = false;
};

#endif
