// tRO500: construction, timing, and the terminal in both directions on the bus side.
#include "RO500.h"

#include <unistd.h>

#include <cstring>

#include "Console.h"
#include "N2kMsg.h"
#include "N2kTime.h"
#include "RVCMessages.h"
#include "Runtime.h"

namespace {
// Length of text without one final line feed, for log lines.
int LoggedLength(const char *text, size_t len) {
  if (len > 0 && text[len - 1] == '\n') len--;
  return static_cast<int>(len);
}

bool HasResume(const char *chars, size_t len) {
  for (size_t i = 0; i + 1 < len; i++)
    if (chars[i] == 'K' && chars[i + 1] == ';') return true;
  return false;
}
}  // namespace

tRO500::tRO500(int addr, const tRunSettings &settings, tMsgSender &bus)
    : canAddr_(addr), settings_(settings), bus_(bus) {
  rxBuf_[0] = '\0';
  cmdBuf_[0] = '\0';
  reset();
}

tRO500::~tRO500() {
  if (ttyFd_ != -1) close(ttyFd_);
  if (logFd_ != -1) close(logFd_);
}

void tRO500::reset() {
  txNext_ = nullptr;
  rxEnd_ = nullptr;
  ttyFd_ = -1;
  logFd_ = -1;
  logPath_.clear();
  statIndex_ = 0;
  lastStatus_ = Runtime->Millis();
  statTick_ = 0;
  suspended_ = false;
  lineEnd_ = lineBuf_;
  memset(lineBuf_, 0, sizeof(lineBuf_));
  ttyPath_.clear();
  resting_ = false;
  hungUp_ = false;
  partialLen_ = 0;
  skipToLineEnd_ = false;
}

void tRO500::markAlive() {
  lastHeartbeat_ = Runtime->Millis();
}

bool tRO500::isAlive() const {
  return Runtime->Millis() - lastHeartbeat_ < kHeartbeatTimeoutMs;
}

void tRO500::poll() {
  poll_terminal();
  poll_serialIn();
  poll_serialOut();
  if (settings_.statusUpdates) poll_status();
}

void tRO500::terminal2CAN(const char *text) {
  terminal2CAN(std::string(text == nullptr ? "" : text));
}

void tRO500::terminal2CAN(const std::string &text) {
  size_t len = text.size() < kBufferSize - 1 ? text.size() : kBufferSize - 1;
  memcpy(cmdBuf_, text.data(), len);
  cmdBuf_[len] = '\0';
  // Only up to the first "@" reaches the charger.
  char *at = static_cast<char *>(memchr(cmdBuf_, '@', len));
  if (at != nullptr) {
    at[1] = '\0';
    len = static_cast<size_t>(at + 1 - cmdBuf_);
  }
  txNext_ = cmdBuf_;
  txLast_ = Runtime->Millis();
  rxEnd_ = nullptr;
  partialLen_ = 0;
  skipToLineEnd_ = false;
  suspended_ = true;
  int shown = LoggedLength(cmdBuf_, len);
  if (Logging(4)) StreamPrintf(Console, "tRO500::terminal2CAN: Queuing %.*s\n", shown, cmdBuf_);
  if (Logging(5))
    StreamPrintf(Console, "tRO500::terminal2CAN: Suspending output while processing %.*s\n", shown,
                 cmdBuf_);
}

void tRO500::poll_terminal() {
  uint32_t now = Runtime->Millis();
  if (txNext_ == nullptr || now - txLast_ < kChunkIntervalMs) return;
  txLast_ = now;
  int n = static_cast<int>(strnlen(txNext_, kChunkChars));
  if (Logging(4))
    StreamPrintf(Console, "tRO500::poll_terminal: chunking(%d) %.*s to %d\n", n,
                 LoggedLength(txNext_, n), txNext_, canAddr_);
  tN2kMsg msg;
  SetRVCPGN17E00(msg, static_cast<unsigned char>(canAddr_), n, txNext_);
  bus_.SendMsg(msg);
  // A chunk of exactly 8 is followed by another, empty if need be, to end the text.
  if (n < kChunkChars)
    txNext_ = nullptr;
  else
    txNext_ += kChunkChars;
}

void tRO500::UpdTerminalFromCAN(const char *chars) {
  size_t n = strnlen(chars, kBufferSize - 1);
  if (rxEnd_ == nullptr) {
    memset(rxBuf_, 0, sizeof(rxBuf_));
    rxEnd_ = rxBuf_;
  }
  const char *p = chars;
  size_t left = n;
  while (left > 0) {
    if (rxEnd_ == nullptr) {
      memset(rxBuf_, 0, sizeof(rxBuf_));
      rxEnd_ = rxBuf_;
    }
    size_t room = kBufferSize - 1 - static_cast<size_t>(rxEnd_ - rxBuf_);
    size_t take = left < room ? left : room;
    memcpy(rxEnd_, p, take);
    rxEnd_ += take;
    *rxEnd_ = '\0';
    p += take;
    left -= take;
    // 4095 characters and still no line feed: they go to the port as they are.
    if (static_cast<size_t>(rxEnd_ - rxBuf_) == kBufferSize - 1) flushReceived();
  }
  if (HasResume(chars, n)) {
    if (Logging(5)) Console->println("tRO500::UpdTerminalFromCAN: Resuming output received AOK");
    suspended_ = false;
  }
  if (Logging(7))
    StreamPrintf(Console, "tRO500::UpdTerminalFromCAN(%d): %.*s\n", static_cast<int>(n),
                 static_cast<int>(n), chars);
}

std::string tRO500::receivedText() const {
  return rxEnd_ == nullptr ? std::string()
                           : std::string(rxBuf_, static_cast<size_t>(rxEnd_ - rxBuf_));
}

std::string tRO500::takeReceived() {
  if (rxEnd_ == nullptr) return std::string();
  std::string text(rxBuf_, static_cast<size_t>(rxEnd_ - rxBuf_));
  memset(rxBuf_, 0, sizeof(rxBuf_));
  rxEnd_ = nullptr;
  return text;
}

uint32_t tRO500::msUntilDue(uint32_t now) const {
  uint32_t due = UINT32_MAX;
  // Due once at least interval has passed since `since`.
  auto consider = [&](uint32_t since, uint32_t interval) {
    const uint32_t left = N2kMsLeft(now, since, interval);
    if (left < due) due = left;
  };
  if (txNext_ != nullptr) consider(txLast_, kChunkIntervalMs);
  if (settings_.statusUpdates) {
    if (suspended_)
      consider(lastStatus_, kSuspendTimeoutMs + 1);  // "more than" 20000 ms
    else
      consider(lastStatus_, kStatusIntervalMs);
  }
  consider(lastHeartbeat_, kHeartbeatTimeoutMs);
  if (resting_ || (ttyFd_ == -1 && !ttyPath_.empty())) consider(restStart_, kPortRestMs);
  return due;
}
