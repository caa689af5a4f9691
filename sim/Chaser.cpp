#include "Chaser.h"

#include <vector>

#include "N2kGroupMessages.h"
#include "SimNode.h"
#include "SimText.h"

using namespace simtext;

void tChaser::OnMessage(tSimNode &node, const tN2kMsg &msg) {
  if (!chasing_ || msg.PGN != kPgnIsoAddressClaim || msg.Source >= kN2kNullAddress) return;
  if (msg.Source == node.GetN2kSource()) return;  // the claim machine settles that one
  uint64_t name;
  if (!ParseN2kPGN60928(msg, name) || node.IsSimulatedName(name)) return;
  if (target_ >= 0 && tN2kName::Unpack(name).ManufacturerCode != target_) return;
  node.ClaimAddress(msg.Source);
  chased_++;
  if (remaining_ > 0 && --remaining_ == 0) chasing_ = false;
}

bool tChaser::OnCommand(tSimNode &, const std::string &text, std::string &error) {
  std::vector<std::string> words;
  if (!SplitWords(text, words, error)) return false;
  uint64_t n = 0;
  if (words.empty()) words.push_back("");
  if (words.size() == 1 && words[0] == "stop") {
    chasing_ = false;
    return true;
  }
  if (words[0] == "start" &&
      (words.size() == 1 || (words.size() == 2 && ParseUnsigned(words[1], 1000000, n) && n > 0))) {
    chasing_ = true;
    remaining_ = static_cast<uint32_t>(n);
    return true;
  }
  if (words.size() == 2 && words[0] == "target") {
    if (words[1] == "any") {
      target_ = -1;
      return true;
    }
    if (ParseUnsigned(words[1], 0x7ff, n)) {
      target_ = static_cast<int>(n);
      return true;
    }
  }
  error = "chaser: expected stop, start [N], target MFR or target any; got '" + text + "'";
  return false;
}
