#include "RawLines.h"

#include <cstdio>

#include "N2kGroupMessages.h"

namespace {

constexpr int kFrameBytes = 8;
// Frame 0 of a fast packet: counter, length, six data bytes; later frames: counter,
// seven data bytes.
constexpr int kFastNextData = 7;
constexpr uint32_t kPriorityMask = 0x1C000000;
constexpr uint32_t kIdentifierMask = 0x1FFFFFFF;

const char kLowerHex[] = "0123456789abcdef";
const char kUpperHex[] = "0123456789ABCDEF";

// Appends one byte as " hh"; the caller keeps the line within its 49 characters.
void AppendByte(char *line, int &len, uint8_t b, const char *hex) {
  line[len++] = ' ';
  line[len++] = hex[b >> 4];
  line[len++] = hex[b & 0x0f];
}

void EndLine(char *line, int &len) {
  line[len++] = '\r';
  line[len++] = '\n';
  line[len] = 0;
}

}  // namespace

uint32_t RawIdentifier(unsigned char priority, unsigned long pgn, uint8_t source) {
  const uint32_t id = ((static_cast<uint32_t>(priority) << 26) & kPriorityMask) |
                      static_cast<uint32_t>(pgn << 8) | source;
  return id & kIdentifierMask;
}

namespace {

// The lines of msg, each the prefix (at most 24 characters) and the frame's bytes.
int FormatLines(const tN2kMsg &msg, const char *prefix, int prefixLen, const char *hex,
                tRawLines &out) {
  int dataLen = msg.DataLen;
  if (dataLen < 0) dataLen = 0;
  if (dataLen > kN2kMaxDataLen) dataLen = kN2kMaxDataLen;

  if (dataLen <= kFrameBytes && !IsDefaultFastPacketMessage(msg.PGN)) {
    char *line = out.text[0];
    int len = prefixLen;
    std::snprintf(line, kRawLineSize, "%s", prefix);
    for (int j = 0; j < dataLen; j++) AppendByte(line, len, msg.Data[j], hex);
    EndLine(line, len);
    out.length[0] = len;
    out.count = 1;
    out.fastPacket = false;
    return 1;
  }

  const int frames = (dataLen - kFastNextData) / kFastNextData + 2;
  int j = 0;
  for (int k = 0; k < frames && k < kRawMaxLines; k++) {
    char *line = out.text[k];
    int len = prefixLen;
    std::snprintf(line, kRawLineSize, "%s", prefix);
    AppendByte(line, len, static_cast<uint8_t>(k), hex);
    int bytes = 1;
    if (k == 0 && j < dataLen) {
      AppendByte(line, len, static_cast<uint8_t>(dataLen), hex);
      bytes++;
    }
    for (; bytes < kFrameBytes && j < dataLen; bytes++) AppendByte(line, len, msg.Data[j++], hex);
    EndLine(line, len);
    out.length[k] = len;
  }
  out.count = frames < kRawMaxLines ? frames : kRawMaxLines;
  out.fastPacket = true;
  return out.count;
}

}  // namespace

int FormatRawLines(const tN2kMsg &msg, uint8_t source, tRawLines &out) {
  char id[16];
  const int idLen = std::snprintf(
      id, sizeof(id), "%02x", static_cast<unsigned>(RawIdentifier(msg.Priority, msg.PGN, source)));
  return FormatLines(msg, id, idLen, kLowerHex, out);
}

int FormatTimedRawLines(const tN2kMsg &msg, uint8_t source, uint32_t msOfDay, tRawLines &out) {
  msOfDay %= kRawMsPerDay;
  const unsigned s = msOfDay / 1000;
  char prefix[32];
  const int prefixLen =
      std::snprintf(prefix, sizeof(prefix), "%02u:%02u:%02u.%03u R %08X", s / 3600, s / 60 % 60,
                    s % 60, static_cast<unsigned>(msOfDay % 1000),
                    static_cast<unsigned>(RawIdentifier(msg.Priority, msg.PGN, source)));
  return FormatLines(msg, prefix, prefixLen, kUpperHex, out);
}
