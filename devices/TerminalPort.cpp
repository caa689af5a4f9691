// tTerminalBridge: the port side: typed lines in, answers out, the rest of a hung-up
// port, and the log file.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Console.h"
#include "LogFile.h"
#include "TerminalBridge.h"

void tTerminalBridge::OpenPort(const std::string &path, uint32_t now) {
  ttyPath_ = path;
  resting_ = false;
  inputReady_ = true;
  hungUp_ = false;
  restStart_ = now;
  if (path.empty()) return;
  ttyFd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (ttyFd_ == -1) return;
  struct termios tio;
  if (tcgetattr(ttyFd_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(ttyFd_, TCSANOW, &tio);
  }
}

void tTerminalBridge::WritePort(const char *data, size_t len) {
  if (ttyFd_ == -1 || len == 0) return;
  ssize_t n;
  do n = write(ttyFd_, data, len);
  while (n < 0 && errno == EINTR);
  // A full pty (nobody reads the user end) or a hung-up one: the rest is lost.
  if (n < 0) n = 0;
  portDropped_ += len - static_cast<size_t>(n);
}

int tTerminalBridge::PollFd() const {
  return resting_ ? -1 : ttyFd_;
}

// The other end is gone. First rest a second; if it is still gone after that, the
// device behind the path may have been made anew: close and open it again.
void tTerminalBridge::PortHungUp(uint32_t now) {
  if (!hungUp_) {
    hungUp_ = true;
    resting_ = true;
    restStart_ = now;
    if (console_.Logging(1))
      StreamPrintf(&console_, "tRO500::poll_serialIn: %s hung up, resting\n", ttyPath_.c_str());
    return;
  }
  if (console_.Logging(1))
    StreamPrintf(&console_, "tRO500::poll_serialIn: reopening %s\n", ttyPath_.c_str());
  close(ttyFd_);
  ttyFd_ = -1;
  OpenPort(ttyPath_, now);
}

void tTerminalBridge::RetryOpen(uint32_t now) {
  if (ttyPath_.empty() || now - restStart_ < kPortRestMs) return;
  OpenPort(ttyPath_, now);
}

void tTerminalBridge::poll_serialIn(uint32_t now) {
  if (ttyFd_ == -1) RetryOpen(now);
  if (ttyFd_ == -1) {
    if (console_.Logging(1)) console_.println("tRO500::poll_serialIn: No serial port");
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
      PortHungUp(now);
      return;
    }
    hungUp_ = false;
    if (c == '\n') {
      if (settings_.localEcho) WritePort(&c, 1);
      *lineEnd_ = '\0';
      if (console_.Logging(4)) StreamPrintf(&console_, "tRO500::poll_serialIn: Got %s\n", lineBuf_);
      lineEnd_[0] = '\n';
      lineEnd_[1] = '\0';
      lineEnd_ = lineBuf_;
      terminal2CAN(lineBuf_, now);
      return;
    }
    *lineEnd_++ = c;
    if (settings_.localEcho) WritePort(&c, 1);
    // A line as long as the buffer holds (room kept for a line feed and the NUL)
    // goes out as it is; the rest of it follows as the next line.
    if (static_cast<size_t>(lineEnd_ - lineBuf_) == kBufferSize - 2) {
      *lineEnd_ = '\0';
      lineEnd_ = lineBuf_;
      terminal2CAN(lineBuf_, now);
      return;
    }
  }
}

void tTerminalBridge::poll_serialOut(uint32_t now) {
  if (ttyFd_ == -1 && console_.Logging(1))
    console_.println("tRO500::poll_serialOut: No serial port");
  if (rxEnd_ == nullptr || memchr(rxBuf_, '\n', static_cast<size_t>(rxEnd_ - rxBuf_)) == nullptr)
    return;
  FlushReceived(now);
}

void tTerminalBridge::OpenLog(const std::string &path) {
  logPath_ = path;
  logFd_ = OpenLogFile(path);
}

void tTerminalBridge::logLine(const std::string &line) {
  AppendLogLine(logFd_, logPath_, line, settings_.logLimit);
}
