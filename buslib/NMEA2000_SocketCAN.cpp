#include "NMEA2000_SocketCAN.h"

#include <cstring>

#include "LawicelTransport.h"
#include "SocketCanTransport.h"

tNMEA2000_SocketCAN::tNMEA2000_SocketCAN(const char *CANport) {
  port_[0] = 0;
  SetCANport(CANport);
}

bool tNMEA2000_SocketCAN::SetCANport(const char *CANport) {
  if (CANport == nullptr || IsOpen()) return false;
  size_t n = std::strlen(CANport);
  if (n >= sizeof(port_)) {
    port_[0] = 0;  // Open() then fails: a cut name would open another device
    return false;
  }
  std::memcpy(port_, CANport, n + 1);
  return true;
}

tCanTransport *tNMEA2000_SocketCAN::CreateTransport() {
  if (port_[0] == 0) return nullptr;
  if (port_[0] == '/') return new tLawicelTransport(port_);
  return new tSocketCanTransport(port_);
}
