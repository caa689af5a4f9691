#include "LawicelTransport.h"

#include <errno.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace {

// Flush a half-typed command, close the channel, 250 kbit/s, open.
constexpr char kOpenSequence[] = "\r\r\rC\rS5\rO\r";
// Reads per Read() call before giving the loop back, so a flooding adapter cannot
// hold the node inside one call.
constexpr int kMaxFillsPerRead = 4;

bool LinkGone(int err) {
  return err == EIO || err == ENXIO || err == ENODEV;
}

}  // namespace

tLawicelTransport::tLawicelTransport(const char *path) {
  size_t len = path ? strnlen(path, kMaxPathLen + 1) : 0;
  pathOk_ = len > 0 && len <= kMaxPathLen;
  if (pathOk_) {
    memcpy(path_, path, len);
    path_[len] = '\0';
  } else {
    path_[0] = '\0';
  }
}

tLawicelTransport::~tLawicelTransport() {
  Close();
}

bool tLawicelTransport::Open() {
  if (fd_ >= 0) return true;
  if (!pathOk_) return false;
  int fd = open(path_, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;

  // Raw bytes both ways: no echo, no CR/NL translation, no line editing. The line speed
  // is left as the device has it: USB adapters ignore it.
  struct termios tio;
  if (tcgetattr(fd, &tio) != 0) {
    close(fd);
    return false;
  }
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    close(fd);
    return false;
  }
  tcflush(fd, TCIOFLUSH);  // frames from before this open are stale

  fd_ = fd;
  rxStart_ = rxEnd_ = 0;
  txStart_ = txEnd_ = 0;
  lines_.Reset();
  Queue(kOpenSequence, sizeof(kOpenSequence) - 1);
  if (Flush() == tCanIo::kGone) {
    Close();
    return false;
  }
  if (everOpened_) stats_.reopens++;
  everOpened_ = true;
  return true;
}

void tLawicelTransport::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  rxStart_ = rxEnd_ = 0;
  txStart_ = txEnd_ = 0;
  lines_.Reset();
}

tCanIo tLawicelTransport::Read(tCanFrame &frame) {
  if (fd_ < 0) return tCanIo::kGone;
  if (TxPending() > 0 && Flush() == tCanIo::kGone) return tCanIo::kGone;

  for (int fills = 0;;) {
    while (rxStart_ < rxEnd_) {
      switch (lines_.Feed(rx_[rxStart_++])) {
        case tLawicelLineReader::tEvent::kNone:
          break;
        case tLawicelLineReader::tEvent::kBell:
          stats_.txErrors++;
          break;
        case tLawicelLineReader::tEvent::kDiscarded:
          stats_.rxDropped++;
          break;
        case tLawicelLineReader::tEvent::kLine: {
          tLawicelParsed parsed = LawicelParseLine(lines_.Line(), lines_.Length());
          switch (parsed.kind) {
            case tLawicelLine::kFrame:
              frame = parsed.frame;
              stats_.rxFrames++;
              return tCanIo::kOk;
            case tLawicelLine::kOk:
            case tLawicelLine::kTxAck:
              break;
            case tLawicelLine::kBell:
              stats_.txErrors++;
              break;
            default:
              stats_.rxDropped++;
              break;
          }
          break;
        }
      }
    }
    if (fills++ == kMaxFillsPerRead) return tCanIo::kNone;
    tCanIo filled = Fill();
    if (filled != tCanIo::kOk) return filled;
  }
}

tCanIo tLawicelTransport::Write(const tCanFrame &frame) {
  if (fd_ < 0) return tCanIo::kGone;
  char line[kLawicelFrameLineSize];
  int len = LawicelFormatFrame(frame, line, sizeof(line));
  if (len < 0) {
    stats_.txErrors++;
    return tCanIo::kError;
  }
  if (!Queue(line, static_cast<size_t>(len))) {
    tCanIo flushed = Flush();
    if (flushed == tCanIo::kGone) return flushed;
    if (!Queue(line, static_cast<size_t>(len))) return tCanIo::kNone;
  }
  stats_.txFrames++;
  tCanIo flushed = Flush();
  return flushed == tCanIo::kNone ? tCanIo::kOk : flushed;
}

bool tLawicelTransport::Queue(const char *data, size_t len) {
  if (txEnd_ + len > kTxBufSize && txStart_ > 0) {
    memmove(tx_, tx_ + txStart_, txEnd_ - txStart_);
    txEnd_ -= txStart_;
    txStart_ = 0;
  }
  if (txEnd_ + len > kTxBufSize) return false;
  memcpy(tx_ + txEnd_, data, len);
  txEnd_ += len;
  return true;
}

// kOk: all queued bytes written; kNone: the tty took only part, the rest stays queued.
tCanIo tLawicelTransport::Flush() {
  while (txStart_ < txEnd_) {
    ssize_t n = write(fd_, tx_ + txStart_, txEnd_ - txStart_);
    if (n > 0) {
      txStart_ += static_cast<size_t>(n);
      continue;
    }
    if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) return tCanIo::kNone;
    if (errno == EINTR) continue;
    if (LinkGone(errno)) return tCanIo::kGone;
    // The tty refuses these bytes for good; keeping them would block everything after.
    stats_.txErrors++;
    txStart_ = txEnd_ = 0;
    return tCanIo::kError;
  }
  txStart_ = txEnd_ = 0;
  return tCanIo::kOk;
}

// kOk: new bytes in rx_.
tCanIo tLawicelTransport::Fill() {
  for (;;) {
    ssize_t n = read(fd_, rx_, sizeof(rx_));
    if (n > 0) {
      rxStart_ = 0;
      rxEnd_ = static_cast<size_t>(n);
      return tCanIo::kOk;
    }
    if (n == 0) return tCanIo::kGone;  // hang-up: the other end of the line closed
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return tCanIo::kNone;
    if (LinkGone(errno)) return tCanIo::kGone;
    stats_.rxDropped++;
    return tCanIo::kError;
  }
}
