#include "NodeConfig.h"

#include <cctype>

#include "Behaviour.h"
#include "N2kGroupMessages.h"
#include "SimText.h"

using namespace simtext;

namespace {

template <typename T>
bool Number(const std::string &value, uint64_t max, T &out) {
  uint64_t v;
  if (!ParseUnsigned(value, max, v)) return false;
  out = static_cast<T>(v);
  return true;
}

bool Text(const std::string &value, size_t max, std::string &out) {
  if (value.size() > max) return false;
  out = value;
  return true;
}

// One key; false with the expected form in error.
bool ApplyKey(const std::string &key, const std::string &value, tSimNodeConfig &c,
              std::string &error) {
  auto fail = [&](const char *expected) {
    error = key + "='" + value + "': expected " + expected;
    return false;
  };
  if (key == "unique") {
    c.uniqueSet = true;
    return Number(value, 0x1fffff, c.unique) || fail("0..2097151");
  }
  if (key == "mfr") return Number(value, 0x7ff, c.manufacturer) || fail("0..2047");
  if (key == "function") return Number(value, 0xff, c.function) || fail("0..255");
  if (key == "class") return Number(value, 0x7f, c.deviceClass) || fail("0..127");
  if (key == "industry") return Number(value, 7, c.industry) || fail("0..7");
  if (key == "sysinst") return Number(value, 15, c.systemInstance) || fail("0..15");
  if (key == "devinst") return Number(value, 0xff, c.deviceInstance) || fail("0..255");
  if (key == "address") return Number(value, 253, c.address) || fail("0..253");
  if (key == "aac") return ParseBool(value, c.addressCapable) || fail("1 or 0");
  if (key == "name") {
    c.fullNameSet = true;
    return (ParseUnsigned(value, UINT64_MAX, c.fullName) && (c.fullName & kNameReservedBit) == 0) ||
           fail("a 64-bit NAME with bit 48 clear (0xC03C960022A000CC)");
  }
  if (key == "product") return Number(value, 0xffff, c.productCode) || fail("0..65535");
  if (key == "model") return Text(value, kN2kProductStrLen, c.model) || fail("up to 32 characters");
  if (key == "sw") return Text(value, kN2kProductStrLen, c.sw) || fail("up to 32 characters");
  if (key == "modelver")
    return Text(value, kN2kProductStrLen, c.modelVersion) || fail("up to 32 characters");
  if (key == "serial")
    return Text(value, kN2kProductStrLen, c.serial) || fail("up to 32 characters");
  if (key == "cert") return Number(value, 0xff, c.certification) || fail("0..255");
  if (key == "len") return Number(value, 0xff, c.loadEquivalency) || fail("0..255");
  if (key == "n2kver") return Number(value, 0xffff, c.n2kVersion) || fail("0..65535");
  if (key == "mfrinfo")
    return Text(value, kN2kConfigStrMax, c.mfrInfo) || fail("up to 70 characters");
  if (key == "desc1") return Text(value, kN2kConfigStrMax, c.desc1) || fail("up to 70 characters");
  if (key == "desc2") return Text(value, kN2kConfigStrMax, c.desc2) || fail("up to 70 characters");
  if (key == "tx") return ParsePgnList(value, c.tx) || fail("PGN,PGN,... (non-zero PGNs)");
  if (key == "rx") return ParsePgnList(value, c.rx) || fail("PGN,PGN,... (non-zero PGNs)");
  if (key == "mode") {
    if (value == "node")
      c.mode = tSimNodeConfig::tMode::kNode;
    else if (value == "listen")
      c.mode = tSimNodeConfig::tMode::kListen;
    else if (value == "send")
      c.mode = tSimNodeConfig::tMode::kSend;
    else
      return fail("node, listen or send");
    return true;
  }
  if (key == "behaviour" || key == "behavior") {
    if (!IsKnownBehaviour(value)) {
      error = "unknown behaviour '" + value + "' (known: " + KnownBehaviours() + ")";
      return false;
    }
    c.behaviour = value;
    return true;
  }
  error = "unknown node key '" + key + "'";
  return false;
}

}  // namespace

bool IsValidNodeName(const std::string &name) {
  if (name.empty() || name.size() > kMaxNodeNameLen) return false;
  for (char ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_' && ch != '-' && ch != '.')
      return false;
  return true;
}

bool ParseNodeConfig(const std::string &name, const std::vector<std::string> &words,
                     tSimNodeConfig &config, std::string &error) {
  if (!IsValidNodeName(name)) {
    error = "bad node name '" + name + "' (letters, digits, _ - . ; at most 32)";
    return false;
  }
  config = tSimNodeConfig();
  config.name = name;
  std::vector<std::string> seen;
  for (const std::string &word : words) {
    std::string key, value;
    if (!SplitKeyValue(word, key, value)) {
      error = "expected key=value, got '" + word + "'";
      return false;
    }
    for (char &ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (const std::string &s : seen)
      if (s == key) {
        error = "key " + key + " given twice";
        return false;
      }
    seen.push_back(key);
    if (!ApplyKey(key, value, config, error)) return false;
  }
  // A device model's own identity fills in what the scenario left out.
  const char *const *defaults = BehaviourDefaults(config.behaviour);
  for (; defaults != nullptr && *defaults != nullptr; defaults++) {
    std::string key, value;
    if (!SplitKeyValue(*defaults, key, value)) continue;
    bool given = false;
    for (const std::string &s : seen) given = given || s == key;
    if (!given && !ApplyKey(key, value, config, error)) return false;
  }
  return true;
}
