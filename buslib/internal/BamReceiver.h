// Reception of ISO 11783 / J1939 transport-protocol broadcasts (BAM), which RV-C uses
// for long messages such as PRODUCT_ID:
//   TP.CM (PGN 60416) to 255: 20 <size lo> <size hi> <packets> FF <pgn lo> <pgn mid> <pgn hi>
//   TP.DT (PGN 60160) to 255: <seq 1..n> <7 data bytes, unused FF>
// One session per sender; a new announcement replaces an unfinished one.
#ifndef BUSLIB_BAMRECEIVER_H
#define BUSLIB_BAMRECEIVER_H

#include <cstddef>
#include <cstdint>

#include "CanFrame.h"
#include "N2kMsg.h"
#include "N2kStats.h"

// Longest gap between two packets of one broadcast (J1939 T1).
constexpr uint32_t kBamTimeoutMs = 750;
constexpr uint8_t kTpControlBam = 0x20;

class tBamReceiver {
 public:
  enum class tResult { kPending, kComplete, kDropped };
  static constexpr size_t kSessions = 8;

  // TP.CM frame (any destination; only BAM to 255 starts a session).
  tResult HandleControl(const tCanFrame &frame, uint32_t now);
  // TP.DT frame; on kComplete, out holds the message with the announced PGN.
  tResult HandleData(const tCanFrame &frame, uint32_t now, tN2kMsg &out);
  void Expire(uint32_t now);
  const tBamStats &Stats() const { return stats_; }

 private:
  struct tSession {
    bool used = false;
    uint8_t source = 0;
    uint8_t priority = 0;
    uint32_t pgn = 0;
    int size = 0;
    uint8_t packets = 0;
    uint8_t next = 1;
    uint32_t lastTime = 0;
    uint8_t data[kN2kMaxDataLen];
  };
  tSession *Find(uint8_t source);

  tSession sessions_[kSessions];
  tBamStats stats_;
};

#endif
