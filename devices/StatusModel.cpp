// tStatusModel: filing the charger's lines, and the periodic status output on the port
// and in the log file.
#include "StatusModel.h"

#include <cstring>

#include "Console.h"
#include "N2kTime.h"

tStatusModel::tStatusModel(tTerminalBridge &bridge, tConsole &console, uint32_t now)
    : bridge_(bridge), console_(console), lastStatus_(now) {}

tRO500StatBase *tStatusModel::Rotating(int index) {
  tRO500StatBase *const order[kRotatingRecords] = {&cpe_, &npc_, &cst_, &scv_, &sst_, &eng_, &flt_};
  return order[index % kRotatingRecords];
}

void tStatusModel::poll_status(uint32_t now) {
  if (now - lastStatus_ > kSuspendTimeoutMs) {
    if (console_.Logging(5))
      console_.println("tRO500::poll_status: Resuming output after command timeout");
    bridge_.Resume();
  }
  if (bridge_.Suspended() || now - lastStatus_ < kStatusIntervalMs) return;

  std::string line = ast_.status(now);
  if (!line.empty()) {
    bridge_.WritePort(line);
  } else {
    if (console_.Logging(4))
      console_.println("tRO500::poll_status: Requeuing $RAS to populate status");
    bridge_.terminal2CAN("$RAS:@", now);
  }
  lastStatus_ = now;
  statTick_ = (statTick_ + 1) % kTicksPerLog;
  if (statTick_ != 0) return;

  if (!line.empty()) bridge_.logLine(line);
  std::string stored = Rotating(statIndex_)->status(now);
  statIndex_ = (statIndex_ + 1) % kRotatingRecords;
  if (!stored.empty()) {
    bridge_.WritePort(stored);
    bridge_.logLine(stored);
  }
}

uint32_t tStatusModel::MsUntilDue(uint32_t now) const {
  if (bridge_.Suspended())
    return N2kMsLeft(now, lastStatus_, kSuspendTimeoutMs + 1);  // "more than"
  return N2kMsLeft(now, lastStatus_, kStatusIntervalMs);
}

void tStatusModel::CommandQueued() {
  partialLen_ = 0;
  skipToLineEnd_ = false;
}

void tStatusModel::Flushed(const std::string &text, uint32_t now) {
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find('\n', start);
    if (lf == std::string::npos) {
      KeepPartialLine(text.data() + start, text.size() - start);
      return;
    }
    size_t len = lf + 1 - start;
    if (skipToLineEnd_) {
      skipToLineEnd_ = false;
    } else if (partialLen_ > 0) {
      std::string line(partialLine_, partialLen_);
      line.append(text, start, len);
      // What was left over may be no line start at all (the ".." after a fault line).
      if (!FileLine(line, now)) FileLine(text.substr(start, len), now);
    } else {
      FileLine(text.substr(start, len), now);
    }
    partialLen_ = 0;
    start = lf + 1;
  }
}

void tStatusModel::KeepPartialLine(const char *text, size_t len) {
  if (skipToLineEnd_) return;
  if (partialLen_ + len > sizeof(partialLine_)) {
    partialLen_ = 0;
    skipToLineEnd_ = true;
    return;
  }
  memcpy(partialLine_ + partialLen_, text, len);
  partialLen_ += len;
}

tRO500StatBase *tStatusModel::Record(const char *tag) {
  const struct {
    const char *tag;
    tRO500StatBase *record;
  } kRecords[] = {{"AST", &ast_}, {"CPE", &cpe_}, {"NPC", &npc_}, {"CST", &cst_},
                  {"SCV", &scv_}, {"SST", &sst_}, {"ENG", &eng_}, {"FLT", &flt_}};
  for (const auto &r : kRecords)
    if (strncmp(tag, r.tag, 3) == 0) return r.record;
  return nullptr;
}

std::string tStatusModel::StoredLine(const char *tag) const {
  tRO500StatBase *r = const_cast<tStatusModel *>(this)->Record(tag);
  return r == nullptr || r == &ast_ ? std::string() : r->text;
}

bool tStatusModel::FileLine(const std::string &line, uint32_t now) {
  tRO500StatBase *r = Record(line.c_str());
  std::string filed = line;
  // The charger may wrap a fault line in "..": keep what lies between.
  if (r == nullptr && line.compare(0, 5, "..FLT") == 0) {
    size_t end = line.find("..", 2);
    filed = line.substr(2, end == std::string::npos ? std::string::npos : end - 2);
    r = &flt_;
  }
  if (r == nullptr) return false;
  r->status(filed, now);
  if (events_ != nullptr) events_->OnStatusLine(*record_, filed);
  return true;
}
