// CAN through a Linux SocketCAN interface ("can0", "vcan0"): a non-blocking CAN_RAW
// socket bound to the interface.
//
// Only extended data frames are passed up; standard, remote and error frames are
// dropped and counted in rxDropped. Frames go out with the extended-id flag.
// errno: ENETDOWN / ENODEV / ENXIO (interface down or deleted) give kGone, and the node
// then closes and reopens; EAGAIN / ENOBUFS (queue full) give kNone; anything else is
// kError, counted (rxDropped on reading, txErrors on writing).
// Open() looks the interface up by name each time, so it works again once a deleted
// interface has been re-created under a new index.
#ifndef BUSLIB_SOCKETCANTRANSPORT_H
#define BUSLIB_SOCKETCANTRANSPORT_H

#include <cstddef>

#include "CanTransport.h"

class tSocketCanTransport : public tCanTransport {
 public:
  // ifname: the interface name, copied. A name the kernel cannot hold (empty, or
  // kMaxNameLen characters or more) makes every Open() fail.
  explicit tSocketCanTransport(const char *ifname);
  ~tSocketCanTransport() override;
  tSocketCanTransport(const tSocketCanTransport &) = delete;
  tSocketCanTransport &operator=(const tSocketCanTransport &) = delete;

  // False when the kernel has no CAN support, the interface does not exist, or the
  // socket cannot be bound.
  bool Open() override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  tCanIo Read(tCanFrame &frame) override;
  tCanIo Write(const tCanFrame &frame) override;
  int Fd() const override { return fd_; }
  const tCanTransportStats &Stats() const override { return stats_; }

  // Takes ownership of a descriptor that already delivers one struct can_frame per
  // read (a CAN_RAW socket set up elsewhere, or a SOCK_SEQPACKET pair in tests); it is
  // made non-blocking. Any open descriptor is closed first. False when fd < 0.
  bool Adopt(int fd);

  static constexpr size_t kMaxNameLen = 16;  // IFNAMSIZ, terminator included

 private:
  char name_[kMaxNameLen];
  bool nameOk_;
  int fd_ = -1;
  bool everOpened_ = false;
  tCanTransportStats stats_;
};

#endif
