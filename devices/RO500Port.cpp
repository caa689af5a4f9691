// tRO500: the virtual serial port side of the bridge, and filing of status lines.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Console.h"
#include "RO500.h"
#include "Runtime.h"

void tRO500::openPort(const std::string &path) {
  ttyPath_ = path;
  resting_ = false;
  inputReady_ = true;
  hungUp_ = false;
  restStart_ = Runtime->Millis();
  if (path.empty()) return;
  ttyFd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (ttyFd_ == -1) return;
  struct termios tio;
  if (tcgetattr(ttyFd_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(ttyFd_, TCSANOW, &tio);
  }
}

void tRO500::writePort(const char *data, size_t len) {
  if (ttyFd_ == -1 || len == 0) return;
  ssize_t n;
  do n = write(ttyFd_, data, len);
  while (n < 0 && errno == EINTR);
  // A full pty (nobody reads the user end) or a hung-up one: the rest is lost.
  if (n < 0) n = 0;
  portDropped_ += len - static_cast<size_t>(n);
}

int tRO500::pollFd() const {
  return resting_ ? -1 : ttyFd_;
}

// The other end is gone. First rest a second; if it is still gone after that, the
// device behind the path may have been made anew: close and open it again.
void tRO500::portHungUp(uint32_t now) {
  if (!hungUp_) {
    hungUp_ = true;
    resting_ = true;
    restStart_ = now;
    if (Logging(1))
      StreamPrintf(Console, "tRO500::poll_serialIn: %s hung up, resting\n", ttyPath_.c_str());
    return;
  }
  if (Logging(1)) StreamPrintf(Console, "tRO500::poll_serialIn: reopening %s\n", ttyPath_.c_str());
  close(ttyFd_);
  ttyFd_ = -1;
  openPort(ttyPath_);
}

void tRO500::retryOpen(uint32_t now) {
  if (ttyPath_.empty() || now - restStart_ < kPortRestMs) return;
  openPort(ttyPath_);
}

void tRO500::poll_serialIn() {
  uint32_t now = Runtime->Millis();
  if (ttyFd_ == -1) retryOpen(now);
  if (ttyFd_ == -1) {
    if (Logging(1)) Console->println("tRO500::poll_serialIn: No serial port");
    return;
  }
  if (resting_) {
    if (now - restStart_ < kPortRestMs) return;
    resting_ = false;  // try it again
    inputReady_ = true;
  }
  if (inputKnown_ && !inputReady_) return;
  inputReady_ = false;  // until the loop's next wait says otherwise
  for (;;) {
    char c;
    ssize_t r = read(ttyFd_, &c, 1);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      hungUp_ = false;
      return;  // the partial line waits in lineBuf_
    }
    if (r <= 0) {
      portHungUp(now);
      return;
    }
    hungUp_ = false;
    if (c == '\n') {
      if (settings_.localEcho) writePort(&c, 1);
      *lineEnd_ = '\0';
      if (Logging(4)) StreamPrintf(Console, "tRO500::poll_serialIn: Got %s\n", lineBuf_);
      lineEnd_[0] = '\n';
      lineEnd_[1] = '\0';
      lineEnd_ = lineBuf_;
      terminal2CAN(lineBuf_);
      return;
    }
    *lineEnd_++ = c;
    if (settings_.localEcho) writePort(&c, 1);
    // A line as long as the buffer holds (room kept for a line feed and the NUL)
    // goes out as it is; the rest of it follows as the next line.
    if (static_cast<size_t>(lineEnd_ - lineBuf_) == kBufferSize - 2) {
      *lineEnd_ = '\0';
      lineEnd_ = lineBuf_;
      terminal2CAN(lineBuf_);
      return;
    }
  }
}

void tRO500::poll_serialOut() {
  if (ttyFd_ == -1 && Logging(1)) Console->println("tRO500::poll_serialOut: No serial port");
  if (rxEnd_ == nullptr || memchr(rxBuf_, '\n', static_cast<size_t>(rxEnd_ - rxBuf_)) == nullptr)
    return;
  flushReceived();
}

// Without a port the text is still filed; only the write has nowhere to go.
void tRO500::flushReceived() {
  std::string text = takeReceived();
  writePort(text);
  if (Logging(5)) StreamPrintf(Console, "Got(%d)\n%s\n", canAddr_, text.c_str());
  fileLines(text);
}

void tRO500::fileLines(const std::string &text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t lf = text.find('\n', start);
    if (lf == std::string::npos) {
      keepPartialLine(text.data() + start, text.size() - start);
      return;
    }
    size_t len = lf + 1 - start;
    if (skipToLineEnd_) {
      skipToLineEnd_ = false;
    } else if (partialLen_ > 0) {
      std::string line(partialLine_, partialLen_);
      line.append(text, start, len);
      // What was left over may be no line start at all (the ".." after a fault line).
      if (!fileLine(line)) fileLine(text.substr(start, len));
    } else {
      fileLine(text.substr(start, len));
    }
    partialLen_ = 0;
    start = lf + 1;
  }
}

void tRO500::keepPartialLine(const char *text, size_t len) {
  if (skipToLineEnd_) return;
  if (partialLen_ + len > sizeof(partialLine_)) {
    partialLen_ = 0;
    skipToLineEnd_ = true;
    return;
  }
  memcpy(partialLine_ + partialLen_, text, len);
  partialLen_ += len;
}

tRO500StatBase *tRO500::record(const char *tag) {
  const struct {
    const char *tag;
    tRO500StatBase *record;
  } kRecords[] = {{"AST", &ast_}, {"CPE", &cpe_}, {"NPC", &npc_}, {"CST", &cst_},
                  {"SCV", &scv_}, {"SST", &sst_}, {"ENG", &eng_}, {"FLT", &flt_}};
  for (const auto &r : kRecords)
    if (strncmp(tag, r.tag, 3) == 0) return r.record;
  return nullptr;
}

std::string tRO500::storedLine(const char *tag) const {
  tRO500StatBase *r = const_cast<tRO500 *>(this)->record(tag);
  return r == nullptr || r == &ast_ ? std::string() : r->status();
}

bool tRO500::fileLine(const std::string &line) {
  tRO500StatBase *r = record(line.c_str());
  std::string filed = line;
  // The charger may wrap a fault line in "..": keep what lies between.
  if (r == nullptr && line.compare(0, 5, "..FLT") == 0) {
    size_t end = line.find("..", 2);
    filed = line.substr(2, end == std::string::npos ? std::string::npos : end - 2);
    r = &flt_;
  }
  if (r == nullptr) return false;
  r->status(filed);
  if (events_ != nullptr) events_->OnStatusLine(*this, filed);
  return true;
}
