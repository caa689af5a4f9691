// The node's traffic echo: one readable line per frame or message.
#include <cstdio>

#include "NMEA2000.h"

namespace {
// Appends at most what fits; returns the new length, never past size - 1.
size_t Append(char *buf, size_t size, size_t len, const char *fmt, unsigned v) {
  if (len + 1 >= size) return len;
  int n = std::snprintf(buf + len, size - len, fmt, v);
  if (n < 0) return len;
  len += static_cast<size_t>(n);
  return len < size ? len : size - 1;
}
}  // namespace

// "rx 18EEFF23 [8] 00 11 22 33 44 55 66 77"
void tNMEA2000::EchoFrame(const char *dir, const tCanFrame &frame) {
  if (echoStream_ == nullptr) return;
  char line[64];
  int n = std::snprintf(line, sizeof(line), "%s %08X [%u]", dir, static_cast<unsigned>(frame.id),
                        static_cast<unsigned>(frame.len));
  size_t len = n > 0 ? static_cast<size_t>(n) : 0;
  for (int i = 0; i < frame.len && i < kCanMaxDataLen; i++)
    len = Append(line, sizeof(line), len, " %02X", frame.data[i]);
  echoStream_->println(line);
}

// "rx pri=6 pgn=127508 src=35 dst=255 len=8 00 11 ..."
void tNMEA2000::EchoMessage(const char *dir, const tN2kMsg &msg) {
  if (echoStream_ == nullptr) return;
  char line[64 + 3 * kN2kMaxDataLen];
  int n =
      std::snprintf(line, sizeof(line), "%s pri=%u pgn=%lu src=%u dst=%u len=%d", dir,
                    static_cast<unsigned>(msg.Priority), msg.PGN, static_cast<unsigned>(msg.Source),
                    static_cast<unsigned>(msg.Destination), msg.DataLen);
  size_t len = n > 0 ? static_cast<size_t>(n) : 0;
  for (int i = 0; i < msg.DataLen && i < kN2kMaxDataLen; i++)
    len = Append(line, sizeof(line), len, " %02X", msg.Data[i]);
  echoStream_->println(line);
}
