#include "LawicelCodec.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr size_t kIdDigits = 8;
constexpr size_t kFrameHeaderLen = 1 + kIdDigits + 1;  // 'T', id, length digit
constexpr size_t kTimestampDigits = 4;
constexpr char kBel = '\a';

// Value of one hex digit (either case), or -1.
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads count hex digits; false on any non-hex character.
bool ParseHex(const char *text, size_t count, uint32_t &value) {
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    int digit = HexValue(text[i]);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return true;
}

tLawicelParsed Kind(tLawicelLine kind, uint8_t arg = 0) {
  tLawicelParsed parsed;
  parsed.kind = kind;
  parsed.arg = arg;
  return parsed;
}

tLawicelParsed ParseExtendedFrame(const char *line, size_t len) {
  if (len < kFrameHeaderLen) return Kind(tLawicelLine::kBadLineLength);
  uint32_t id = 0;
  if (!ParseHex(line + 1, kIdDigits, id)) return Kind(tLawicelLine::kBadHex);
  if (id > kCanIdMask) return Kind(tLawicelLine::kBadId);
  int dataLen = HexValue(line[kFrameHeaderLen - 1]);
  if (dataLen < 0) return Kind(tLawicelLine::kBadHex);
  if (dataLen > kCanMaxDataLen) return Kind(tLawicelLine::kBadLength);

  size_t plainLen = kFrameHeaderLen + 2 * static_cast<size_t>(dataLen);
  if (len != plainLen && len != plainLen + kTimestampDigits) {
    return Kind(tLawicelLine::kBadLineLength);
  }
  tLawicelParsed parsed = Kind(tLawicelLine::kFrame);
  parsed.frame.id = id;
  parsed.frame.len = static_cast<uint8_t>(dataLen);
  const char *data = line + kFrameHeaderLen;
  for (int i = 0; i < dataLen; ++i) {
    uint32_t byte = 0;
    if (!ParseHex(data + 2 * i, 2, byte)) return Kind(tLawicelLine::kBadHex);
    parsed.frame.data[i] = static_cast<uint8_t>(byte);
  }
  // The timestamp only has to be well-formed; the node keeps its own clock.
  uint32_t timestamp = 0;
  if (len > plainLen && !ParseHex(line + plainLen, kTimestampDigits, timestamp)) {
    return Kind(tLawicelLine::kBadHex);
  }
  return parsed;
}

tLawicelParsed ParseShortLine(const char *line, size_t len) {
  if (len == 1) {
    switch (line[0]) {
      case 'z':
      case 'Z':
        return Kind(tLawicelLine::kTxAck);
      case kBel:
        return Kind(tLawicelLine::kBell);
      case 'O':
        return Kind(tLawicelLine::kOpen);
      case 'L':
        return Kind(tLawicelLine::kListenOnly);
      case 'C':
        return Kind(tLawicelLine::kClose);
      case 'V':
        return Kind(tLawicelLine::kVersion);
      case 'v':
        return Kind(tLawicelLine::kVersionDetail);
      case 'N':
        return Kind(tLawicelLine::kSerial);
      case 'F':
        return Kind(tLawicelLine::kStatusFlags);
      default:
        return Kind(tLawicelLine::kUnknown);
    }
  }
  uint32_t flags = 0;
  if (len == 3 && line[0] == 'F' && ParseHex(line + 1, 2, flags)) {
    return Kind(tLawicelLine::kStatusReply, static_cast<uint8_t>(flags));
  }
  if (len == 2) {
    if (line[0] == 'S' && line[1] >= '0' && line[1] <= '8') {
      return Kind(tLawicelLine::kBitrate, static_cast<uint8_t>(line[1] - '0'));
    }
    if (line[0] == 'Z' && (line[1] == '0' || line[1] == '1')) {
      return Kind(tLawicelLine::kTimestamps, static_cast<uint8_t>(line[1] - '0'));
    }
  }
  return Kind(tLawicelLine::kUnknown);
}

int FormatFrame(const tCanFrame &frame, const uint16_t *timestamp, char *buf, size_t size) {
  if (buf == nullptr || frame.len > kCanMaxDataLen) return -1;
  size_t need =
      kFrameHeaderLen + 2 * static_cast<size_t>(frame.len) + (timestamp ? kTimestampDigits : 0) + 1;
  if (size < need) return -1;

  size_t pos = 0;
  buf[pos++] = 'T';
  uint32_t id = frame.id & kCanIdMask;
  for (int shift = 28; shift >= 0; shift -= 4) buf[pos++] = kHexDigits[(id >> shift) & 0xf];
  buf[pos++] = static_cast<char>('0' + frame.len);
  for (int i = 0; i < frame.len; ++i) {
    buf[pos++] = kHexDigits[frame.data[i] >> 4];
    buf[pos++] = kHexDigits[frame.data[i] & 0xf];
  }
  if (timestamp) {
    for (int shift = 12; shift >= 0; shift -= 4)
      buf[pos++] = kHexDigits[(*timestamp >> shift) & 0xf];
  }
  buf[pos++] = '\r';
  return static_cast<int>(pos);
}

}  // namespace

tLawicelParsed LawicelParseLine(const char *line, size_t len) {
  if (len == 0) return Kind(tLawicelLine::kOk);
  if (line == nullptr) return Kind(tLawicelLine::kUnknown);
  switch (line[0]) {
    case 'T':
      return ParseExtendedFrame(line, len);
    case 't':
      return Kind(tLawicelLine::kStandardFrame);
    case 'R':
    case 'r':
      return Kind(tLawicelLine::kRemoteFrame);
    default:
      return ParseShortLine(line, len);
  }
}

int LawicelFormatFrame(const tCanFrame &frame, char *buf, size_t size) {
  return FormatFrame(frame, nullptr, buf, size);
}

int LawicelFormatFrameStamped(const tCanFrame &frame, uint16_t timestamp, char *buf, size_t size) {
  return FormatFrame(frame, &timestamp, buf, size);
}

tLawicelLineReader::tEvent tLawicelLineReader::Feed(char c) {
  if (complete_) {
    len_ = 0;
    complete_ = false;
  }
  if (c == '\r' || c == '\n') {
    if (discarding_) {
      discarding_ = false;
      len_ = 0;
      return tEvent::kNone;
    }
    complete_ = true;
    return tEvent::kLine;
  }
  if (discarding_) return tEvent::kNone;
  if (c == kBel && len_ == 0) return tEvent::kBell;
  if (len_ == kLawicelMaxLine) {
    discarding_ = true;
    len_ = 0;
    return tEvent::kDiscarded;
  }
  buf_[len_++] = c;
  return tEvent::kNone;
}
