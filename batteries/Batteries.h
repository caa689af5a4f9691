// tBatteries: the registry of DC sources (batteries) that send RV-C DC source status
// messages, one tBattery record per CAN source address.
//
// A battery is a DC instance that a node reports. It is registered by the first status
// message of its instance from its address, once the bus device list knows the node
// there with a non-zero unique number and manufacturer code; until then its messages
// are dropped. A monitor of a house and a starter battery reports two instances from
// one address: each has its record, its values and its log file, and the values of
// one never reach the other. The record keeps the device priority of its first
// message. Registration opens its log file in the log directory (see
// BatteryLogPath.h): the first instance of an address gets the plain name, a later one
// a name with its instance. The main loop calls poll() once a pass and waits no longer
// than MsUntilDue() says: each record writes its DCS line every ten seconds. The
// registry reads no clock: it is told now, the time of the loop pass it runs in.
//
// Records are kept until the process ends, except when the address is found held by
// another node (another unique number or manufacturer code): that node's values must
// not land in the old node's files, so the old records are closed and the new node is
// registered afresh. At most kMaxRecords records (and open files): a bus holds 254
// addresses, and a node that claims to report every instance must not exhaust the
// router's descriptors.
#ifndef BATTERIES_BATTERIES_H
#define BATTERIES_BATTERIES_H

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "Battery.h"
#include "Console.h"
#include "DCSourceValues.h"
#include "DeviceDirectory.h"
#include "RunSettings.h"

class tBatteries {
 public:
  static constexpr size_t kMaxRecords = 256;

  // settings (log folder, log limit), the bus device list and the console outlive the
  // registry.
  tBatteries(const tRunSettings &settings, const tDeviceDirectory &deviceList, tConsole &console)
      : settings_(settings), deviceList_(deviceList), console_(console) {}
  virtual ~tBatteries() = default;
  tBatteries(const tBatteries &) = delete;
  tBatteries &operator=(const tBatteries &) = delete;

  // The record of this address and instance, registered now if need be (logging
  // "Found new Battery" and "Opened logfile" at debug level 4 and up); null when it
  // cannot be registered (yet). A new record keeps devPri of this call and starts its
  // line interval at now. The pointer is for immediate use only.
  tBattery *Add(int source, uint8_t instance, uint8_t devPri, uint32_t now);
  tBattery *Find(int source, uint8_t instance);
  // tBattery::poll on every record.
  void poll(uint32_t now);
  // The earliest record's next line: 0 when one is due, kN2kNeverDue (UINT32_MAX)
  // without records.
  uint32_t MsUntilDue(uint32_t now) const;
  // Destroys every record, closing its file: for a clean stop.
  void Clear();
  size_t Count() const { return records_.size(); }
  // Calls f(const tBattery &) for every record.
  template <typename tVisit>
  void ForEach(tVisit f) const {
    for (const auto &entry : records_) f(entry.second);
  }

  // The values of one DC source status message from source, heard at now: the battery
  // is registered first (nothing happens when it cannot be), then its record stores
  // them (whatever tBattery::Update takes; values in volts, amperes, degrees C, NaN = not
  // available). A new message's values need an overload there, nothing here.
  template <typename tValues>
  void Update(int source, const tValues &values, uint32_t now) {
    LogBeforeAdd(source, values);
    if (tBattery *b = Heard(source, values.instance, values.devPri, now)) b->Update(values);
  }

 private:
  struct tKeyHash {
    size_t operator()(int key) const { return static_cast<size_t>(key); }
  };
  static int Key(int source, uint8_t instance) { return (source & 0xff) << 8 | instance; }
  // Status 5 shows its values before the registration, also for a battery that cannot
  // be registered yet; the others show theirs once stored (tBattery::Update).
  void LogBeforeAdd(int source, const tDCSourceStatus5 &s);
  template <typename tValues>
  void LogBeforeAdd(int, const tValues &) {}
  // Add, for a status message: the record is stamped as heard at now.
  tBattery *Heard(int source, uint8_t instance, uint8_t devPri, uint32_t now);
  // Whether a record of the source is there already.
  bool HasSource(int source) const;
  // Closes the records of the source that belong to another node than d.
  void DropOtherNode(int source, const tN2kDeviceList::tDevice &d);
  void OpenLog(tBattery &b, bool firstOfSource, const char *modelId, const char *modelVersion,
               int product);

  const tRunSettings &settings_;
  const tDeviceDirectory &deviceList_;
  tConsole &console_;
  // Node-based: records stay where they are while the map grows. Keyed by Key().
  std::unordered_map<int, tBattery, tKeyHash> records_;
};

#endif
