#include "PeriodicSender.h"

#include "SimNode.h"
#include "SimText.h"

using namespace simtext;

namespace {
constexpr uint64_t kMaxPeriodMs = 3600000;
}  // namespace

void tPeriodicSender::OnTick(tSimNode &node, uint32_t now) {
  if (!on_ || !node.IsReady()) return;
  if (sentOnce_ && now - lastSent_ < periodMs_) return;
  // A message the node could not queue is tried again on the next tick.
  if (!SendNow(node)) return;
  sentOnce_ = true;
  lastSent_ = now;
}

void tPeriodicSender::OnResume(tSimNode &) {
  sentOnce_ = false;
}

bool tPeriodicSender::SendNow(tSimNode &node) {
  tN2kMsg msg;
  if (!Build(msg) || !node.Send(msg)) return false;
  Sent();
  return true;
}

bool tPeriodicSender::OnCommand(tSimNode &node, const std::string &text, std::string &error) {
  std::vector<std::string> words;
  if (!SplitWords(text, words, error)) return false;
  const std::string verb = words.empty() ? "" : words[0];
  uint64_t n;
  if (verb == "period" && words.size() == 2 && ParseUnsigned(words[1], kMaxPeriodMs, n) && n > 0) {
    periodMs_ = static_cast<uint32_t>(n);
    return true;
  }
  if (verb == "stop" && words.size() == 1) {
    on_ = false;
    return true;
  }
  if (verb == "start" && words.size() == 1) {
    on_ = true;
    sentOnce_ = false;
    return true;
  }
  if (verb == "send" && words.size() == 1) {
    if (SendNow(node)) return true;
    error = "the node cannot send now";
    return false;
  }
  if (verb == "set" && words.size() > 1) {
    for (size_t i = 1; i < words.size(); i++) {
      std::string key, value;
      if (!SplitKeyValue(words[i], key, value) || !Set(key, value)) {
        error = "bad '" + words[i] + "'; keys: " + Keys();
        return false;
      }
    }
    return true;
  }
  if (Extra(node, words, error)) return true;
  if (error.empty())
    error = "expected period MS, stop, start, send, set KEY=VALUE... (" + std::string(Keys()) +
            "); got '" + text + "'";
  return false;
}

bool tPeriodicSender::Extra(tSimNode &, const std::vector<std::string> &, std::string &) {
  return false;
}

bool tPeriodicSender::Number(const std::string &value, double min, double max, double &out) {
  if (value == "na") {
    out = N2kDoubleNA;
    return true;
  }
  double v;
  if (!ParseNumber(value, v) || v < min || v > max) return false;
  out = v;
  return true;
}

bool tPeriodicSender::Integer(const std::string &value, int64_t min, int64_t max, int64_t na,
                              int &out) {
  if (value == "na") {
    out = static_cast<int>(na);
    return true;
  }
  int64_t v;
  if (!ParseSigned(value, min, max, v)) return false;
  out = static_cast<int>(v);
  return true;
}
