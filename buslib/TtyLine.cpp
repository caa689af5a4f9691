#include "TtyLine.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

namespace {

// Errors that mean the other end is not there any more, as opposed to one bad write.
bool LinkGone(int err) {
  return err == EIO || err == ENXIO || err == ENODEV;
}

}  // namespace

tTtyLineBase::~tTtyLineBase() {
  Close();
}

bool tTtyLineBase::Open(const char *path) {
  Close();
  if (path == nullptr) return false;
  int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  return Adopt(fd);
}

bool tTtyLineBase::OpenNewPty(char *peerPath, size_t size) {
  Close();
  if (peerPath == nullptr || size == 0) return false;
  int fd = posix_openpt(O_RDWR | O_NOCTTY);
  bool made = fd >= 0 && fcntl(fd, F_SETFD, FD_CLOEXEC) == 0 &&
              fcntl(fd, F_SETFL, O_NONBLOCK) == 0 && grantpt(fd) == 0 && unlockpt(fd) == 0 &&
              ptsname_r(fd, peerPath, size) == 0;
  if (!made && fd >= 0) close(fd);
  if (made && Adopt(fd)) return true;
  peerPath[0] = '\0';
  return false;
}

// Takes fd over in raw mode, or closes it.
bool tTtyLineBase::Adopt(int fd) {
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
  fd_ = fd;
  DropBuffered();
  return true;
}

void tTtyLineBase::DiscardPending() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

void tTtyLineBase::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  DropBuffered();
}

void tTtyLineBase::DropBuffered() {
  rxStart_ = rxEnd_ = 0;
  drained_ = false;
  txStart_ = txEnd_ = 0;
  lines_.Reset();
}

tCanIo tTtyLineBase::Fill() {
  if (fd_ < 0) return tCanIo::kGone;
  if (rxStart_ < rxEnd_) return tCanIo::kOk;
  for (;;) {
    ssize_t n = read(fd_, rx_, rxSize_);
    if (n > 0) {
      rxStart_ = 0;
      rxEnd_ = static_cast<size_t>(n);
      drained_ = rxEnd_ < rxSize_;
      return tCanIo::kOk;
    }
    if (n == 0) return tCanIo::kGone;  // hang-up: the other end of the line closed
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return tCanIo::kNone;
    if (LinkGone(errno)) return tCanIo::kGone;
    return tCanIo::kError;
  }
}

bool tTtyLineBase::Queue(const char *data, size_t len) {
  if (txEnd_ + len > txSize_ && txStart_ > 0) {
    memmove(tx_, tx_ + txStart_, TxPending());
    txEnd_ -= txStart_;
    txStart_ = 0;
  }
  if (txEnd_ + len > txSize_) return false;
  memcpy(tx_ + txEnd_, data, len);
  txEnd_ += len;
  return true;
}

tCanIo tTtyLineBase::Flush() {
  if (fd_ < 0) return tCanIo::kGone;
  while (txStart_ < txEnd_) {
    ssize_t n = write(fd_, tx_ + txStart_, TxPending());
    if (n > 0) {
      txStart_ += static_cast<size_t>(n);
      continue;
    }
    if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) return tCanIo::kNone;
    if (errno == EINTR) continue;
    if (LinkGone(errno)) return tCanIo::kGone;
    txStart_ = txEnd_ = 0;
    return tCanIo::kError;
  }
  txStart_ = txEnd_ = 0;
  return tCanIo::kOk;
}
