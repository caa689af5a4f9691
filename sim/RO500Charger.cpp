#include "RO500Charger.h"

#include <cmath>
#include <cstdio>

#include "N2kPgns.h"
#include "RVCMessages.h"
#include "SimNode.h"

const char *const kRO500NodeDefaults[] = {
    "mfr=963",
    "product=200",
    "model=RO500",
    "sw=RODE2.1.5",
    "function=160",  // battery charger
    "class=35",      // electrical generation
    "tx=1FEA3h,1FFC7h,1FFC6h,1FECAh,17E00h",
    "rx=17E00h",
    nullptr,
};

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kStatusCommand[] = "$RAS:@";
constexpr char kDone[] = "AOK;";
constexpr uint8_t kInstance = 1;
constexpr uint8_t kDcInstance = 1;  // main house battery
constexpr uint8_t kChargerPriority = 80;
constexpr uint8_t kDsaCharger = 74;  // converter (charger) #1
constexpr uint32_t kNoSpn = 0x7ffff;
constexpr int kNoCount = 0x7f;

// The device's own lines; the daemon keeps them as opaque text.
const char *const kDefaultLines[tRO500Charger::kOtherLines] = {
    "CPE;,2,14.40,13.60,13.20,30,240",
    "NPC;,1,230,50,16",
    "CST;,3,14.40,4.5,40",
    "SCV;,14.40,13.95,13.60",
    "SST;,1,0,0",
    "ENG;,0,0",
    "FLT;,0,0",
};
// An AST line as a RO500 sends it (the example of the status-line format).
const double kDefaultAst[tRO500Charger::kAstFields] = {
    100.5, 13.20, 4.5, -2.0, 60, 14.40, 30, 432, 21, 25, 40, 1800, 13.95, 7, 8, 90};

// RV-C raw values (0.05 V; 0.05 A from -1600 A; 1 C from -40 C), in range by the
// commands' checks.
uint16_t RawVolts(double v) {
  return static_cast<uint16_t>(std::lround(v / 0.05));
}
uint16_t RawAmps(double a) {
  return static_cast<uint16_t>(std::lround((a + 1600) / 0.05));
}

}  // namespace

const char *const tRO500Charger::kLineTags[kOtherLines] = {"CPE", "NPC", "CST", "SCV",
                                                           "SST", "ENG", "FLT"};

tRO500Charger::tRO500Charger() {
  for (int i = 0; i < kAstFields; i++) ast_[i] = kDefaultAst[i];
}

void tRO500Charger::OnMessage(tSimNode &node, const tN2kMsg &msg) {
  if (msg.PGN != kDgnTerminal || msg.Destination != node.GetN2kSource()) return;
  if (msg.Source >= kN2kNullAddress) return;
  unsigned char address;
  int count;
  char chars[8];
  if (!ParseRVCPGN17E00(msg, address, count, chars) || count == 0) return;
  if (echo_) console_.Say(msg.Source, std::string(chars, static_cast<size_t>(count)));
  std::vector<std::string> lines;
  console_.Receive(msg.Source, chars, count, lines);
  for (const std::string &line : lines) Answer(msg.Source, line);
}

// A console moves to a new line after a command; its answer follows.
void tRO500Charger::Answer(uint8_t sender, const std::string &line) {
  if (echo_ && !line.empty() && line.back() == '@') console_.Say(sender, kLineEnd);
  if (line == kStatusCommand) {
    console_.Say(sender, StatusLine("AST") + kLineEnd);
    for (const char *tag : kLineTags) console_.Say(sender, StatusLine(tag) + kLineEnd);
  }
  console_.Say(sender, std::string(kDone) + kLineEnd);
}

std::string tRO500Charger::StatusLine(const std::string &tag) const {
  char text[256];
  if (tag == "AST") {
    const double *f = ast_;
    auto i = [](double v) { return static_cast<int>(v); };
    std::snprintf(text, sizeof(text),
                  "AST;,%.2f, ,%2.2f,%2.1f,%2.1f,%d, ,%2.2f,%d,%d,%d, ,%d,%d, ,%d, ,%2.2f,%d,%d,%d",
                  f[0], f[1], f[2], f[3], i(f[4]), f[5], i(f[6]), i(f[7]), i(f[8]), i(f[9]),
                  i(f[10]), i(f[11]), f[12], i(f[13]), i(f[14]), i(f[15]));
    return text;
  }
  for (int k = 0; k < kOtherLines; k++) {
    if (tag != kLineTags[k]) continue;
    if (!lines_[k].empty()) return lines_[k];
    if (tag == "FLT" && fault_.active) {
      std::snprintf(text, sizeof(text), "FLT;,%lu,%d", static_cast<unsigned long>(fault_.spn),
                    fault_.fmi);
      return text;
    }
    return kDefaultLines[k];
  }
  return "";
}

void tRO500Charger::OnTick(tSimNode &node, uint32_t now) {
  // Nothing before the address is settled: the library would hold it back anyway.
  if (!node.IsReady()) return;
  if (heartbeatOn_ && (!heartbeatSent_ || now - lastHeartbeat_ >= kHeartbeatMs) &&
      SendHeartbeat(node)) {
    heartbeatSent_ = true;
    lastHeartbeat_ = now;
  }
  const tTerminalConsole::tPiece *piece = console_.Due(now);
  if (piece == nullptr) return;
  tN2kMsg msg;
  SetRVCPGN17E00(msg, piece->destination, piece->count, piece->chars);
  if (node.Send(msg)) console_.Sent(now);
}

void tRO500Charger::OnResume(tSimNode &) {
  console_.Clear();
  heartbeatSent_ = false;
}

bool tRO500Charger::SendHeartbeat(tSimNode &node) {
  tN2kMsg msg;
  SetRVCPGN1FEA3(msg, kInstance, kDcInstance, kChargerPriority, RawVolts(output_.volts),
                 RawAmps(output_.amps), static_cast<uint8_t>(output_.temp + 40));
  return node.Send(msg);
}

bool tRO500Charger::SendStatus(tSimNode &node) {
  tN2kMsg msg;
  SetRVCPGN1FFC7(msg, kInstance, RawVolts(status_.volts), RawAmps(status_.amps),
                 static_cast<uint8_t>(std::lround(status_.percent * 2)),
                 static_cast<tRVCBatChrgMode>(status_.state), status_.enableAtPowerOn,
                 status_.autoRecharge, static_cast<tRVCChrgForceChrg>(status_.force));
  return node.Send(msg);
}

bool tRO500Charger::SendConfig(tSimNode &node) {
  tN2kMsg msg;
  SetRVCPGN1FFC6(msg, kInstance, static_cast<tRVCChrgAlg>(config_.algorithm),
                 static_cast<tRVCChrgMode>(config_.mode), config_.sensor,
                 static_cast<tRVCChrgLine>(config_.line - 1),
                 static_cast<tRVCBatType>(config_.battery), static_cast<uint16_t>(config_.size),
                 RawAmps(config_.maxAmps));
  return node.Send(msg);
}

// On and running; with no fault both lamps are off and SPN, FMI and count not available.
bool tRO500Charger::SendDiag(tSimNode &node) {
  const bool on = fault_.active;
  tN2kMsg msg;
  SetISOPGN1FECA(msg, true, true, on && fault_.red, on && !fault_.red, kDsaCharger,
                 on ? fault_.spn : kNoSpn, static_cast<tISOFMIType>(on ? fault_.fmi : 31),
                 static_cast<uint8_t>(on ? fault_.count : kNoCount), 0xff, 0x0f);
  return node.Send(msg);
}
