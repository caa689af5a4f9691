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

// Appends one byte as " hh"; the caller keeps the line within its 34 characters.
void AppendByte(char *line, int &len, uint8_t b) {
  static const char kHex[] = "0123456789abcdef";
  line[len++] = ' ';
  line[len++] = kHex[b >> 4];
  line[len++] = kHex[b & 0x0f];
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

int FormatRawLines(const tN2kMsg &msg, uint8_t source, tRawLines &out) {
  int dataLen = msg.DataLen;
  if (dataLen < 0) dataLen = 0;
  if (dataLen > kN2kMaxDataLen) dataLen = kN2kMaxDataLen;
  char id[16];
  const int idLen = std::snprintf(
      id, sizeof(id), "%02x", static_cast<unsigned>(RawIdentifier(msg.Priority, msg.PGN, source)));

  if (dataLen <= kFrameBytes && !IsDefaultFastPacketMessage(msg.PGN)) {
    char *line = out.text[0];
    int len = idLen;
    std::snprintf(line, kRawLineSize, "%s", id);
    for (int j = 0; j < dataLen; j++) AppendByte(line, len, msg.Data[j]);
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
    int len = idLen;
    std::snprintf(line, kRawLineSize, "%s", id);
    AppendByte(line, len, static_cast<uint8_t>(k));
    int bytes = 1;
    if (k == 0 && j < dataLen) {
      AppendByte(line, len, static_cast<uint8_t>(dataLen));
      bytes++;
    }
    for (; bytes < kFrameBytes && j < dataLen; bytes++) AppendByte(line, len, msg.Data[j++]);
    EndLine(line, len);
    out.length[k] = len;
  }
  out.count = frames < kRawMaxLines ? frames : kRawMaxLines;
  out.fastPacket = true;
  return out.count;
}
