#include "N2kMsg.h"

#include <cmath>
#include <cstring>

tN2kMsg::tN2kMsg(unsigned char Source, unsigned char Priority, unsigned long PGN, int DataLen)
    : Priority(Priority & 7),
      PGN(PGN),
      Source(Source),
      Destination(kN2kGlobalAddress),
      DataLen(0),
      MsgTime(0) {
  std::memset(Data, 0, sizeof(Data));
  if (DataLen > 0 && DataLen <= kN2kMaxDataLen) this->DataLen = DataLen;
}

void tN2kMsg::SetPGN(unsigned long pgn, unsigned char priority) {
  PGN = pgn;
  Priority = priority & 7;
  Destination = kN2kGlobalAddress;
  DataLen = 0;
}

void tN2kMsg::Clear() {
  PGN = 0;
  DataLen = 0;
  Destination = kN2kGlobalAddress;
}

namespace {

// Rounds v/resolution (after removing offset) to the nearest step and checks it
// against [lo, hi]; false for NA, NaN, infinities and out-of-range values.
bool ScaleToRaw(double v, double resolution, double offset, double lo, double hi, double &raw) {
  if (N2kIsNA(v) || !std::isfinite(v) || resolution == 0) return false;
  double r = std::round((v - offset) / resolution);
  if (!std::isfinite(r) || r < lo || r > hi) return false;
  raw = r;
  return true;
}

}  // namespace

bool tN2kMsg::AddByte(uint8_t v) {
  if (DataLen + 1 > kN2kMaxDataLen) return false;
  Data[DataLen++] = v;
  return true;
}

bool tN2kMsg::Add2ByteUInt(uint16_t v) {
  if (DataLen + 2 > kN2kMaxDataLen) return false;
  Data[DataLen++] = v & 0xff;
  Data[DataLen++] = v >> 8;
  return true;
}

bool tN2kMsg::Add2ByteInt(int16_t v) {
  return Add2ByteUInt(static_cast<uint16_t>(v));
}

bool tN2kMsg::Add3ByteUInt(uint32_t v) {
  if (DataLen + 3 > kN2kMaxDataLen) return false;
  for (int i = 0; i < 3; i++) Data[DataLen++] = (v >> (8 * i)) & 0xff;
  return true;
}

bool tN2kMsg::Add4ByteUInt(uint32_t v) {
  if (DataLen + 4 > kN2kMaxDataLen) return false;
  for (int i = 0; i < 4; i++) Data[DataLen++] = (v >> (8 * i)) & 0xff;
  return true;
}

bool tN2kMsg::AddBuf(const void *buf, int len) {
  if (len < 0 || DataLen + len > kN2kMaxDataLen) return false;
  if (len > 0) std::memcpy(Data + DataLen, buf, len);
  DataLen += len;
  return true;
}

bool tN2kMsg::AddFixedStr(const char *s, int len, uint8_t pad) {
  if (len < 0 || DataLen + len > kN2kMaxDataLen) return false;
  int i = 0;
  if (s != nullptr)
    for (; i < len && s[i] != 0; i++) Data[DataLen + i] = static_cast<uint8_t>(s[i]);
  for (; i < len; i++) Data[DataLen + i] = pad;
  DataLen += len;
  return true;
}

bool tN2kMsg::Add1ByteUDouble(double v, double resolution, double offset) {
  double raw;
  // 0xFF is reserved for "not available"; valid data ends at 0xFC.
  if (!ScaleToRaw(v, resolution, offset, 0, 0xfc, raw)) return AddByte(0xff);
  return AddByte(static_cast<uint8_t>(raw));
}

bool tN2kMsg::Add2ByteUDouble(double v, double resolution, double offset) {
  double raw;
  if (!ScaleToRaw(v, resolution, offset, 0, 0xfffc, raw)) return Add2ByteUInt(0xffff);
  return Add2ByteUInt(static_cast<uint16_t>(raw));
}

bool tN2kMsg::Add2ByteDouble(double v, double resolution) {
  double raw;
  if (!ScaleToRaw(v, resolution, 0, -0x8000, 0x7ffc, raw)) return Add2ByteInt(0x7fff);
  return Add2ByteInt(static_cast<int16_t>(raw));
}

bool tN2kMsg::Add4ByteUDouble(double v, double resolution) {
  double raw;
  if (!ScaleToRaw(v, resolution, 0, 0, 4294967292.0, raw)) return Add4ByteUInt(0xffffffffu);
  return Add4ByteUInt(static_cast<uint32_t>(raw));
}

bool tN2kMsg::Add1ByteDouble(double v, double resolution) {
  double raw;
  if (!ScaleToRaw(v, resolution, 0, -128, 0x7c, raw)) return AddByte(0x7f);
  return AddByte(static_cast<uint8_t>(static_cast<int8_t>(raw)));
}

uint8_t tN2kMsg::GetByte(int &index) const {
  if (index < 0 || index + 1 > DataLen) {
    index += 1;
    return 0xff;
  }
  return Data[index++];
}

uint16_t tN2kMsg::Get2ByteUInt(int &index) const {
  if (index < 0 || index + 2 > DataLen) {
    index += 2;
    return 0xffff;
  }
  uint16_t v = Data[index] | (Data[index + 1] << 8);
  index += 2;
  return v;
}

int16_t tN2kMsg::Get2ByteInt(int &index) const {
  if (index < 0 || index + 2 > DataLen) {
    index += 2;
    return 0x7fff;
  }
  return static_cast<int16_t>(Get2ByteUInt(index));
}

uint32_t tN2kMsg::Get3ByteUInt(int &index) const {
  if (index < 0 || index + 3 > DataLen) {
    index += 3;
    return 0xffffff;
  }
  uint32_t v =
      Data[index] | (Data[index + 1] << 8) | (static_cast<uint32_t>(Data[index + 2]) << 16);
  index += 3;
  return v;
}

uint32_t tN2kMsg::Get4ByteUInt(int &index) const {
  if (index < 0 || index + 4 > DataLen) {
    index += 4;
    return 0xffffffffu;
  }
  uint32_t v = 0;
  for (int i = 3; i >= 0; i--) v = (v << 8) | Data[index + i];
  index += 4;
  return v;
}

bool tN2kMsg::GetBuf(void *buf, int len, int &index) const {
  if (len < 0 || index < 0 || index + len > DataLen) {
    index += len > 0 ? len : 0;
    return false;
  }
  std::memcpy(buf, Data + index, len);
  index += len;
  return true;
}

double tN2kMsg::Get1ByteUDouble(double resolution, int &index, double offset) const {
  uint8_t raw = GetByte(index);
  if (raw == 0xff) return N2kDoubleNA;
  return raw * resolution + offset;
}

double tN2kMsg::Get2ByteUDouble(double resolution, int &index, double offset) const {
  uint16_t raw = Get2ByteUInt(index);
  if (raw == 0xffff) return N2kDoubleNA;
  return raw * resolution + offset;
}

double tN2kMsg::Get2ByteDouble(double resolution, int &index) const {
  int16_t raw = Get2ByteInt(index);
  if (raw == 0x7fff) return N2kDoubleNA;
  return raw * resolution;
}

double tN2kMsg::Get4ByteUDouble(double resolution, int &index) const {
  uint32_t raw = Get4ByteUInt(index);
  if (raw == 0xffffffffu) return N2kDoubleNA;
  return raw * resolution;
}

double tN2kMsg::Get1ByteDouble(double resolution, int &index) const {
  int8_t raw = static_cast<int8_t>(GetByte(index));
  if (raw == 0x7f) return N2kDoubleNA;
  return raw * resolution;
}

void tN2kMsg::GetFixedStr(char *out, size_t outSize, int len, int &index) const {
  size_t n = 0;
  if (len > 0 && index >= 0) {
    for (int i = 0; i < len && index + i < DataLen; i++) {
      uint8_t c = Data[index + i];
      if (c == 0xff || c == 0 || c == '@') break;
      if (out != nullptr && n + 1 < outSize) out[n++] = static_cast<char>(c);
    }
  }
  while (n > 0 && out[n - 1] == ' ') n--;
  if (out != nullptr && outSize > 0) out[n] = 0;
  index += len > 0 ? len : 0;
}
