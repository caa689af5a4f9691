// The daemon's loop parts, in the order of a pass: the CAN link (the bus library reads
// and handles everything pending; the handlers run inside), the stored address, the
// device-list scan, the RO500 ports, the battery lines, the drop figures, and last the
// frames the pass queued.
#ifndef APP_LOOPPARTS_H
#define APP_LOOPPARTS_H

#include "Batteries.h"
#include "CanAddress.h"
#include "CommandRunner.h"
#include "Console.h"
#include "DeviceList.h"
#include "Devices.h"
#include "LoopPart.h"
#include "NMEA2000.h"
#include "RawBroadcast.h"

// The commands beside the loop: their output and their ends, their time limits; who
// started them hears how they ended.
class tCommandsPart : public tLoopPart {
 public:
  explicit tCommandsPart(tCommandRunner &runner) : runner_(runner) {}
  const char *Name() const override { return "the commands"; }
  int PollFds(struct pollfd *fds, int room) override { return runner_.PollFds(fds, room); }
  void Ready(const struct pollfd *fds, int count) override { runner_.Ready(fds, count); }
  uint32_t MsUntilDue(uint32_t now) const override { return runner_.MsUntilDue(now); }
  void Pass(uint32_t now) override { runner_.Step(now); }

 private:
  tCommandRunner &runner_;
};

// The CAN link. On a busy bus frames arrive one by one; waking for each would cost
// more than handling it. So while frames come close together (a pass read several, or
// the one before read some too) the next wait leaves the link out for kLinkBatchMs, or
// kLinkBatchFullMs on a full bus (kFullBusFrames or more a pass), while the ports and
// timers still wake it; the pass after reads whatever came meanwhile. A lone frame on a
// quiet bus is answered at once.
class tLinkPart : public tLoopPart {
 public:
  static constexpr uint32_t kLinkBatchMs = 4;
  static constexpr uint32_t kLinkBatchFullMs = 8;
  static constexpr uint32_t kFullBusFrames = 8;

  // handlersNow is where the handlers the library calls find the pass's time (their
  // context's now); the part sets it before each parse.
  tLinkPart(tNMEA2000 &node, uint32_t &handlersNow) : node_(node), handlersNow_(handlersNow) {}
  const char *Name() const override { return "the CAN link"; }
  int PollFds(struct pollfd *fds, int room) override;
  uint32_t MsUntilDue(uint32_t now) const override;
  void Pass(uint32_t now) override;

 private:
  tNMEA2000 &node_;
  uint32_t &handlersNow_;
  uint32_t batchMs_ = 0;     // how long the next wait leaves the link out (0: not)
  bool readFrames_ = false;  // the last pass read frames
};

// The node's address claim followed, and a settled address stored.
class tAddressPart : public tLoopPart {
 public:
  tAddressPart(tNMEA2000 &node, tAddressKeeper &keeper) : node_(node), keeper_(keeper) {}
  const char *Name() const override { return "the CAN address store"; }
  uint32_t MsUntilDue(uint32_t now) const override { return keeper_.MsUntilDue(now); }
  void Pass(uint32_t now) override;

 private:
  tNMEA2000 &node_;
  tAddressKeeper &keeper_;
};

// New RO500s of the bus device list registered.
class tScanPart : public tLoopPart {
 public:
  tScanPart(tDeviceListHolder &list, tDevices &devices, tConsole &console)
      : list_(list), devices_(devices), console_(console) {}
  const char *Name() const override { return "the device-list scan"; }
  void Pass(uint32_t now) override;

 private:
  tDeviceListHolder &list_;
  tDevices &devices_;
  tConsole &console_;
};

// The RO500s' ports and timers.
class tDevicesPart : public tLoopPart {
 public:
  explicit tDevicesPart(tDevices &devices) : devices_(devices) {}
  const char *Name() const override { return "the RO500 ports"; }
  int PollFds(struct pollfd *fds, int room) override { return devices_.AddPollFds(fds, room); }
  void Ready(const struct pollfd *fds, int count) override { devices_.NoteReady(fds, count); }
  uint32_t MsUntilDue(uint32_t now) const override { return devices_.MsUntilDue(now); }
  void Pass(uint32_t now) override { devices_.poll(now); }

 private:
  tDevices &devices_;
};

// The batteries' DCS lines.
class tBatteriesPart : public tLoopPart {
 public:
  explicit tBatteriesPart(tBatteries &batteries) : batteries_(batteries) {}
  const char *Name() const override { return "the battery lines"; }
  uint32_t MsUntilDue(uint32_t now) const override { return batteries_.MsUntilDue(now); }
  void Pass(uint32_t now) override { batteries_.poll(now); }

 private:
  tBatteries &batteries_;
};

// What the ports and the RAW link dropped, on the console at debug level 2 and up:
// once a minute at most, and only when it grew.
class tDropsPart : public tLoopPart {
 public:
  static constexpr uint32_t kReportMs = 60000;

  tDropsPart(const tDevices &devices, const tRawBroadcast &raw, tConsole &console)
      : devices_(devices), raw_(raw), console_(console) {}
  const char *Name() const override { return "the drop figures"; }
  uint32_t MsUntilDue(uint32_t now) const override;
  void Pass(uint32_t now) override;

 private:
  const tDevices &devices_;
  const tRawBroadcast &raw_;
  tConsole &console_;
  uint32_t last_ = 0;
  bool started_ = false;
  uint64_t portBytes_ = 0;
  uint64_t datagrams_ = 0;
};

// What the pass queued (terminal chunks, say) goes out now, not a wait later.
class tFlushPart : public tLoopPart {
 public:
  explicit tFlushPart(tNMEA2000 &node) : node_(node) {}
  const char *Name() const override { return "the queued frames"; }
  void Pass(uint32_t) override {
    if (node_.PendingFrames() > 0) node_.SendPending();
  }

 private:
  tNMEA2000 &node_;
};

#endif
