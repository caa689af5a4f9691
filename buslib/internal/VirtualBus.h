// An in-memory CAN bus: every frame written by one port is delivered to every other
// port, as on a wire (a sender does not hear itself). The library's unit tests run real
// nodes against each other on it with a fake clock, and the simulator's nodes sit on it.
#ifndef BUSLIB_VIRTUALBUS_H
#define BUSLIB_VIRTUALBUS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CanTransport.h"
#include "FrameQueue.h"

class tVirtualBus;

// One attachment to the bus. The node that opens it owns it (tNMEA2000 deletes its
// transport); deleting a port detaches it.
class tVirtualBusPort : public tCanTransport {
 public:
  static constexpr size_t kQueueFrames = 4096;

  explicit tVirtualBusPort(tVirtualBus &bus);
  ~tVirtualBusPort() override;

  bool Open() override;
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  tCanIo Read(tCanFrame &frame) override;
  tCanIo Write(const tCanFrame &frame) override;
  int Fd() const override { return -1; }
  const tCanTransportStats &Stats() const override { return stats_; }

  // Makes the port act as if its link were gone (Read/Write report kGone, Open fails).
  void SetLinkDown(bool down) { down_ = down; }
  size_t Pending() const { return rx_.Size(); }

 private:
  friend class tVirtualBus;
  void Deliver(const tCanFrame &frame);

  tVirtualBus *bus_;
  tFrameQueue rx_;
  bool open_ = false;
  bool down_ = false;
  tCanTransportStats stats_;
};

class tVirtualBus {
 public:
  // Sees every frame that crosses the bus, with the port it came from (null: injected).
  class tTap {
   public:
    virtual ~tTap() = default;
    virtual void OnFrame(const tCanFrame &frame, const tVirtualBusPort *from) = 0;
  };

  tVirtualBus() = default;
  ~tVirtualBus();
  tVirtualBus(const tVirtualBus &) = delete;
  tVirtualBus &operator=(const tVirtualBus &) = delete;

  // Delivers a frame to every open port except from.
  void Send(const tCanFrame &frame, const tVirtualBusPort *from);
  void SetTap(tTap *tap) { tap_ = tap; }
  size_t Ports() const { return ports_.size(); }

 private:
  friend class tVirtualBusPort;
  void Attach(tVirtualBusPort *port);
  void Detach(tVirtualBusPort *port);

  std::vector<tVirtualBusPort *> ports_;
  tTap *tap_ = nullptr;
};

#endif
