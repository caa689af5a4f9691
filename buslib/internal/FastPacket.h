// NMEA 2000 fast packets: a message of up to 223 bytes in up to 32 frames.
// Frame byte 0: bits 7-5 sequence id (same in all frames of one message),
// bits 4-0 frame counter. Frame 0: byte 1 = total length, bytes 2-7 = data 0-5;
// frame k: bytes 1-7 = data 6+7(k-1) ... Example, 11 bytes d0..d10, sequence 2:
//   40 0B d0 d1 d2 d3 d4 d5 / 41 d6 d7 d8 d9 d10 FF FF
#ifndef BUSLIB_FASTPACKET_H
#define BUSLIB_FASTPACKET_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "CanFrame.h"
#include "N2kMsg.h"
#include "N2kStats.h"

constexpr int kFastPacketMaxFrames = 32;
// Longest silence between two frames of one message before it is given up.
constexpr uint32_t kFastPacketTimeoutMs = 750;

// Number of frames a fast-packet message of dataLen bytes needs (1 for 0..6 bytes).
int FastPacketFrameCount(int dataLen);

// Splits msg into frames (identifier from msg priority, PGN, destination and the given
// source). Unused bytes of the last frame are 0xFF. Returns the number of frames
// written, or 0 when msg.DataLen is out of range or maxFrames is too small.
int FastPacketEncode(const tN2kMsg &msg, uint8_t sequence, uint8_t source, tCanFrame *frames,
                     int maxFrames);

// Puts fast packets back together, per sender and PGN, in a fixed number of buffers.
// Frames must arrive in order: a skipped frame drops the message, a repeated frame is
// ignored, and a message whose next frame does not come within kFastPacketTimeoutMs
// is dropped.
class tFastPacketAssembler {
 public:
  enum class tResult { kPending, kComplete, kDropped };

  explicit tFastPacketAssembler(size_t slots = 8);
  // Feeds one frame of a fast-packet PGN; on kComplete, out holds the message.
  tResult Add(const tCanFrame &frame, uint32_t now, tN2kMsg &out);
  // Frees buffers whose message has stalled.
  void Expire(uint32_t now);
  size_t InUse() const;
  const tFastPacketStats &Stats() const { return stats_; }

 private:
  struct tSlot {
    bool used = false;
    uint8_t source = 0;
    uint32_t pgn = 0;
    uint8_t sequence = 0;
    uint8_t priority = 0;
    uint8_t destination = 0;
    uint8_t nextFrame = 0;
    int length = 0;
    int received = 0;
    uint32_t lastTime = 0;
    uint8_t data[kN2kMaxDataLen];
  };
  tSlot *Find(uint8_t source, uint32_t pgn);
  tSlot *Allocate(uint32_t now);
  static void Deliver(const tSlot &slot, uint32_t now, tN2kMsg &out);

  std::unique_ptr<tSlot[]> slots_;
  size_t count_;
  tFastPacketStats stats_;
};

#endif
