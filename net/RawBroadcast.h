// RAW UDP broadcast of NMEA 2000 messages: each frame of a message as one RAW line
// (RawLines.h), each line as one datagram to every broadcast-capable entry of the
// interface list (RawLink.h). Two forms, each on its own port and off while that port is
// -1: the gateway form (-p) and the received form with the time of day (-P).
#ifndef NET_RAWBROADCAST_H
#define NET_RAWBROADCAST_H

#include <cstdint>

#include "Console.h"
#include "MsgForwarder.h"
#include "N2kMsg.h"
#include "NMEA2000.h"
#include "RawLines.h"
#include "RawLink.h"
#include "RunSettings.h"
#include "Runtime.h"

// The interface list, kept between messages: reading it costs about as much as
// sending a message's datagrams, so it is read again only when kRefreshMs have passed
// since the last read. Interfaces that come and go are followed within that time.
class tRawTargets {
 public:
  static constexpr uint32_t kRefreshMs = 2000;
  // Entries kept; a router has a few interfaces, each listed once per address family.
  static constexpr int kMaxTargets = 64;

  // The destinations at now (the loop pass's time); false when the list cannot be read.
  bool Get(tRawLink &link, uint32_t now);
  const uint32_t *Targets() const { return targets_; }
  int Count() const { return count_; }
  // The next Get reads the list again.
  void Forget() { valid_ = false; }

 private:
  uint32_t targets_[kMaxTargets];
  int count_ = 0;
  bool valid_ = false;
  uint32_t readAt_ = 0;
};

// The RAW lines of the process: the link, its interface list, the UDP ports and the
// node whose address the lines carry. The handlers' forwarder.
class tRawBroadcast : public tMsgForwarder {
 public:
  // link, node, settings, clock (the time of day of the received form) and console
  // outlive it; a UDP port of -1 leaves it off.
  tRawBroadcast(tRawLink &link, const tNMEA2000 &node, const tRunSettings &settings,
                tRuntime &clock, tConsole &console)
      : link_(link), node_(node), settings_(settings), clock_(clock), console_(console) {}

  // Broadcasts msg as RAW lines with the node's current source address in the
  // identifier, in each form that is on (the received form stamped clock.TimeMs()); the
  // interface list is read again when kRefreshMs have passed by now.
  // Does nothing while both are off; a socket that cannot be made or an interface list
  // that cannot be read drops the message silently. At debug level 4 and up each line
  // is logged ("PackNSendRAW1(%d): %s" for a single frame, "PackNSendRAW2(%d):%d %s"
  // with the frame counter for a fast packet).
  void ForwardMsg(const tN2kMsg &msg, uint32_t now) override;
  // Datagrams the link could not send, since the start.
  uint64_t Dropped() const { return dropped_; }
  // The next message reads the interface list again.
  void ForgetTargets() { targets_.Forget(); }

 private:
  tRawLink &link_;
  const tNMEA2000 &node_;
  const tRunSettings &settings_;
  tRuntime &clock_;
  tConsole &console_;
  // The lines of one form to every target at port.
  void SendLines(const tN2kMsg &msg, int port);

  tRawTargets targets_;
  tRawLines lines_;  // 2.6 kB, built once per message and form
  uint64_t dropped_ = 0;
};

#endif
