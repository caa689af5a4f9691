#include "ConverterDevice.h"

#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "SimNode.h"
#include "SimText.h"

using namespace simtext;

namespace {
constexpr size_t kMaxScript = 64;
}  // namespace

bool tConverterDevice::Build(tN2kMsg &msg) {
  SetN2kPGN127750(msg, static_cast<unsigned char>(sid_), static_cast<unsigned char>(connection_),
                  static_cast<tN2kConvMode>(state_),
                  static_cast<tN2kTemperatureState>(temperature_),
                  static_cast<tN2kOverloadState>(overload_),
                  static_cast<tN2kDCVolgateState>(lowDC_), static_cast<tN2kRippleState>(ripple_));
  return true;
}

void tConverterDevice::Sent() {
  if (!script_.empty()) {
    sid_ = script_.front();
    script_.pop_front();
    return;
  }
  sid_ = (sid_ + 1) % kSidCycle;
}

void tConverterDevice::OnMessage(tSimNode &node, const tN2kMsg &msg) {
  unsigned long pgn;
  if (msg.PGN != kPgnIsoRequest || !ParseN2kPGN59904(msg, pgn)) return;
  if (msg.Destination != node.GetN2kSource() && msg.Destination != kN2kGlobalAddress) return;
  tN2kMsg answer;
  if (pgn == kPgnBatteryConfigStatus) {
    SetN2kPGN127513(answer, static_cast<unsigned char>(batInstance_),
                    static_cast<tN2kBatType>(batType_), N2kBES_Yes,
                    static_cast<tN2kBatNomVolt>(nominal_), static_cast<tN2kBatChem>(chemistry_),
                    capacity_, 5, peukert_, 95);
  } else if (pgn == kPgnChargerConfigStatus) {
    SetN2kPGN127510(answer, static_cast<unsigned char>(chargerInstance_),
                    static_cast<unsigned char>(batInstance_), N2kOnOff_On, limit_,
                    static_cast<tN2kChargingAlgorithm>(algorithm_), N2kCM_Standalone, N2kBT_Warm,
                    N2kOnOff_Off, N2kOnOff_Off, N2kDoubleNA);
  } else {
    return;
  }
  node.Send(answer);
}

bool tConverterDevice::Set(const std::string &key, const std::string &value) {
  if (key == "sid") {
    script_.clear();
    return Integer(value, 0, 255, 0xff, sid_);
  }
  if (key == "connection") return Integer(value, 0, 255, 0xff, connection_);
  if (key == "state") return Integer(value, 0, 255, 0xff, state_);
  if (key == "temperature") return Integer(value, 0, 3, 3, temperature_);
  if (key == "overload") return Integer(value, 0, 3, 3, overload_);
  if (key == "lowdc") return Integer(value, 0, 3, 3, lowDC_);
  if (key == "ripple") return Integer(value, 0, 3, 3, ripple_);
  if (key == "batinstance") return Integer(value, 0, 255, 0xff, batInstance_);
  if (key == "battype") return Integer(value, 0, 15, 15, batType_);
  if (key == "nominal") return Integer(value, 0, 15, 15, nominal_);
  if (key == "chemistry") return Integer(value, 0, 15, 15, chemistry_);
  if (key == "capacity") return Number(value, 0, 65532 * 3600.0, capacity_);
  if (key == "peukert") return Number(value, 1.0, 1.5, peukert_);
  if (key == "chargerinstance") return Integer(value, 0, 255, 0xff, chargerInstance_);
  if (key == "limit") return Number(value, 0, 252, limit_);
  if (key == "algorithm") return Integer(value, 0, 15, 15, algorithm_);
  return false;
}

bool tConverterDevice::Extra(tSimNode &, const std::vector<std::string> &words,
                             std::string &error) {
  if (words.size() != 2 || words[0] != "sids") return false;
  std::deque<int> script;
  size_t at = 0;
  const std::string &list = words[1];
  while (at <= list.size()) {
    size_t comma = list.find(',', at);
    if (comma == std::string::npos) comma = list.size();
    uint64_t sid;
    if (!ParseUnsigned(list.substr(at, comma - at), 255, sid) || script.size() >= kMaxScript) {
      error = "usage: sids SID,SID,... (0..255, at most 64)";
      return false;
    }
    script.push_back(static_cast<int>(sid));
    at = comma + 1;
  }
  sid_ = script.front();
  script.pop_front();
  script_ = script;
  return true;
}
