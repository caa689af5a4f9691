// Counters the node keeps about what it received: how its fast-packet and BAM
// reassembly went. Read them through tNMEA2000::FastPacketStats() and BamStats().
#ifndef BUSLIB_N2KSTATS_H
#define BUSLIB_N2KSTATS_H

#include <cstdint>

// Fast packets: NMEA 2000 messages of up to 223 bytes in up to 32 frames.
struct tFastPacketStats {
  uint32_t completed = 0;
  uint32_t badLength = 0;   // announced length over 223, or a frame too short for its place
  uint32_t lostFrames = 0;  // a frame counter was skipped: message dropped
  uint32_t repeated = 0;    // a frame counter seen again: frame ignored
  uint32_t orphans = 0;     // a later frame without its first frame
  uint32_t noSlot = 0;      // every reassembly buffer busy
  uint32_t timeouts = 0;
};

// ISO transport-protocol broadcasts (BAM), as RV-C sends long messages.
struct tBamStats {
  uint32_t completed = 0;
  uint32_t badAnnounce = 0;  // size/packet count disagree, size 0 or over 223 bytes
  uint32_t sequenceErrors = 0;
  uint32_t orphans = 0;  // data without an announcement
  uint32_t timeouts = 0;
  uint32_t noSlot = 0;
  uint32_t ignored = 0;  // connection-mode traffic (RTS/CTS) this node does not take part in
};

#endif
