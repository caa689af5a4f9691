// The field types of the protocol reference (0.2) with their codes, for the description
// tables: not available, error, and the last valid raw value. Fields with codes of their
// own are written out in full.
#ifndef BUSLIB_INTERNAL_FIELDTYPES_H
#define BUSLIB_INTERNAL_FIELDTYPES_H

#include <cstdint>

#include "N2kCodec.h"

namespace n2kfields {

constexpr tN2kField Field(const char *name, const char *unit, uint16_t bit, uint8_t width,
                          uint8_t flags, double res, double off, uint64_t na, uint64_t error,
                          uint64_t maxValid) {
  return tN2kField{name, unit, bit, width, flags, res, off, na, error, maxValid};
}

// Unsigned numbers: all ones not available, all ones less one error, valid up to all ones
// less three.
constexpr tN2kField U8(const char *name, const char *unit, uint16_t bit, double res = 1,
                       double off = 0) {
  return Field(name, unit, bit, 8, 0, res, off, 0xFF, 0xFE, 0xFC);
}
constexpr tN2kField U16(const char *name, const char *unit, uint16_t bit, double res = 1,
                        double off = 0) {
  return Field(name, unit, bit, 16, 0, res, off, 0xFFFF, 0xFFFE, 0xFFFC);
}
constexpr tN2kField U32(const char *name, const char *unit, uint16_t bit, double res = 1,
                        double off = 0) {
  return Field(name, unit, bit, 32, 0, res, off, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFC);
}

// Signed numbers: the largest positive value is "not available", not all ones.
constexpr tN2kField S8(const char *name, const char *unit, uint16_t bit, double res = 1) {
  return Field(name, unit, bit, 8, kN2kSigned, res, 0, 0x7F, 0x7E, 0x7C);
}
constexpr tN2kField S16(const char *name, const char *unit, uint16_t bit, double res = 1) {
  return Field(name, unit, bit, 16, kN2kSigned, res, 0, 0x7FFF, 0x7FFE, 0x7FFC);
}

// A bit pair: 00b off, 01b on, 10b error, 11b not available.
constexpr tN2kField Pair(const char *name, const char *unit, uint16_t bit) {
  return Field(name, unit, bit, 2, 0, 1, 0, 3, 2, 1);
}

// A 4-bit lookup: 15 not available, 14 error.
constexpr tN2kField Nibble(const char *name, const char *unit, uint16_t bit) {
  return Field(name, unit, bit, 4, 0, 1, 0, 15, 14, 13);
}

}  // namespace n2kfields

#endif
