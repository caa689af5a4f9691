// What the SocketCAN tests share: struct can_frame as the kernel lays it out, written
// here from the ABI so the tests do not lean on the header the transports use, and a
// socket pair that carries such records one per message, as a CAN raw socket does.
#ifndef TESTS_UNIT_CANSOCKETPAIR_H
#define TESTS_UNIT_CANSOCKETPAIR_H

#include <sys/socket.h>

#include <cstdint>

struct RawCanFrame {
  uint32_t canId;
  uint8_t len;
  uint8_t pad, res0, len8Dlc;
  uint8_t data[8];
};
static_assert(sizeof(RawCanFrame) == 16, "can_frame is 16 bytes");

// Flags in canId.
constexpr uint32_t kEff = 0x80000000u, kRtr = 0x40000000u, kErr = 0x20000000u;

// As socketpair(2): 0 with both ends in sv, else -1.
inline int CanSocketPair(int sv[2]) {
  return socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv);
}

#endif
