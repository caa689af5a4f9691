// The one encoder and decoder of described messages.
#include "N2kCodec.h"

#include <cmath>
#include <cstring>

namespace {

uint64_t Mask(int width) {
  return width >= 64 ? ~0ull : (1ull << width) - 1;
}

int64_t SignExtend(uint64_t raw, int width) {
  if (width >= 64) return static_cast<int64_t>(raw);
  const uint64_t sign = 1ull << (width - 1);
  return static_cast<int64_t>((raw ^ sign) - sign);
}

// The last byte a field touches; a most-significant-first field starts at a byte's bit 7.
int LastByte(const tN2kField &f) {
  return (f.Bit + f.Width - 1) / 8;
}

// Characters of a text field before the first 0xFF, within the message.
int TextLength(const uint8_t *data, int len, const tN2kField &f) {
  int n = 0;
  for (int at = f.Bit / 8; n < f.Width / 8 && at < len && data[at] != 0xff; at++) n++;
  return n;
}

}  // namespace

uint64_t N2kGetField(const uint8_t *data, int len, const tN2kField &f) {
  if (LastByte(f) >= len) return f.NotAvailable & Mask(f.Width);
  uint64_t v = 0;
  if (f.Flags & kN2kMsbFirst) {
    for (int i = 0; i < f.Width; i++) v = v << 1 | ((data[f.Bit / 8 + i / 8] >> (7 - i % 8)) & 1u);
    return v;
  }
  for (int i = 0; i < f.Width;) {
    const int bit = f.Bit + i;
    const int shift = bit % 8;
    const int take = f.Width - i < 8 - shift ? f.Width - i : 8 - shift;
    v |= static_cast<uint64_t>((data[bit / 8] >> shift) & ((1u << take) - 1)) << i;
    i += take;
  }
  return v;
}

void N2kPutField(uint8_t *data, int len, const tN2kField &f, uint64_t raw) {
  if (LastByte(f) >= len) return;
  raw &= Mask(f.Width);
  if (f.Flags & kN2kMsbFirst) {
    for (int i = 0; i < f.Width; i++) {
      uint8_t &byte = data[f.Bit / 8 + i / 8];
      const uint8_t bit = static_cast<uint8_t>(1u << (7 - i % 8));
      byte = static_cast<uint8_t>(((raw >> (f.Width - 1 - i)) & 1u) ? byte | bit : byte & ~bit);
    }
    return;
  }
  for (int i = 0; i < f.Width;) {
    const int bit = f.Bit + i;
    const int shift = bit % 8;
    const int take = f.Width - i < 8 - shift ? f.Width - i : 8 - shift;
    const unsigned mask = ((1u << take) - 1) << shift;
    uint8_t &byte = data[bit / 8];
    byte =
        static_cast<uint8_t>((byte & ~mask) | ((static_cast<unsigned>(raw >> i) << shift) & mask));
    i += take;
  }
}

uint64_t N2kFieldToRaw(const tN2kField &f, double value) {
  const uint64_t na = f.NotAvailable & Mask(f.Width);
  if (N2kIsNA(value) || !std::isfinite(value) || f.Resolution == 0) return na;
  // Never convert a double outside the field's range to an integer: C++ leaves that undefined.
  const double raw = std::round((value - f.Offset) / f.Resolution);
  const bool isSigned = f.Flags & kN2kSigned;
  const double least = isSigned ? -std::ldexp(1.0, f.Width - 1) : 0.0;
  if (!std::isfinite(raw) || raw < least || raw > static_cast<double>(f.MaxValid)) return na;
  if (isSigned) return static_cast<uint64_t>(static_cast<int64_t>(raw)) & Mask(f.Width);
  return static_cast<uint64_t>(raw);
}

tN2kFieldValue N2kFieldFromRaw(const tN2kField &f, uint64_t raw) {
  tN2kFieldValue v{&f, raw, N2kDoubleNA, raw == f.NotAvailable, raw == f.Error};
  if (f.Flags & kN2kText) return v;
  if (f.Flags & kN2kSigned) {
    const int64_t s = SignExtend(raw, f.Width);
    if (s <= static_cast<int64_t>(f.MaxValid))
      v.Value = static_cast<double>(s) * f.Resolution + f.Offset;
  } else if (raw <= f.MaxValid) {
    v.Value = static_cast<double>(raw) * f.Resolution + f.Offset;
  }
  return v;
}

bool N2kMatches(const tN2kMsgDesc &desc, const tN2kMsg &msg) {
  return msg.PGN == desc.Pgn && msg.DataLen >= desc.MinLength && msg.DataLen <= desc.MaxLength;
}

bool N2kDecodeFields(const tN2kMsgDesc &desc, const tN2kMsg &msg,
                     tN2kFieldValue (&out)[kN2kMaxFields]) {
  if (!N2kMatches(desc, msg) || desc.FieldCount > kN2kMaxFields) return false;
  for (int i = 0; i < desc.FieldCount; i++) {
    const tN2kField &f = desc.Fields[i];
    if (f.Flags & kN2kText) {
      const int n = TextLength(msg.Data, msg.DataLen, f);
      out[i] = tN2kFieldValue{&f, static_cast<uint64_t>(n), static_cast<double>(n), n == 0, false};
    } else {
      out[i] = N2kFieldFromRaw(f, N2kGetField(msg.Data, msg.DataLen, f));
    }
  }
  return true;
}

int N2kFieldIndex(const tN2kMsgDesc &desc, const char *name) {
  for (int i = 0; i < desc.FieldCount; i++)
    if (name != nullptr && std::strcmp(desc.Fields[i].Name, name) == 0) return i;
  return -1;
}

void N2kEncodeRaw(const tN2kMsgDesc &desc, const uint64_t *raw, int count, tN2kMsg &msg) {
  msg.SetPGN(desc.Pgn, desc.Priority);
  if (count != desc.FieldCount || desc.Length > kN2kMaxDataLen) return;
  std::memset(msg.Data, 0xff, desc.Length);
  msg.DataLen = desc.Length;
  for (int i = 0; i < count; i++)
    if (!(desc.Fields[i].Flags & kN2kText))
      N2kPutField(msg.Data, msg.DataLen, desc.Fields[i], raw[i]);
}

void N2kEncode(const tN2kMsgDesc &desc, const double *values, int count, tN2kMsg &msg) {
  uint64_t raw[kN2kMaxFields] = {};
  if (count == desc.FieldCount && count <= kN2kMaxFields)
    for (int i = 0; i < count; i++) raw[i] = N2kFieldToRaw(desc.Fields[i], values[i]);
  N2kEncodeRaw(desc, raw, count <= kN2kMaxFields ? count : -1, msg);
}
