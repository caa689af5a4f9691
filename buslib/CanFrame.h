// A raw CAN frame and its 29-bit identifier (J1939 / NMEA 2000 / RV-C layout):
//   bits 28-26 priority, 25 reserved (0), 24 data page, 23-16 PDU format (PF),
//   15-8 PDU specific (destination when PF < 240, else group extension), 7-0 source.
// Example: address claim, priority 6, source 0x23, to global = 0x18EEFF23.
#ifndef BUSLIB_CANFRAME_H
#define BUSLIB_CANFRAME_H

#include <cstdint>

constexpr uint32_t kCanIdMask = 0x1fffffff;
constexpr int kCanMaxDataLen = 8;

class tCanId {
 public:
  tCanId() : id_(0) {}
  explicit tCanId(uint32_t raw) : id_(raw & kCanIdMask) {}

  // For a PDU1 PGN (PF < 240) the destination replaces the PGN's low byte;
  // for PDU2 the destination is ignored.
  static tCanId Make(uint8_t priority, uint32_t pgn, uint8_t destination, uint8_t source) {
    uint32_t p = pgn & 0x3ffff;
    if (IsPdu1(p)) p = (p & 0x3ff00) | destination;
    return tCanId(((static_cast<uint32_t>(priority) & 7) << 26) | (p << 8) | source);
  }

  uint32_t Raw() const { return id_; }
  uint8_t Priority() const { return (id_ >> 26) & 7; }
  uint8_t Source() const { return id_ & 0xff; }
  uint8_t PduFormat() const { return (id_ >> 16) & 0xff; }
  // PGN with the destination byte cleared for PDU1.
  uint32_t PGN() const {
    uint32_t p = (id_ >> 8) & 0x3ffff;
    return IsPdu1(p) ? (p & 0x3ff00) : p;
  }
  uint8_t Destination() const {
    uint32_t p = (id_ >> 8) & 0x3ffff;
    return IsPdu1(p) ? (p & 0xff) : 0xff;
  }
  static bool IsPdu1(uint32_t pgn) { return ((pgn >> 8) & 0xff) < 240; }

 private:
  uint32_t id_;
};

struct tCanFrame {
  uint32_t id = 0;  // 29-bit identifier
  uint8_t len = 0;  // 0..8
  uint8_t data[kCanMaxDataLen] = {0};

  tCanId Id() const { return tCanId(id); }
};

#endif
