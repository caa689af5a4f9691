#include "LawicelAdapter.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "N2kTime.h"

namespace {

constexpr char kOkReply[] = "\r";
constexpr char kTxAckReply[] = "Z\r";
constexpr char kBellReply[] = "\a";
constexpr char kVersionReply[] = "V1013\r";
constexpr char kVersionDetailReply[] = "vTIDEWIRE-SIM 1.0\r";
constexpr char kSerialReply[] = "NTW01\r";
constexpr char kStatusReply[] = "F00\r";
// Room kept free in the output so any one reply fits.
constexpr size_t kMaxReply = 32;
// Adapters count timestamps in milliseconds, wrapping each minute.
constexpr uint32_t kTimestampWrap = 60000;
constexpr int kMaxFillsPerReceive = 4;

bool LinkGone(int err) {
  return err == EIO || err == ENXIO || err == ENODEV;
}

}  // namespace

tLawicelAdapterLink::~tLawicelAdapterLink() {
  Close();
}

bool tLawicelAdapterLink::Open(const char *path) {
  Close();
  if (path == nullptr) return false;
  int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  return Configure(fd);
}

bool tLawicelAdapterLink::OpenNewPty() {
  Close();
  int fd = posix_openpt(O_RDWR | O_NOCTTY);
  if (fd < 0) return false;
  if (fcntl(fd, F_SETFD, FD_CLOEXEC) != 0 || fcntl(fd, F_SETFL, O_NONBLOCK) != 0 ||
      grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, peerPath_, sizeof(peerPath_)) != 0) {
    close(fd);
    peerPath_[0] = '\0';
    return false;
  }
  return Configure(fd);
}

// Raw mode; on a pty master this sets the node's end, so nothing is echoed or
// translated even before the node opens it.
bool tLawicelAdapterLink::Configure(int fd) {
  struct termios tio;
  if (tcgetattr(fd, &tio) != 0) {
    close(fd);
    peerPath_[0] = '\0';
    return false;
  }
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    close(fd);
    peerPath_[0] = '\0';
    return false;
  }
  fd_ = fd;
  return true;
}

void tLawicelAdapterLink::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  peerPath_[0] = '\0';
  peerPresent_ = false;
  channelOpen_ = listenOnly_ = timestamps_ = false;
  bitrate_ = -1;
  rxStart_ = rxEnd_ = 0;
  txStart_ = txEnd_ = 0;
  lines_.Reset();
}

// What was queued for the node, and its half-sent line, means nothing to a node that
// comes back: it starts over with its open sequence.
void tLawicelAdapterLink::PeerGone() {
  if (peerPresent_) stats_.peerGone++;
  peerPresent_ = false;
  channelOpen_ = listenOnly_ = false;
  rxStart_ = rxEnd_ = 0;
  txStart_ = txEnd_ = 0;
  lines_.Reset();
}

tCanIo tLawicelAdapterLink::Receive(tCanFrame &frame) {
  if (fd_ < 0) return tCanIo::kGone;
  if (TxPending() > 0 && Flush() == tCanIo::kGone) return tCanIo::kGone;

  for (int fills = 0;;) {
    while (rxStart_ < rxEnd_) {
      if (TxFree() < kMaxReply) {
        if (Flush() == tCanIo::kGone) return tCanIo::kGone;
        if (TxFree() < kMaxReply) return tCanIo::kNone;  // the node is not reading
      }
      switch (lines_.Feed(rx_[rxStart_++])) {
        case tLawicelLineReader::tEvent::kLine:
          if (HandleLine(lines_.Line(), lines_.Length(), frame)) return tCanIo::kOk;
          break;
        case tLawicelLineReader::tEvent::kDiscarded:
          Refuse();
          break;
        case tLawicelLineReader::tEvent::kBell:
        case tLawicelLineReader::tEvent::kNone:
          break;
      }
    }
    if (fills++ == kMaxFillsPerReceive) break;
    ssize_t n = read(fd_, rx_, sizeof(rx_));
    if (n > 0) {
      peerPresent_ = true;
      rxStart_ = 0;
      rxEnd_ = static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      peerPresent_ = true;
      break;
    }
    if (n == 0 || LinkGone(errno)) {
      PeerGone();
      return tCanIo::kGone;
    }
    return tCanIo::kError;
  }
  // Answers go out now rather than on the next call, which may be a poll timeout away.
  return Flush() == tCanIo::kGone ? tCanIo::kGone : tCanIo::kNone;
}

bool tLawicelAdapterLink::HandleLine(const char *line, size_t len, tCanFrame &frame) {
  tLawicelParsed parsed = LawicelParseLine(line, len);
  switch (parsed.kind) {
    case tLawicelLine::kOk:
      break;  // the node's "\r\r\r" flush: nothing to answer
    case tLawicelLine::kFrame:
      if (!channelOpen_ || listenOnly_) {
        Refuse();
        break;
      }
      frame = parsed.frame;
      stats_.framesFromNode++;
      Queue(kTxAckReply, sizeof(kTxAckReply) - 1);
      return true;
    case tLawicelLine::kOpen:
    case tLawicelLine::kListenOnly:
      if (channelOpen_) {
        Refuse();
        break;
      }
      channelOpen_ = true;
      listenOnly_ = parsed.kind == tLawicelLine::kListenOnly;
      Reply(kOkReply);
      break;
    case tLawicelLine::kClose:
      channelOpen_ = listenOnly_ = false;
      Reply(kOkReply);
      break;
    case tLawicelLine::kBitrate:
    case tLawicelLine::kTimestamps:
      if (channelOpen_) {
        Refuse();
        break;
      }
      if (parsed.kind == tLawicelLine::kBitrate) {
        bitrate_ = parsed.arg;
      } else {
        timestamps_ = parsed.arg != 0;
      }
      Reply(kOkReply);
      break;
    case tLawicelLine::kVersion:
      Reply(kVersionReply);
      break;
    case tLawicelLine::kVersionDetail:
      Reply(kVersionDetailReply);
      break;
    case tLawicelLine::kSerial:
      Reply(kSerialReply);
      break;
    case tLawicelLine::kStatusFlags:
      Reply(kStatusReply);
      break;
    default:
      // Standard and remote frames too: the simulated bus is extended-id only.
      Refuse();
      break;
  }
  return false;
}

void tLawicelAdapterLink::Reply(const char *text) {
  stats_.commands++;
  Queue(text, strlen(text));
}

void tLawicelAdapterLink::Refuse() {
  stats_.refused++;
  Queue(kBellReply, sizeof(kBellReply) - 1);
}

tCanIo tLawicelAdapterLink::Send(const tCanFrame &frame) {
  if (fd_ < 0) return tCanIo::kGone;
  if (!channelOpen_) {
    stats_.droppedClosed++;
    return tCanIo::kError;
  }
  char line[kLawicelFrameLineSize];
  int len = timestamps_
                ? LawicelFormatFrameStamped(frame, static_cast<uint16_t>(millis() % kTimestampWrap),
                                            line, sizeof(line))
                : LawicelFormatFrame(frame, line, sizeof(line));
  if (len < 0) return tCanIo::kError;
  // Keep room for replies, so a stream of frames cannot starve the node's commands.
  if (TxFree() < static_cast<size_t>(len) + kMaxReply) {
    tCanIo flushed = Flush();
    if (flushed == tCanIo::kGone) return flushed;
    if (TxFree() < static_cast<size_t>(len) + kMaxReply) return tCanIo::kNone;
  }
  Queue(line, static_cast<size_t>(len));
  stats_.framesToNode++;
  tCanIo flushed = Flush();
  return flushed == tCanIo::kGone ? flushed : tCanIo::kOk;
}

bool tLawicelAdapterLink::SendRaw(const char *data, size_t len) {
  if (fd_ < 0 || (len > 0 && data == nullptr)) return false;
  if (!Queue(data, len)) {
    if (Flush() == tCanIo::kGone || !Queue(data, len)) return false;
  }
  stats_.rawWrites++;
  Flush();
  return true;
}

bool tLawicelAdapterLink::SendRawLine(const char *text) {
  if (text == nullptr) return false;
  size_t len = strlen(text);
  if (TxFree() < len + 1) Flush();
  if (fd_ < 0 || TxFree() < len + 1) return false;
  Queue(text, len);
  Queue("\r", 1);
  stats_.rawWrites++;
  Flush();
  return true;
}

bool tLawicelAdapterLink::Queue(const char *data, size_t len) {
  if (txEnd_ + len > kTxBufSize && txStart_ > 0) {
    memmove(tx_, tx_ + txStart_, TxPending());
    txEnd_ -= txStart_;
    txStart_ = 0;
  }
  if (txEnd_ + len > kTxBufSize) return false;
  memcpy(tx_ + txEnd_, data, len);
  txEnd_ += len;
  return true;
}

tCanIo tLawicelAdapterLink::Flush() {
  if (fd_ < 0) return tCanIo::kGone;
  while (txStart_ < txEnd_) {
    ssize_t n = write(fd_, tx_ + txStart_, TxPending());
    if (n > 0) {
      txStart_ += static_cast<size_t>(n);
      continue;
    }
    if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK) return tCanIo::kNone;
    if (errno == EINTR) continue;
    if (LinkGone(errno)) {
      PeerGone();
      return tCanIo::kGone;
    }
    stats_.writeErrors++;
    txStart_ = txEnd_ = 0;
    return tCanIo::kError;
  }
  txStart_ = txEnd_ = 0;
  return tCanIo::kOk;
}
