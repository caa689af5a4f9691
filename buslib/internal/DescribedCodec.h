// The library's Set and Parse functions as thin wrappers over their messages'
// descriptions. Arguments and outputs come in the description's field order; the C++
// type of each chooses how the field is seen:
//   double   the physical value (N2kDoubleNA when the field holds no value);
//   bool     a flag: written as 01b or 00b, read as true exactly when the field is 1;
//   integer or enumeration: the raw field, cut to its width;
//   kSkip    (outputs only) a field the function does not report.
#ifndef BUSLIB_INTERNAL_DESCRIBEDCODEC_H
#define BUSLIB_INTERNAL_DESCRIBEDCODEC_H

#include <cstdint>

#include "N2kCodec.h"

namespace n2kcodec {

struct tSkip {};
constexpr tSkip kSkip{};

inline uint64_t ToRaw(const tN2kField &f, double v) {
  return N2kFieldToRaw(f, v);
}
inline uint64_t ToRaw(const tN2kField &, bool v) {
  return v ? 1 : 0;
}
template <typename T>
uint64_t ToRaw(const tN2kField &, T v) {
  return static_cast<uint64_t>(v);
}

inline void FromField(const tN2kFieldValue &f, double &out) {
  out = f.Value;
}
inline void FromField(const tN2kFieldValue &f, bool &out) {
  out = f.Raw == 1;
}
inline void FromField(const tN2kFieldValue &, const tSkip &) {}
template <typename T>
void FromField(const tN2kFieldValue &f, T &out) {
  out = static_cast<T>(f.Raw);
}

// A call with the wrong number of fields writes a message without data.
template <typename... In>
void Encode(const tN2kMsgDesc &desc, tN2kMsg &msg, const In &...in) {
  uint64_t raw[sizeof...(In)] = {};
  if (sizeof...(In) == desc.FieldCount) {
    int i = 0;
    ((raw[i] = ToRaw(desc.Fields[i], in), i++), ...);
  }
  N2kEncodeRaw(desc, raw, sizeof...(In), msg);
}

// False, outputs untouched, when msg is not desc's message (or the call has the wrong
// number of fields).
template <typename... Out>
bool Decode(const tN2kMsgDesc &desc, const tN2kMsg &msg, Out &&...out) {
  tN2kFieldValue f[kN2kMaxFields];
  if (sizeof...(Out) != desc.FieldCount || !N2kDecodeFields(desc, msg, f)) return false;
  int i = 0;
  (FromField(f[i++], out), ...);
  return true;
}

}  // namespace n2kcodec

#endif
