// RAW text lines: one line per CAN frame of a message, in two forms.
//
// The gateway form (-p), as a network gateway takes lines to put frames onto another
// bus: the 29-bit identifier in lower-case hex ("%02x": no leading zeros, so priorities
// 0 to 3 give fewer than 8 digits), then each data byte as a blank and two hex digits,
// then CR LF. No time stamp, no direction letter.
//
//   priority 6, PGN 127513, source 0x23, ten bytes b0..b9 (a fast packet):
//   "19f21923 00 0a b0 b1 b2 b3 b4 b5\r\n"
//   "19f21923 01 b6 b7 b8 b9\r\n"
//
// The received form (-P), as such a gateway sends what it receives, and as boat
// software on the LAN (Signal K, canboat) reads it: the time of day in UTC with
// milliseconds, "R", the identifier as 8 upper-case hex digits, the bytes in upper case.
//
//   the same message at 13:05:09.042 UTC:
//   "13:05:09.042 R 19F21923 00 0A B0 B1 B2 B3 B4 B5\r\n"
//   "13:05:09.042 R 19F21923 01 B6 B7 B8 B9\r\n"
#ifndef NET_RAWLINES_H
#define NET_RAWLINES_H

#include <cstddef>
#include <cstdint>

#include "N2kMsg.h"

// A fast packet of 223 bytes takes 32 frames.
constexpr int kRawMaxLines = 32;
// Longest line: a time of 12 characters, " R ", 8 digits, 8 bytes of 3 characters,
// CR LF = 49 characters.
constexpr size_t kRawLineSize = 80;
constexpr uint32_t kRawMsPerDay = 86400000;

struct tRawLines {
  int count = 0;
  bool fastPacket = false;  // split as a fast packet (even into one line)
  int length[kRawMaxLines];
  char text[kRawMaxLines][kRawLineSize];  // NUL-terminated; length excludes the NUL
};

// ((priority << 26) AND 0x1C000000) OR (PGN << 8) OR source: the source is the
// forwarding node's own, and the destination of a PDU1 message is not put in.
uint32_t RawIdentifier(unsigned char priority, unsigned long pgn, uint8_t source);

// The lines of msg, as sent by source. A message of at most 8 bytes whose PGN is not
// a fast-packet one is one line. Any other is split as a fast packet: n = (L - 7) / 7
// + 2 lines (integer division toward zero) for L data bytes; line k starts with the
// frame counter k (sequence bits 0), line 0 then with L itself, and each line takes
// data bytes until it holds 8 bytes or the data runs out; lines are not padded.
// So 0 bytes give one line with the counter only, and 1 to 6 bytes give a second
// line with the counter 01 and nothing else. Returns the number of lines.
int FormatRawLines(const tN2kMsg &msg, uint8_t source, tRawLines &out);
// The same lines in the received form, stamped msOfDay (milliseconds since midnight
// UTC; whole days are dropped).
int FormatTimedRawLines(const tN2kMsg &msg, uint8_t source, uint32_t msOfDay, tRawLines &out);

#endif
