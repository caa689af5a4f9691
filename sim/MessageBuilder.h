// Builds bus messages from named fields with the bus library's encoders: what "send"
// does in the command language.
//
// Field names are the parameter names of the library's Set function for the PGN,
// matched without regard to case. A field left out (or given as "na") is sent as not
// available: the library's N2kDoubleNA for physical values, the field's all-ones code
// for integers and enumerations, 0 for flags. Values: integers decimal or 0x hex;
// physical values in the library's units (V, A, K, s, C); enumerations as their bus
// codes (N2kTypes.h); flags on/off/yes/no/true/false/1/0; texts as given; PGN lists
// as PGN,PGN,...
#ifndef SIM_MESSAGEBUILDER_H
#define SIM_MESSAGEBUILDER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "N2kMsg.h"

enum class tFieldKind : uint8_t { kUnsigned, kSigned, kDouble, kFlag, kText, kPgnList };

struct tFieldDef {
  const char *name;  // null ends a builder's field list
  tFieldKind kind;
  uint64_t max;  // kUnsigned: largest value; kText: longest text
  uint64_t na;   // kUnsigned, kSigned: the code sent when the field is missing
};

constexpr int kMaxBuilderFields = 12;

struct tFieldValue {
  bool set = false;
  uint64_t u = 0;
  int64_t i = 0;
  double d = 0;
  bool b = false;
  std::string text;
  std::vector<unsigned long> pgns;  // zero-terminated once set
};

// The values of one builder's fields, in the order of its field list.
class tFieldValues {
 public:
  explicit tFieldValues(const tFieldDef *defs) : defs_(defs) {}
  tFieldValue &operator[](int i) { return values_[i]; }
  bool Has(int i) const { return values_[i].set; }
  uint64_t U64(int i) const { return Has(i) ? values_[i].u : defs_[i].na; }
  uint32_t U32(int i) const { return static_cast<uint32_t>(U64(i)); }
  uint16_t U16(int i) const { return static_cast<uint16_t>(U64(i)); }
  uint8_t U8(int i) const { return static_cast<uint8_t>(U64(i)); }
  int8_t I8(int i) const {
    return static_cast<int8_t>(Has(i) ? values_[i].i : static_cast<int64_t>(defs_[i].na));
  }
  double D(int i) const { return Has(i) ? values_[i].d : N2kDoubleNA; }
  bool B(int i) const { return Has(i) && values_[i].b; }
  const char *S(int i) const { return values_[i].text.c_str(); }
  const unsigned long *Pgns(int i) const;
  template <typename E>
  E Enum(int i) const {
    return static_cast<E>(U64(i));
  }

 private:
  const tFieldDef *defs_;
  tFieldValue values_[kMaxBuilderFields];
};

struct tPgnBuilder {
  unsigned long pgn;
  const char *name;
  tFieldDef fields[kMaxBuilderFields + 1];
  void (*build)(tN2kMsg &msg, const tFieldValues &values);
};

// The builder for pgn, or null. All builders: PgnBuilders(count).
const tPgnBuilder *FindPgnBuilder(unsigned long pgn);
const tPgnBuilder *PgnBuilders(size_t &count);

using tFieldList = std::vector<std::pair<std::string, std::string>>;

// Builds the message for pgn from name=value fields. False, with a message naming the
// field, for an unknown PGN or field, a repeated field or a bad value.
bool BuildPgnMessage(unsigned long pgn, const tFieldList &fields, tN2kMsg &msg, std::string &error);

// A message of any PGN with the given payload (hex, two digits a byte): up to 8 bytes,
// or up to 223 for a fast-packet PGN. Priority: the builder's default for a known PGN,
// else 6.
bool BuildRawPgnMessage(unsigned long pgn, const std::string &hex, tN2kMsg &msg,
                        std::string &error);

#endif
