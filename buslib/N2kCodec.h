// Messages described as data, and the one encoder and decoder every described message
// goes through.
//
// A description (tN2kMsgDesc) gives a message's PGN or DGN, default priority, length and,
// field by field, where the field lies on the wire, how its raw value maps to a physical
// one (physical = raw * Resolution + Offset) and which raw codes mean "not available" and
// "error". N2kDescriptions.h lists the descriptions of every message the library handles.
//
// Decoding by field, for log lines and published values:
//
//   tN2kFieldValue f[kN2kMaxFields];
//   if (N2kDecodeFields(kRvcDescDCSourceStatus1, msg, f)) {
//     const tN2kFieldValue &v = f[N2kFieldIndex(kRvcDescDCSourceStatus1, "Vdc")];
//     // v.Field->Name "Vdc", v.Field->Unit "V", v.Value 13.25, v.NotAvailable false
//   }
#ifndef BUSLIB_N2KCODEC_H
#define BUSLIB_N2KCODEC_H

#include <cstdint>

#include "N2kMsg.h"

// Field flags.
constexpr uint8_t kN2kSigned = 1;    // two's complement
constexpr uint8_t kN2kMsbFirst = 2;  // from bit 7 of byte Bit / 8 downwards (DM_RV's SPN)
constexpr uint8_t kN2kText = 4;      // characters, 0xFF after the last; no number

// A field without such a code (no raw value means it).
constexpr uint64_t kN2kNoCode = ~0ull;

struct tN2kField {
  const char *Name;  // as the library's functions call it; also for log lines and MQTT
  const char *Unit;  // of the physical value; "" for codes, counts and instances
  uint16_t Bit;      // from bit 0 of byte 0, least significant bit first (0.1 of the reference)
  uint8_t Width;     // bits, 1..64
  uint8_t Flags;
  double Resolution;
  double Offset;
  uint64_t NotAvailable;  // raw codes, as unsigned bit patterns of Width bits
  uint64_t Error;
  uint64_t MaxValid;  // the largest raw that is a value; a signed field's least is -2^(Width-1)
};

struct tN2kMsgDesc {
  unsigned long Pgn;
  const char *Name;
  uint8_t Priority;   // default priority
  uint8_t Length;     // bytes an encoder writes
  uint8_t MinLength;  // a decoder takes MinLength..MaxLength bytes
  uint8_t MaxLength;
  bool FastPacket;
  const tN2kField *Fields;  // in wire order
  uint8_t FieldCount;
};

// No message has more fields than this.
constexpr int kN2kMaxFields = 12;

struct tN2kFieldValue {
  const tN2kField *Field;
  uint64_t Raw;  // as on the wire, Width bits; a field past the message's end reads as its
                 // not-available code
  double Value;  // Raw * Resolution + Offset (signed fields sign-extended); N2kDoubleNA when
                 // Raw is no value (not available, error, reserved, beyond MaxValid)
  bool NotAvailable;
  bool Error;
};

// True when msg carries desc's PGN with a length desc accepts.
bool N2kMatches(const tN2kMsgDesc &desc, const tN2kMsg &msg);

// Decodes every field of msg; false (out untouched) when N2kMatches is false. A text
// field's Raw and Value are its number of characters.
bool N2kDecodeFields(const tN2kMsgDesc &desc, const tN2kMsg &msg,
                     tN2kFieldValue (&out)[kN2kMaxFields]);

// Index of the field called name, -1 when desc has none.
int N2kFieldIndex(const tN2kMsgDesc &desc, const char *name);

// Starts msg as desc's message: PGN, default priority, Length bytes of 0xFF (reserved and
// unused bits are 1s), then each field from raw[i] cut to its width. A text field is left
// to the caller. count must be desc.FieldCount; otherwise the message has no data.
void N2kEncodeRaw(const tN2kMsgDesc &desc, const uint64_t *raw, int count, tN2kMsg &msg);

// The same from physical values: N2kDoubleNA, NaN, infinities and values whose nearest
// step lies outside the field's valid range go out as the not-available code.
void N2kEncode(const tN2kMsgDesc &desc, const double *values, int count, tN2kMsg &msg);

// One field's conversions, by the rules above.
uint64_t N2kFieldToRaw(const tN2kField &field, double value);
tN2kFieldValue N2kFieldFromRaw(const tN2kField &field, uint64_t raw);

// A field's raw bits in a payload of len bytes (its not-available code past the end), and
// the way back. Byte by byte, so the same on any host.
uint64_t N2kGetField(const uint8_t *data, int len, const tN2kField &field);
void N2kPutField(uint8_t *data, int len, const tN2kField &field, uint64_t raw);

#endif
