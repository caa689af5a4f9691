// The simulator's side of the link to the device under test, behind one interface:
// a LAWICEL serial line (the simulator plays the USB-CAN adapter) or a SocketCAN
// interface (the simulator is one more station on it). Never blocks.
#ifndef SIM_SIMLINK_H
#define SIM_SIMLINK_H

#include <memory>
#include <string>

#include "CanTransport.h"

class tSimLink {
 public:
  virtual ~tSimLink() = default;
  virtual bool Open() = 0;
  // Descriptor to poll, or -1.
  virtual int Fd() const = 0;
  // Output waits for the descriptor to become writable.
  virtual bool WantsWrite() const = 0;
  // Frames can flow: the LAWICEL channel is open, the socket is bound.
  virtual bool Ready() const = 0;
  // As tCanTransport: kOk frame read / written, kNone nothing now / try later,
  // kError this frame was refused (e.g. channel closed), kGone the link is lost.
  virtual tCanIo Receive(tCanFrame &frame) = 0;
  virtual tCanIo Send(const tCanFrame &frame) = 0;
  // After kGone: tries to get the link back. True when it may work again.
  virtual bool Reconnect() = 0;
  // Writes text and '\r' as they are (serial links only). False when not possible.
  virtual bool SendRawLine(const std::string &text) = 0;
  // The adapter closes its channel as after a power loss, the line staying open
  // (LAWICEL links only). False when the link has no adapter.
  virtual bool ResetAdapter() { return false; }
  // The interface name the log uses by default.
  virtual const char *DefaultIfName() const = 0;
  virtual const char *Describe() const = 0;
};

// A name starting with '/' is a tty for LAWICEL, anything else a SocketCAN interface.
// The link is not opened yet.
std::unique_ptr<tSimLink> MakeSimLink(const std::string &port);
std::unique_ptr<tSimLink> MakeLawicelSimLink(const std::string &path);
std::unique_ptr<tSimLink> MakeSocketCanSimLink(const std::string &ifname);
// A SocketCAN link on a descriptor that already carries struct can_frame (see
// tSocketCanTransport::Adopt), already open; for tests. Null when fd < 0.
std::unique_ptr<tSimLink> MakeSocketCanSimLinkOnFd(int fd, const std::string &ifname);

// A LAWICEL link on a new pty pair; peerPath receives the node's end. Null on failure.
// For tests that run a node and the simulator in one process.
std::unique_ptr<tSimLink> MakeSimLinkOnNewPty(std::string &peerPath);

#endif
