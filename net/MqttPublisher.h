// The chargers and batteries on MQTT, publish only: nothing is subscribed, so the
// network cannot drive a charger this way.
//
// Topics under <prefix>/<router id>/:
//   status                            "online" (the connection says it on connecting);
//                                     "offline" as its will and on a clean stop
//   ro500/<unique>/availability       "online" / "offline" (retained)
//   ro500/<unique>/state              ChargerStateJson (retained)
//   ro500/<unique>/line               every status line the charger sends, as it comes
//   ro500/<unique>/event              a fault the charger reports (FaultEventJson)
//   battery/<mfr>-<unique>-<instance>/availability, .../state   (retained)
// With discovery on, each value of each device has a retained Home Assistant config
// at <discovery prefix>/<component>/tidewire_<router id>/<device>_<value>/config, and
// the router one for its connectivity sensor.
//
// State goes out when it changed, at most once a second per device, and again every
// kRefreshMs while the device is there even when unchanged: its sensors carry
// expire_after, so a device that is not there after a power cut or a restart of the
// router turns unavailable in Home Assistant by itself. A clean stop says every device
// offline. Nothing is queued while the broker is away: the registries hold the latest
// values, and on every new connection discovery, availability and state are sent
// again. Entities are kept however long a device is away, unless settings say to
// forget it (forgetAfterMs, counted in 64-bit time): then its configs and state are
// emptied, and Home Assistant deletes it. A device crowded out of the bounded table is
// forgotten in memory only.
#ifndef NET_MQTTPUBLISHER_H
#define NET_MQTTPUBLISHER_H

#include <cstdint>
#include <map>
#include <string>

#include "Batteries.h"
#include "DeviceDirectory.h"
#include "DeviceEvents.h"
#include "Devices.h"
#include "HomeAssistant.h"
#include "MqttSettings.h"
#include "MqttTransport.h"

class tMqttPublisher : public tDeviceEvents {
 public:
  static constexpr uint32_t kStateIntervalMs = 1000;
  static constexpr uint32_t kRefreshMs = 60000;
  static constexpr int kExpireAfterS = 300;            // five refreshes missed
  static constexpr uint32_t kBatterySilentMs = 60000;  // then "offline"
  // Devices followed at once (bounds the memory whatever the bus does).
  static constexpr size_t kMaxDevices = 512;

  // All references outlive the publisher.
  tMqttPublisher(const tMqttSettings &settings, tMqttTransport &transport, const tDevices &devices,
                 const tBatteries &batteries, const tDeviceDirectory &deviceList);

  // The router's part of every topic (its serial code); "" sends nothing. Model and
  // version describe the router's own device in Home Assistant.
  void SetRouterId(const std::string &id, const std::string &model = std::string(),
                   const std::string &version = std::string());
  const std::string &BaseTopic() const { return base_; }
  const std::string &RouterId() const { return routerId_; }

  // Once a loop pass: a new connection, changed states, removals.
  void Poll(uint32_t now);
  // Milliseconds until Poll has something timed to do; never while there is no
  // connection (a new one wakes the loop through the transport's descriptor).
  uint32_t MsUntilDue(uint32_t now) const;
  // Before a clean stop: every device it follows "offline" (retained), so that none
  // shows as there while the daemon is not.
  void Goodbye();

  void OnOnline(const tRO500 &record) override;
  void OnOffline(const tRO500 &record) override;
  void OnStatusLine(const tRO500 &record, const std::string &line) override;
  void OnFault(const tRO500 &record, const std::string &line) override;

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
    uint64_t stateAt = 0;   // when it was sent (clock_)
    uint64_t seenAt = 0;    // the last time the device was there (online)
    bool present = true;    // in its registry at the last look
  };

  // The entry of kind/key, made when new (null when kMaxDevices are followed), with the
  // identity the device list has for source.
  tEntry *Follow(const std::string &kind, const std::string &key, const std::string &name,
                 int source);
  // Makes room for one more entry: the device away the longest is forgotten (in memory
  // only). False when every device followed is there.
  bool MakeRoom();
  tEntry *Charger(const tRO500 &record);
  tEntry *Battery(const tBattery &battery);
  tEntry *Find(const std::string &id);
  tIdentity IdentityAt(int source, const tIdentity &known) const;
  // The identity the device list has for source now; a changed one sends discovery again.
  void SetIdentity(tEntry &e, int source);
  void Publish(tEntry &e, const std::string &state);
  void SendDiscovery(tEntry &e);
  tDiscoveryDevice Discovery(const tEntry &e) const;
  void Remove(tEntry &e);
  // <prefix>/<router id>/<id>/<leaf>
  std::string Topic(const std::string &id, const char *leaf) const;
  bool Send(const std::string &topic, const std::string &payload, bool retain);

  const tMqttSettings &settings_;
  tMqttTransport &transport_;
  const tDevices &devices_;
  const tBatteries &batteries_;
  const tDeviceDirectory &deviceList_;
  std::string routerId_, routerModel_, routerVersion_;
  std::string base_;
  std::map<std::string, tEntry> entries_;
  bool routerDiscoverySent_ = false;
  // Milliseconds since the first Poll, in 64 bits: a horizon of days outlasts the
  // 32-bit clock's 49.7 days.
  uint64_t clock_ = 0;
  uint32_t lastNow_ = 0;
  bool started_ = false;
  uint32_t lastTick_ = 0;
  bool ticked_ = false;
};

#endif
