// tRO500: construction, timing, and the terminal in both directions on the bus side.
#include "RO500.h"

#include <unistd.h>

#include <cstring>

#include "Console.h"
#include "N2kMsg.h"
#include "RVCMessages.h"
#include "RunSettings.h"
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

tRO500::tRO500(int addr) : canAddr(addr) {
  memset(lastCCS, 0, sizeof(lastCCS));
  memset(lastDiag, 0, sizeof(lastDiag));
  rxBuf[0] = '\0';
  cmdBuf[0] = '\0';
  reset();
}

tRO500::~tRO500() {
  if (ttyFd != -1) close(ttyFd);
  if (logFd != -1) close(logFd);
}

void tRO500::reset() {
  txNext = nullptr;
  rxEnd = nullptr;
  ttyFd = -1;
  logFd = -1;
  logPath.clear();
  statIndex = 0;
  lastStatus = Runtime->Millis();
  statTick = 0;
  suspended = false;
  lineEnd = lineBuf;
  memset(lineBuf, 0, sizeof(lineBuf));
  ttyPath_.clear();
  resting_ = false;
  hungUp_ = false;
  partialLen_ = 0;
  skipToLineEnd_ = false;
}

void tRO500::markAlive() {
  lastHeartbeat = Runtime->Millis();
}

bool tRO500::isAlive() const {
  return Runtime->Millis() - lastHeartbeat < kHeartbeatTimeoutMs;
}

void tRO500::poll() {
  poll_terminal();
  poll_serialIn();
  poll_serialOut();
  if (RunSettings.statusUpdates) poll_status();
}

void tRO500::terminal2CAN(const char *text) {
  terminal2CAN(std::string(text == nullptr ? "" : text));
}

void tRO500::terminal2CAN(const std::string &text) {
  size_t len = text.size() < kBufferSize - 1 ? text.size() : kBufferSize - 1;
  memcpy(cmdBuf, text.data(), len);
  cmdBuf[len] = '\0';
  // Only up to the first "@" reaches the charger.
  char *at = static_cast<char *>(memchr(cmdBuf, '@', len));
  if (at != nullptr) {
    at[1] = '\0';
    len = static_cast<size_t>(at + 1 - cmdBuf);
  }
  txNext = cmdBuf;
  txLast = Runtime->Millis();
  rxEnd = nullptr;
  partialLen_ = 0;
  skipToLineEnd_ = false;
  suspended = true;
  int shown = LoggedLength(cmdBuf, len);
  if (RunSettings.debugLevel > 3)
    StreamPrintf(Console, "tRO500::terminal2CAN: Queuing %.*s\n", shown, cmdBuf);
  if (RunSettings.debugLevel > 4)
    StreamPrintf(Console, "tRO500::terminal2CAN: Suspending output while processing %.*s\n", shown,
                 cmdBuf);
}

void tRO500::poll_terminal() {
  uint32_t now = Runtime->Millis();
  if (txNext == nullptr || now - txLast < kChunkIntervalMs) return;
  txLast = now;
  int n = static_cast<int>(strnlen(txNext, kChunkChars));
  if (RunSettings.debugLevel > 3)
    StreamPrintf(Console, "tRO500::poll_terminal: chunking(%d) %.*s to %d\n", n,
                 LoggedLength(txNext, n), txNext, canAddr);
  tN2kMsg msg;
  SetRVCPGN17E00(msg, static_cast<unsigned char>(canAddr), n, txNext);
  Runtime->SendMsg(msg);
  // A chunk of exactly 8 is followed by another, empty if need be, to end the text.
  if (n < kChunkChars)
    txNext = nullptr;
  else
    txNext += kChunkChars;
}

void tRO500::UpdTerminalFromCAN(const char *chars) {
  size_t n = strnlen(chars, kBufferSize - 1);
  if (rxEnd == nullptr) {
    memset(rxBuf, 0, sizeof(rxBuf));
    rxEnd = rxBuf;
  }
  const char *p = chars;
  size_t left = n;
  while (left > 0) {
    if (rxEnd == nullptr) {
      memset(rxBuf, 0, sizeof(rxBuf));
      rxEnd = rxBuf;
    }
    size_t room = kBufferSize - 1 - static_cast<size_t>(rxEnd - rxBuf);
    size_t take = left < room ? left : room;
    memcpy(rxEnd, p, take);
    rxEnd += take;
    *rxEnd = '\0';
    p += take;
    left -= take;
    // 4095 characters and still no line feed: they go to the port as they are.
    if (static_cast<size_t>(rxEnd - rxBuf) == kBufferSize - 1) flushReceived();
  }
  if (HasResume(chars, n)) {
    if (RunSettings.debugLevel > 4)
      Console->println("tRO500::UpdTerminalFromCAN: Resuming output received AOK");
    suspended = false;
  }
  if (RunSettings.debugLevel > 6)
    StreamPrintf(Console, "tRO500::UpdTerminalFromCAN(%d): %.*s\n", static_cast<int>(n),
                 static_cast<int>(n), chars);
}

std::string tRO500::takeReceived() {
  if (rxEnd == nullptr) return std::string();
  std::string text(rxBuf, static_cast<size_t>(rxEnd - rxBuf));
  memset(rxBuf, 0, sizeof(rxBuf));
  rxEnd = nullptr;
  return text;
}

uint32_t tRO500::msUntilDue(uint32_t now) const {
  uint32_t due = UINT32_MAX;
  // Due once at least interval has passed since `since`.
  auto consider = [&](uint32_t since, uint32_t interval) {
    uint32_t elapsed = now - since;
    uint32_t left = elapsed >= interval ? 0 : interval - elapsed;
    if (left < due) due = left;
  };
  if (txNext != nullptr) consider(txLast, kChunkIntervalMs);
  if (RunSettings.statusUpdates) {
    if (suspended)
      consider(lastStatus, kSuspendTimeoutMs + 1);  // "more than" 20000 ms
    else
      consider(lastStatus, kStatusIntervalMs);
  }
  consider(lastHeartbeat, kHeartbeatTimeoutMs);
  if (resting_ || (ttyFd == -1 && !ttyPath_.empty())) consider(restStart_, kPortRestMs);
  return due;
}
