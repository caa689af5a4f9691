// tRO500: one RO500 charger on the bus, as the registry keeps it: who it is, whether
// its heartbeat is still heard, and the two parts that do the work: the bridge of its
// terminal to its virtual serial port (TerminalBridge.h) and the model of its status
// lines, fed by what it sends and by bus messages (StatusModel.h).
//
// The parts point into themselves and at each other: the record is never copied or
// moved.
#ifndef DEVICES_RO500_H
#define DEVICES_RO500_H

#include <cstdint>

#include "Console.h"
#include "DeviceEvents.h"
#include "MsgSender.h"
#include "RunSettings.h"
#include "StatusModel.h"
#include "TerminalBridge.h"

class tRO500 {
 public:
  static constexpr uint32_t kHeartbeatTimeoutMs = 1500;

  // settings (local echo, status updates, log limit), bus and console outlive the record.
  // Its status timing starts at now.
  tRO500(int canAddr, const tRunSettings &settings, tMsgSender &bus, tConsole &console,
         uint32_t now);
  virtual ~tRO500() = default;
  tRO500(const tRO500 &) = delete;
  tRO500 &operator=(const tRO500 &) = delete;

  int CanAddr() const { return bridge_.CanAddr(); }
  int UniqueNumber() const { return uniqueNumber_; }
  void SetUniqueNumber(int unique) { uniqueNumber_ = unique; }
  // From the software version; only logged.
  int Version() const { return version_; }
  void SetVersion(int version) { version_ = version; }
  // Who hears of each filed status line and fault (none: nobody); it outlives the record.
  void SetEvents(tDeviceEvents *events) { model_.SetEvents(events, *this); }

  // A heartbeat heard at now.
  void markAlive(uint32_t now);
  // Fewer than 1500 ms from the last heartbeat to now.
  bool isAlive(uint32_t now) const;
  // One pass at now: terminal pacing, port input, port output, status output (when on).
  void poll(uint32_t now);
  // Milliseconds from now until the earliest of the record's timers is due (0 when
  // one is due now): the bridge's, the status tick or the suspension timeout (status
  // updates on), the heartbeat limit.
  uint32_t MsUntilDue(uint32_t now) const;

  tTerminalBridge &Bridge() { return bridge_; }
  const tTerminalBridge &Bridge() const { return bridge_; }
  tStatusModel &Model() { return model_; }
  const tStatusModel &Model() const { return model_; }

 private:
  const tRunSettings &settings_;
  tTerminalBridge bridge_;
  tStatusModel model_;
  int uniqueNumber_ = 0;
  int version_ = 0;
  uint32_t lastHeartbeat_ = 0;
};

#endif
