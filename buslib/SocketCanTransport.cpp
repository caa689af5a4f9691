#include "SocketCanTransport.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/can.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// Unusable frames skipped within one Read() before giving the loop back.
constexpr int kMaxDropsPerRead = 64;

static_assert(IFNAMSIZ == tSocketCanTransport::kMaxNameLen, "interface name size");

// Only extended data frames carry NMEA 2000 / RV-C traffic.
bool IsExtendedDataFrame(const struct canfd_frame &raw) {
  return (raw.can_id & (CAN_EFF_FLAG | CAN_RTR_FLAG | CAN_ERR_FLAG)) == CAN_EFF_FLAG &&
         raw.len <= CAN_MAX_DLEN;
}

// How an errno from reading or writing the socket is taken.
tCanIo ErrnoResult(int err) {
  switch (err) {
    case ENETDOWN:
    case ENODEV:
    case ENXIO:
      return tCanIo::kGone;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case ENOBUFS:
      return tCanIo::kNone;
    default:
      return tCanIo::kError;
  }
}

}  // namespace

tSocketCanTransport::tSocketCanTransport(const char *ifname) {
  size_t len = ifname ? strnlen(ifname, kMaxNameLen) : 0;
  nameOk_ = len > 0 && len < kMaxNameLen;
  if (nameOk_) {
    memcpy(name_, ifname, len);
    name_[len] = '\0';
  } else {
    name_[0] = '\0';
  }
}

tSocketCanTransport::~tSocketCanTransport() {
  Close();
}

bool tSocketCanTransport::Open() {
  if (fd_ >= 0) return true;
  if (!nameOk_) return false;
  // Looked up on every open: a re-created interface comes back under a new index.
  unsigned int ifindex = if_nametoindex(name_);
  if (ifindex == 0) return false;
  // Fails with EAFNOSUPPORT on kernels without CAN; the node simply retries later.
  int fd = socket(PF_CAN, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, CAN_RAW);
  if (fd < 0) return false;

  struct sockaddr_can addr;
  memset(&addr, 0, sizeof(addr));
  addr.can_family = AF_CAN;
  addr.can_ifindex = static_cast<int>(ifindex);
  if (bind(fd, reinterpret_cast<struct sockaddr *>(&addr), sizeof(addr)) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  if (everOpened_) stats_.reopens++;
  everOpened_ = true;
  return true;
}

bool tSocketCanTransport::Adopt(int fd) {
  if (fd < 0) return false;
  Close();
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  fd_ = fd;
  if (everOpened_) stats_.reopens++;
  everOpened_ = true;
  return true;
}

void tSocketCanTransport::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

tCanIo tSocketCanTransport::Read(tCanFrame &frame) {
  if (fd_ < 0) return tCanIo::kGone;
  for (int drops = 0; drops < kMaxDropsPerRead;) {
    // Room for a CAN FD frame, so one that slips through is seen whole and dropped.
    struct canfd_frame raw;
    ssize_t n = recv(fd_, &raw, sizeof(raw), MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      tCanIo result = ErrnoResult(errno);
      if (result == tCanIo::kError) stats_.rxDropped++;
      return result;
    }
    if (n == 0) return tCanIo::kGone;  // only an adopted stream socket can end
    if (static_cast<size_t>(n) != CAN_MTU || !IsExtendedDataFrame(raw)) {
      stats_.rxDropped++;
      drops++;
      continue;
    }
    frame.id = raw.can_id & CAN_EFF_MASK;
    frame.len = raw.len;
    memcpy(frame.data, raw.data, raw.len);
    stats_.rxFrames++;
    return tCanIo::kOk;
  }
  return tCanIo::kNone;
}

tCanIo tSocketCanTransport::Write(const tCanFrame &frame) {
  if (fd_ < 0) return tCanIo::kGone;
  if (frame.len > CAN_MAX_DLEN) {
    stats_.txErrors++;
    return tCanIo::kError;
  }
  struct can_frame raw;
  memset(&raw, 0, sizeof(raw));
  raw.can_id = (frame.id & CAN_EFF_MASK) | CAN_EFF_FLAG;
  raw.len = frame.len;
  memcpy(raw.data, frame.data, frame.len);
  for (;;) {
    ssize_t n = send(fd_, &raw, sizeof(raw), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(sizeof(raw))) {
      stats_.txFrames++;
      return tCanIo::kOk;
    }
    if (n >= 0) {  // a CAN socket sends a frame whole or not at all
      stats_.txErrors++;
      return tCanIo::kError;
    }
    if (errno == EINTR) continue;
    tCanIo result = ErrnoResult(errno);
    if (result == tCanIo::kError) stats_.txErrors++;
    return result;
  }
}
