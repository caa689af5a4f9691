// tDevices: the registry of RO500 chargers found on the bus, by CAN source address.
//
// The device-list scan hands it each RO500 it does not know (Add); the registry opens
// the charger's port and log file, announces it ONLINE on the port and polls it once a
// loop pass. RV-C charger status 2 messages are the charger's heartbeat: one that has
// been silent for 1500 ms is announced OFFLINE, removed, and the bus device list is
// rebuilt so that the charger is found again as new when it returns. A charger that
// stays on the bus without a heartbeat is not registered again by the scan that finds
// it (that would flap ONLINE/OFFLINE every 1500 ms): it waits, silent, until its
// heartbeat is heard again, which asks for a new scan. Message handlers reach a
// charger's record by the sender's address (Find and the Update operations).
//
// The registry reads no clock: every operation that starts or checks a timer is told
// now, the time of the loop pass it runs in.
#ifndef DEVICES_DEVICES_H
#define DEVICES_DEVICES_H

#include <poll.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "Console.h"
#include "DeviceDirectory.h"
#include "MsgSender.h"
#include "RO500.h"
#include "RunSettings.h"
#include "TtyAssignment.h"

class tDevices : public tTtyRequester {
 public:
  // A gap between two polls this long means the loop was held up, not the chargers.
  static constexpr uint32_t kStallMs = 2 * tRO500::kHeartbeatTimeoutMs;

  // Everything the registry works with comes from its owner and outlives it: the run
  // settings (log folder, echo, status lines, log limit), where a new charger's port
  // comes from, the bus device list (rebuilt after a dead charger), the bus and the
  // console.
  tDevices(const tRunSettings &settings, tTtyAssigner &ttys, tDeviceDirectory &deviceList,
           tMsgSender &bus, tConsole &console);
  // Who hears of chargers coming and going and of their status lines (none: nobody);
  // it outlives the registry. Records made before keep none.
  void SetEvents(tDeviceEvents *events) { events_ = events; }
  virtual ~tDevices();
  tDevices(const tDevices &) = delete;
  tDevices &operator=(const tDevices &) = delete;

  // The record at this address, or null; valid until that record is removed.
  tRO500 *Find(int canAddr);
  // The address of the record with this unique number, or -1.
  int FindUniqueNumber(int uniqueNumber) const;
  // Registers a charger (nothing happens when the address is known, or the charger
  // waits for its port): asks the tty assigner for its port, and once the answer comes
  // (TtyAssigned), in the order the chargers were found, makes its record: the port in
  // raw mode, "$RAS:@" queued, log file "<logdir>/RO500-<unique>:<model ID>.log" (each
  // '/' of the model ID made '_') when a log directory is set, "RO500 #<unique>
  // ONLINE\n" on the port. A charger that moves to another address meanwhile gets its
  // record there. Returns the record, or null while it waits.
  tRO500 *Add(int canAddr, int uniqueNumber, const char *swVersion, const char *modelId,
              uint32_t now);
  // The tty assigner's answer for a waiting charger (others are ignored).
  void TtyAssigned(int uniqueNumber, const std::string &tty, uint32_t now) override;
  // Chargers waiting for their port.
  size_t Waiting() const { return waiting_.size(); }
  // Marks the charger at this address alive. From a charger that was dropped for its
  // silence, it asks for a new scan (ReadResetRescan) instead.
  void heartbeat(int canAddr, uint32_t now);
  // Polls every record; the first one found dead is removed, remembered as silent, the
  // device list rebuilt, and the pass ends there. After a gap of kStallMs or more since
  // the last poll every charger is marked alive first.
  void poll(uint32_t now);
  // Whether the charger with this unique number was dropped at this address for its
  // silence and has not sent a heartbeat since: the scan leaves it unregistered. An
  // entry for another charger at the address is forgotten.
  bool IsSilent(int canAddr, int uniqueNumber);
  // Whether a silent charger's heartbeat came since the last call: the device list may
  // not change again, so the scan must look at it anyway.
  bool ReadResetRescan();
  // "RO500 #<unique> OFFLINE\n" on the port, then the record is destroyed (its port
  // and log file closed). Unknown addresses do nothing.
  void Remove(int canAddr);
  // Destroys every record (ports and log files closed) without an OFFLINE line, and
  // forgets the chargers waiting for a port: for a clean stop of the daemon.
  void Clear();
  size_t Count() const { return records_.size(); }
  // Calls f(const tRO500 &) for every record.
  template <typename tVisit>
  void ForEach(tVisit f) const {
    for (const auto &entry : records_) f(entry.second);
  }
  // The port numbers of the records' ports (/dev/tnt<n>), for the tty assignment.
  std::vector<int> PortsInUse() const override;
  // Bytes the ports did not take, over the records there are now and were.
  uint64_t PortBytesDropped() const;

  // For the loop's wait. Appends {fd, POLLIN} for every open port that is not resting
  // and returns how many it appended (at most room).
  int AddPollFds(struct pollfd *fds, int room) const;
  // After the wait: which of those descriptors have input (or hung up). From then on
  // a port is read only when its wait said so, or after its rest.
  void NoteReady(const struct pollfd *fds, int count);
  // Milliseconds until the earliest timer of any record is due: 50 ms terminal
  // pacing while a text is being sent; with status updates on, the 1000 ms status
  // tick, or while output is suspended the timeout (due once more than 20000 ms have
  // passed since the last tick); the 1500 ms heartbeat limit; the end of a port's
  // 1000 ms rest (or the next try to open a port that is missing). 0 when something
  // is due now, UINT32_MAX when there are no records. Elapsed times by unsigned 32-bit
  // difference.
  uint32_t MsUntilDue(uint32_t now) const;

  // The values of one bus message, to the record at the address (none: no effect):
  // whatever tStatusModel::Update takes. A new message's values need an overload
  // there, nothing here.
  template <typename tValues>
  void Update(int canAddr, const tValues &values) {
    if (tRO500 *r = Find(canAddr)) r->Model().Update(values);
  }
  // A configuration may queue a command, paced from now.
  void Update(int canAddr, const tChargerConfig &config, uint32_t now) {
    if (tRO500 *r = Find(canAddr)) r->Model().Update(config, now);
  }
  // AST fields 13, 3 and 11 of a registered charger; false (outputs untouched) otherwise.
  bool GetBatStat(int canAddr, double &voltage, double &current, double &temperature);

 private:
  struct tAddressHash {
    size_t operator()(int key) const { return static_cast<size_t>(key); }
  };
  const tRunSettings &settings_;
  tTtyAssigner &ttys_;
  tDeviceDirectory &deviceList_;
  tMsgSender &bus_;
  tConsole &console_;
  tDeviceEvents *events_ = nullptr;
  std::unordered_map<int, tRO500, tAddressHash> records_;
  // Chargers found whose port the assigner has not answered yet, by unique number.
  struct tWaiting {
    int canAddr;
    std::string swVersion;
    std::string modelId;
  };
  std::unordered_map<int, tWaiting, tAddressHash> waiting_;
  // Chargers dropped for their silence, by address: their unique numbers. At most one
  // per address of the bus.
  std::unordered_map<int, int, tAddressHash> silent_;
  bool rescan_ = false;
  bool polled_ = false;
  uint32_t lastPoll_ = 0;
  uint64_t droppedByGone_ = 0;  // bytes records dropped before they were removed
  int spinner_ = 0;             // the console's turning bar, one step per heartbeat of any charger
};

// "RODE2.1.5-beta7" -> "215": "RODE" and every "." removed, then everything from the
// first "-" on.
std::string VersionText(const std::string &softwareVersion);

#endif
