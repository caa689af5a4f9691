// The RO500's "do NODE ..." commands.
#include <cctype>

#include "RO500Charger.h"
#include "SimNode.h"
#include "SimText.h"

using namespace simtext;

namespace {

constexpr uint32_t kMaxPaceMs = 60000;
// DM_RV: 0x7FFFF means no SPN, 31 no FMI, 0x7F no count.
constexpr uint64_t kMaxSpn = 0x7fffe;
constexpr uint64_t kMaxFmi = 30;
constexpr int kMaxCount = 126;

// key=value words after the verb, each handed to apply; false with a message for the
// first one it refuses.
template <typename Apply>
bool ForEachKey(const std::vector<std::string> &words, const char *usage, std::string &error,
                Apply apply) {
  if (words.size() < 2) {
    error = std::string("usage: ") + usage;
    return false;
  }
  for (size_t i = 1; i < words.size(); i++) {
    std::string key, value;
    if (!SplitKeyValue(words[i], key, value) || !apply(key, value)) {
      error = "bad '" + words[i] + "'; usage: " + usage;
      return false;
    }
  }
  return true;
}

bool Number(const std::string &value, double min, double max, double &out) {
  double v;
  if (!ParseNumber(value, v) || v < min || v > max) return false;
  out = v;
  return true;
}

bool Integer(const std::string &value, int64_t min, int64_t max, int &out) {
  int64_t v;
  if (!ParseSigned(value, min, max, v)) return false;
  out = static_cast<int>(v);
  return true;
}

bool OnOff(const std::vector<std::string> &words, bool &out) {
  return words.size() == 2 && ParseBool(words[1], out);
}

// A message the node could not queue (its outgoing frames are full) is a failed command.
bool Queued(bool sent, std::string &error) {
  if (!sent) error = "ro500: the node cannot queue more";
  return sent;
}

}  // namespace

bool tRO500Charger::OnCommand(tSimNode &node, const std::string &text, std::string &error) {
  std::vector<std::string> words;
  if (!SplitWords(text, words, error)) return false;
  const std::string verb = words.empty() ? "" : words[0];
  uint64_t n;
  if (verb == "heartbeat" && OnOff(words, heartbeatOn_)) {
    heartbeatSent_ = false;  // back on: the next one goes out at once
    return true;
  }
  if (verb == "echo" && OnOff(words, echo_)) return true;
  if (verb == "pace" && words.size() == 2 && ParseUnsigned(words[1], kMaxPaceMs, n)) {
    console_.SetPace(static_cast<uint32_t>(n));
    return true;
  }
  if (verb == "output") return CommandOutput(words, error);
  if (verb == "status") return CommandStatus(node, words, error);
  if (verb == "config" && words.size() == 1) return Queued(SendConfig(node), error);
  if (verb == "configure") return CommandConfigure(node, words, error);
  if (verb == "fault") return CommandFault(node, words, error);
  if (verb == "clear" && words.size() == 1) {
    fault_.active = false;
    return Queued(SendDiag(node), error);
  }
  if (verb == "diag" && words.size() == 1) return Queued(SendDiag(node), error);
  if (verb == "ast") return CommandAst(words, error);
  if (verb == "line") return CommandLine(text, error);
  error =
      "ro500: expected heartbeat on|off, echo on|off, pace MS, output, status, config, "
      "configure, fault SPN FMI [red|yellow], clear, diag, ast N=VALUE..., line TAG [TEXT]; "
      "got '" +
      text + "'";
  return false;
}

bool tRO500Charger::CommandOutput(const std::vector<std::string> &words, std::string &error) {
  tOutput o = output_;
  if (!ForEachKey(words, "output [volts=V] [amps=A] [temp=C]", error,
                  [&](const std::string &key, const std::string &value) {
                    if (key == "volts") return Number(value, 0, 3212.5, o.volts);
                    if (key == "amps") return Number(value, -1600, 1612.5, o.amps);
                    if (key == "temp") return Integer(value, -40, 210, o.temp);
                    return false;
                  }))
    return false;
  output_ = o;
  // The console's AST line shows the same measurements.
  ast_[12] = o.volts;
  ast_[2] = o.amps;
  ast_[10] = o.temp;
  return true;
}

bool tRO500Charger::CommandStatus(tSimNode &node, const std::vector<std::string> &words,
                                  std::string &error) {
  tStatus s = status_;
  if (words.size() > 1 &&
      !ForEachKey(words,
                  "status [volts=V] [amps=A] [percent=P] [state=N] [enable=on|off] "
                  "[autorecharge=on|off] [force=N]",
                  error, [&](const std::string &key, const std::string &value) {
                    if (key == "volts") return Number(value, 0, 3212.5, s.volts);
                    if (key == "amps") return Number(value, -1600, 1612.5, s.amps);
                    if (key == "percent") return Number(value, 0, 125, s.percent);
                    if (key == "state") return Integer(value, 0, 255, s.state);
                    if (key == "enable") return ParseBool(value, s.enableAtPowerOn);
                    if (key == "autorecharge") return ParseBool(value, s.autoRecharge);
                    if (key == "force") return Integer(value, 0, 15, s.force);
                    return false;
                  }))
    return false;
  status_ = s;
  return Queued(SendStatus(node), error);
}

bool tRO500Charger::CommandConfigure(tSimNode &node, const std::vector<std::string> &words,
                                     std::string &error) {
  tConfig c = config_;
  if (!ForEachKey(words,
                  "configure [algorithm=N] [mode=N] [battery=N] [size=AH] [maxamps=A] "
                  "[sensor=on|off] [line=1|2]",
                  error, [&](const std::string &key, const std::string &value) {
                    if (key == "algorithm") return Integer(value, 0, 255, c.algorithm);
                    if (key == "mode") return Integer(value, 0, 255, c.mode);
                    if (key == "battery") return Integer(value, 0, 15, c.battery);
                    if (key == "size") return Integer(value, 0, 65535, c.size);
                    if (key == "maxamps") return Number(value, -1600, 1612.5, c.maxAmps);
                    if (key == "sensor") return ParseBool(value, c.sensor);
                    if (key == "line") return Integer(value, 1, 2, c.line);
                    return false;
                  }))
    return false;
  config_ = c;
  return Queued(SendConfig(node), error);
}

// Each raise of the same SPN and FMI counts one more occurrence.
bool tRO500Charger::CommandFault(tSimNode &node, const std::vector<std::string> &words,
                                 std::string &error) {
  uint64_t spn, fmi;
  const bool lampOk =
      words.size() == 3 || (words.size() == 4 && (words[3] == "red" || words[3] == "yellow"));
  if (!lampOk || !ParseUnsigned(words[1], kMaxSpn, spn) || !ParseUnsigned(words[2], kMaxFmi, fmi)) {
    error = "usage: fault SPN FMI [red|yellow] (SPN 0..524286, FMI 0..30)";
    return false;
  }
  int &count = occurrences_[static_cast<uint32_t>(spn << 5 | fmi)];
  if (count < kMaxCount) count++;
  fault_.active = true;
  fault_.red = words.size() == 3 || words[3] == "red";
  fault_.spn = static_cast<uint32_t>(spn);
  fault_.fmi = static_cast<int>(fmi);
  fault_.count = count;
  return Queued(SendDiag(node), error);
}

bool tRO500Charger::CommandAst(const std::vector<std::string> &words, std::string &error) {
  double values[kAstFields];
  for (int i = 0; i < kAstFields; i++) values[i] = ast_[i];
  if (!ForEachKey(words, "ast N=VALUE... (N = 1..16)", error,
                  [&](const std::string &key, const std::string &value) {
                    uint64_t field;
                    return ParseUnsigned(key, kAstFields, field) && field >= 1 &&
                           Number(value, -1e6, 1e6, values[field - 1]);
                  }))
    return false;
  for (int i = 0; i < kAstFields; i++) ast_[i] = values[i];
  return true;
}

// "line TAG TEXT": TEXT, as it stands, becomes the tag's line; "line TAG" brings back
// the default.
bool tRO500Charger::CommandLine(const std::string &text, std::string &error) {
  size_t at = text.find("line") + 4;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) at++;
  size_t end = at;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) end++;
  const std::string tag = text.substr(at, end - at);
  while (end < text.size() && std::isspace(static_cast<unsigned char>(text[end]))) end++;
  std::string line = text.substr(end);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  for (int k = 0; k < kOtherLines; k++) {
    if (tag != kLineTags[k]) continue;
    if (line.size() > tTerminalConsole::kMaxLine) {
      error = "line: text longer than 256 characters";
      return false;
    }
    lines_[k] = line;
    return true;
  }
  error = "usage: line CPE|NPC|CST|SCV|SST|ENG|FLT [TEXT]";
  return false;
}
