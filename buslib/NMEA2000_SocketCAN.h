// The node on a named CAN port: a plain interface name ("can0", "vcan0") is a
// SocketCAN interface; a name that starts with '/' is a tty with a serial-line
// (LAWICEL) CAN adapter behind it. The class keeps its SocketCAN name, which the
// daemon knows it by, for both.
#ifndef BUSLIB_NMEA2000_SOCKETCAN_H
#define BUSLIB_NMEA2000_SOCKETCAN_H

#include "NMEA2000.h"

class tNMEA2000_SocketCAN : public tNMEA2000 {
 public:
  static constexpr size_t kPortNameSize = 128;

  explicit tNMEA2000_SocketCAN(const char *CANport = "can0");
  // Replaces the port name; only before Open. A name longer than kPortNameSize - 1 is
  // refused and leaves no port at all, so that Open() fails rather than open can0 or
  // a cut name, which would be another device.
  bool SetCANport(const char *CANport);
  const char *CANport() const { return port_; }

 protected:
  tCanTransport *CreateTransport() override;

 private:
  char port_[kPortNameSize];
};

#endif
