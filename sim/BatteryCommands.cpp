// The battery monitor's "do NODE ..." commands.
#include <algorithm>

#include "BatteryBank.h"
#include "SimText.h"

using namespace simtext;

namespace {
constexpr uint64_t kMaxInstance = 250;
constexpr uint64_t kMinPeriodMs = 50;  // RV-C's minimum gap
constexpr uint64_t kMaxPeriodMs = 60000;

struct tFieldName {
  const char *name;
  unsigned field;
};
const tFieldName kFieldNames[] = {
    {"volts", tBatteryBank::kVolts},       {"amps", tBatteryBank::kAmps},
    {"temp", tBatteryBank::kTemp},         {"soc", tBatteryBank::kSoc},
    {"timeleft", tBatteryBank::kTimeLeft}, {"soh", tBatteryBank::kSoh},
    {"caprem", tBatteryBank::kCapRem},     {"relcap", tBatteryBank::kRelCap},
    {"ripple", tBatteryBank::kRipple},     {"mode", tBatteryBank::kDesMode},
    {"desvolts", tBatteryBank::kDesVolts}, {"desamps", tBatteryBank::kDesAmps},
    {"type", tBatteryBank::kType},         {"dvdt", tBatteryBank::kDvdt},
    {"capacity", tBatteryBank::kCapacity}, {"power", tBatteryBank::kPower},
};

// A bank the "instances" command adds after the first: a smaller start battery.
tBatteryBank::tBank StartBattery(uint8_t instance) {
  tBatteryBank::tBank b;
  b.instance = instance;
  b.capacityAh = 100;
  b.soc = 95;
  b.amps = 0.5;
  b.tempC = 20;
  b.type = 2;  // AGM
  b.desVolts = 14.4;
  b.desAmps = 10;
  return b;
}

bool InRange(const std::string &value, double min, double max, double &out) {
  double v;
  if (!ParseNumber(value, v) || v < min || v > max) return false;
  out = v;
  return true;
}
}  // namespace

bool tBatteryBank::OnCommand(tSimNode &, const std::string &text, std::string &error) {
  std::vector<std::string> words;
  if (!SplitWords(text, words, error)) return false;
  const std::string verb = words.empty() ? "" : words[0];
  uint64_t n;
  if (verb == "instances") return CommandInstances(words, error);
  if (verb == "priority" && words.size() == 2 && ParseUnsigned(words[1], 255, n)) {
    priority_ = static_cast<uint8_t>(n);
    return true;
  }
  if (verb == "set") return CommandSet(words, error);
  if (verb == "na") return CommandNa(words, error);
  if (verb == "period") return CommandPeriod(words, error);
  if (verb == "hold" && words.size() == 2 && ParseBool(words[1], hold_)) return true;
  error =
      "battery: expected instances N[,N...], priority N, set [instance=N] KEY=VALUE..., "
      "na FIELD...|none, period 1|2|3|4|5|6|11|all MS, hold on|off; got '" +
      text + "'";
  return false;
}

// "instances 1,2": the banks reported, in this order. A bank already reported keeps
// its values; a new first one is a house bank, later new ones start batteries.
bool tBatteryBank::CommandInstances(const std::vector<std::string> &words, std::string &error) {
  std::vector<tBank> banks;
  const std::string usage = "usage: instances N[,N...] (1..4 instances, each 0..250)";
  if (words.size() != 2) {
    error = usage;
    return false;
  }
  std::string list = words[1] + ",";
  for (size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos; at = comma + 1) {
    uint64_t n;
    if (!ParseUnsigned(list.substr(at, comma - at), kMaxInstance, n) ||
        banks.size() == kMaxInstances) {
      error = usage;
      return false;
    }
    const uint8_t instance = static_cast<uint8_t>(n);
    for (const tBank &b : banks)
      if (b.instance == instance) {
        error = usage + ", each once";
        return false;
      }
    auto known = std::find_if(banks_.begin(), banks_.end(),
                              [&](const tBank &b) { return b.instance == instance; });
    if (known != banks_.end()) {
      banks.push_back(*known);
    } else if (banks.empty()) {
      tBank house;
      house.instance = instance;
      banks.push_back(house);
    } else {
      banks.push_back(StartBattery(instance));
    }
  }
  banks_ = banks;
  return true;
}

// "set [instance=N] KEY=VALUE...": values of one bank (the first without instance=).
bool tBatteryBank::CommandSet(const std::vector<std::string> &words, std::string &error) {
  const std::string usage =
      "usage: set [instance=N] [soc=%] [amps=A] [temp=C] [capacity=AH] [soh=%] [ripple=V] "
      "[volts=V|auto] [desvolts=V] [desamps=A] [type=N] [dvdt=V/s]";
  if (words.size() < 2) {
    error = usage;
    return false;
  }
  size_t first = 1;
  tBank *bank = &banks_[0];
  std::string key, value;
  if (SplitKeyValue(words[1], key, value) && key == "instance") {
    uint64_t n;
    auto it = banks_.end();
    if (ParseUnsigned(value, kMaxInstance, n))
      it = std::find_if(banks_.begin(), banks_.end(),
                        [&](const tBank &b) { return b.instance == n; });
    if (it == banks_.end()) {
      error = "set: no bank with instance " + value;
      return false;
    }
    bank = &*it;
    first = 2;
  }
  tBank b = *bank;
  for (size_t i = first; i < words.size(); i++) {
    double type = b.type;
    bool ok = SplitKeyValue(words[i], key, value);
    if (!ok) {
    } else if (key == "soc") {
      ok = InRange(value, 0, 100, b.soc);
    } else if (key == "amps") {
      ok = InRange(value, -2000000, 2000000, b.amps);
    } else if (key == "temp") {
      ok = InRange(value, -273, 1700, b.tempC);
    } else if (key == "capacity") {
      ok = InRange(value, 0, 65532, b.capacityAh);
    } else if (key == "soh") {
      ok = InRange(value, 0, 100, b.soh);
    } else if (key == "ripple") {
      ok = InRange(value, 0, 65.532, b.ripple);
    } else if (key == "volts") {
      b.volts = -1;
      ok = value == "auto" || InRange(value, 0, 3212.5, b.volts);
    } else if (key == "desvolts") {
      ok = InRange(value, 0, 3212.5, b.desVolts);
    } else if (key == "desamps") {
      ok = InRange(value, -1600, 1676, b.desAmps);
    } else if (key == "type") {
      ok = InRange(value, 0, 14, type) && type == static_cast<int>(type);
      b.type = static_cast<int>(type);
    } else if (key == "dvdt") {
      ok = InRange(value, -32, 33.5, b.dvdt);
      if (ok) na_ &= ~kDvdt;
    } else {
      ok = false;
    }
    if (!ok) {
      error = "bad '" + words[i] + "'; " + usage;
      return false;
    }
  }
  *bank = b;
  return true;
}

// "na FIELD...": those fields go out as not available; "na none" brings them all back.
bool tBatteryBank::CommandNa(const std::vector<std::string> &words, std::string &error) {
  if (words.size() == 2 && words[1] == "none") {
    na_ = 0;
    return true;
  }
  unsigned fields = 0;
  for (size_t i = 1; i < words.size(); i++) {
    const tFieldName *f = std::find_if(std::begin(kFieldNames), std::end(kFieldNames),
                                       [&](const tFieldName &x) { return words[i] == x.name; });
    if (f == std::end(kFieldNames)) {
      fields = 0;
      break;
    }
    fields |= f->field;
  }
  if (fields == 0) {
    error =
        "usage: na none | na FIELD... (volts amps temp soc timeleft soh caprem relcap ripple "
        "mode desvolts desamps type dvdt capacity power)";
    return false;
  }
  na_ |= fields;
  return true;
}

// "period STATUS|all MS": how often that status (or every status) goes out.
bool tBatteryBank::CommandPeriod(const std::vector<std::string> &words, std::string &error) {
  uint64_t status = 0, ms;
  const bool all = words.size() == 3 && words[1] == "all";
  int index = -1;
  if (words.size() == 3 && !all && ParseUnsigned(words[1], 11, status))
    for (int i = 0; i < kStatuses; i++)
      if (kStatusNumbers[i] == static_cast<int>(status)) index = i;
  if ((!all && index < 0) || !ParseUnsigned(words[2], kMaxPeriodMs, ms) || ms < kMinPeriodMs) {
    error = "usage: period 1|2|3|4|5|6|11|all MS (50..60000)";
    return false;
  }
  for (int i = 0; i < kStatuses; i++)
    if (all || i == index) periodMs_[i] = static_cast<uint32_t>(ms);
  return true;
}
