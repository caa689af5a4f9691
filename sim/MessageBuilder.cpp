#include "MessageBuilder.h"

#include <cstring>

#include "N2kGroupMessages.h"
#include "SimText.h"

using namespace simtext;

const unsigned long *tFieldValues::Pgns(int i) const {
  static const unsigned long kNone[] = {0};
  return Has(i) && !values_[i].pgns.empty() ? values_[i].pgns.data() : kNone;
}

const tPgnBuilder *FindPgnBuilder(unsigned long pgn) {
  size_t count;
  const tPgnBuilder *all = PgnBuilders(count);
  for (size_t i = 0; i < count; i++)
    if (all[i].pgn == pgn) return &all[i];
  return nullptr;
}

namespace {

bool ParseValue(const tFieldDef &def, const std::string &text, tFieldValue &v) {
  switch (def.kind) {
    case tFieldKind::kUnsigned:
      return ParseUnsigned(text, def.max, v.u);
    case tFieldKind::kSigned:
      return ParseSigned(text, -static_cast<int64_t>(def.max) - 1, static_cast<int64_t>(def.max),
                         v.i);
    case tFieldKind::kDouble:
      return ParseNumber(text, v.d);
    case tFieldKind::kFlag:
      return ParseBool(text, v.b);
    case tFieldKind::kText:
      v.text = text;
      return text.size() <= def.max;
    case tFieldKind::kPgnList:
      return ParsePgnList(text, v.pgns);
  }
  return false;
}

const char *Describe(const tFieldDef &def) {
  switch (def.kind) {
    case tFieldKind::kUnsigned:
      return "an integer in range";
    case tFieldKind::kSigned:
      return "a signed integer in range";
    case tFieldKind::kDouble:
      return "a number";
    case tFieldKind::kFlag:
      return "on/off";
    case tFieldKind::kText:
      return "a shorter text";
    case tFieldKind::kPgnList:
      return "a list PGN,PGN,...";
  }
  return "a value";
}

}  // namespace

bool BuildPgnMessage(unsigned long pgn, const tFieldList &fields, tN2kMsg &msg,
                     std::string &error) {
  const tPgnBuilder *builder = FindPgnBuilder(pgn);
  if (builder == nullptr) {
    error = "no encoder for PGN " + std::to_string(pgn) + " (use raw=HEX)";
    return false;
  }
  tFieldValues values(builder->fields);
  for (const auto &kv : fields) {
    int index = -1;
    for (int i = 0; builder->fields[i].name != nullptr; i++)
      if (EqualsNoCase(kv.first, builder->fields[i].name)) index = i;
    if (index < 0) {
      error =
          "PGN " + std::to_string(pgn) + " (" + builder->name + ") has no field '" + kv.first + "'";
      return false;
    }
    const tFieldDef &def = builder->fields[index];
    if (values.Has(index)) {
      error = std::string("field ") + def.name + " given twice";
      return false;
    }
    if (EqualsNoCase(kv.second, "na")) continue;
    if (!ParseValue(def, kv.second, values[index])) {
      error = std::string("field ") + def.name + "='" + kv.second + "': expected " + Describe(def);
      return false;
    }
    values[index].set = true;
  }
  msg.Clear();
  builder->build(msg, values);
  return true;
}

bool BuildRawPgnMessage(unsigned long pgn, const std::string &hex, tN2kMsg &msg,
                        std::string &error) {
  const bool fast = IsDefaultFastPacketMessage(pgn);
  const size_t max = fast ? kN2kMaxDataLen : 8;
  uint8_t data[kN2kMaxDataLen];
  size_t len = 0;
  if (!ParseHexBytes(hex, data, max, len)) {
    error = "raw='" + hex + "': expected up to " + std::to_string(max) +
            " bytes as pairs of hex digits" + (fast ? "" : " (not a fast-packet PGN)");
    return false;
  }
  unsigned char priority = 6;
  if (const tPgnBuilder *builder = FindPgnBuilder(pgn)) {
    tFieldValues none(builder->fields);
    tN2kMsg probe;
    builder->build(probe, none);
    priority = probe.Priority;
  }
  msg.Clear();
  msg.SetPGN(pgn, priority);
  msg.AddBuf(data, static_cast<int>(len));
  return true;
}
