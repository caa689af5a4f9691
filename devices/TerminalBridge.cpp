// tTerminalBridge: the bus side: commands out in paced chunks, answers collected.
#include "TerminalBridge.h"

#include <unistd.h>

#include <cstring>

#include "Console.h"
#include "N2kMsg.h"
#include "N2kTime.h"
#include "RVCMessages.h"

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

tTerminalBridge::tTerminalBridge(int addr, const tRunSettings &settings, tMsgSender &bus,
                                 tConsole &console)
    : canAddr_(addr), settings_(settings), bus_(bus), console_(console) {
  rxBuf_[0] = '\0';
  cmdBuf_[0] = '\0';
}

tTerminalBridge::~tTerminalBridge() {
  if (ttyFd_ != -1) close(ttyFd_);
  if (logFd_ != -1) close(logFd_);
}

void tTerminalBridge::terminal2CAN(const char *text, uint32_t now) {
  terminal2CAN(std::string(text == nullptr ? "" : text), now);
}

void tTerminalBridge::terminal2CAN(const std::string &text, uint32_t now) {
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
  txLast_ = now;
  rxEnd_ = nullptr;
  if (listener_ != nullptr) listener_->CommandQueued();
  suspended_ = true;
  int shown = LoggedLength(cmdBuf_, len);
  if (console_.Logging(4))
    StreamPrintf(&console_, "tRO500::terminal2CAN: Queuing %.*s\n", shown, cmdBuf_);
  if (console_.Logging(5))
    StreamPrintf(&console_, "tRO500::terminal2CAN: Suspending output while processing %.*s\n",
                 shown, cmdBuf_);
}

void tTerminalBridge::poll_terminal(uint32_t now) {
  if (txNext_ == nullptr || now - txLast_ < kChunkIntervalMs) return;
  txLast_ = now;
  int n = static_cast<int>(strnlen(txNext_, kChunkChars));
  if (console_.Logging(4))
    StreamPrintf(&console_, "tRO500::poll_terminal: chunking(%d) %.*s to %d\n", n,
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

void tTerminalBridge::UpdTerminalFromCAN(const char *chars, uint32_t now) {
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
    if (static_cast<size_t>(rxEnd_ - rxBuf_) == kBufferSize - 1) FlushReceived(now);
  }
  if (HasResume(chars, n)) {
    if (console_.Logging(5))
      console_.println("tRO500::UpdTerminalFromCAN: Resuming output received AOK");
    suspended_ = false;
  }
  if (console_.Logging(7))
    StreamPrintf(&console_, "tRO500::UpdTerminalFromCAN(%d): %.*s\n", static_cast<int>(n),
                 static_cast<int>(n), chars);
}

std::string tTerminalBridge::ReceivedText() const {
  return rxEnd_ == nullptr ? std::string()
                           : std::string(rxBuf_, static_cast<size_t>(rxEnd_ - rxBuf_));
}

std::string tTerminalBridge::takeReceived() {
  if (rxEnd_ == nullptr) return std::string();
  std::string text(rxBuf_, static_cast<size_t>(rxEnd_ - rxBuf_));
  memset(rxBuf_, 0, sizeof(rxBuf_));
  rxEnd_ = nullptr;
  return text;
}

// Without a port the text is still handed on; only the write has nowhere to go.
void tTerminalBridge::FlushReceived(uint32_t now) {
  std::string text = takeReceived();
  WritePort(text);
  if (console_.Logging(5)) StreamPrintf(&console_, "Got(%d)\n%s\n", canAddr_, text.c_str());
  if (listener_ != nullptr) listener_->Flushed(text, now);
}

uint32_t tTerminalBridge::MsUntilDue(uint32_t now) const {
  uint32_t due = kN2kNeverDue;
  if (txNext_ != nullptr) due = N2kMsLeft(now, txLast_, kChunkIntervalMs);
  if (resting_ || (ttyFd_ == -1 && !ttyPath_.empty())) {
    const uint32_t rest = N2kMsLeft(now, restStart_, kPortRestMs);
    if (rest < due) due = rest;
  }
  return due;
}
