#include "CandumpLog.h"

#include <errno.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

int FormatCandumpLine(char *buf, size_t size, int64_t seconds, long microseconds,
                      const char *ifname, const tCanFrame &frame) {
  if (frame.len > kCanMaxDataLen) return -1;
  int n = std::snprintf(buf, size, "(%lld.%06ld) %s %08X#", static_cast<long long>(seconds),
                        microseconds, ifname, static_cast<unsigned>(frame.id & kCanIdMask));
  if (n < 0 || static_cast<size_t>(n) >= size) return -1;
  static const char kHex[] = "0123456789ABCDEF";
  size_t pos = static_cast<size_t>(n);
  if (pos + 2u * frame.len + 2 > size) return -1;  // data, '\n', NUL
  for (int i = 0; i < frame.len; i++) {
    buf[pos++] = kHex[frame.data[i] >> 4];
    buf[pos++] = kHex[frame.data[i] & 0xf];
  }
  buf[pos++] = '\n';
  buf[pos] = '\0';
  return static_cast<int>(pos);
}

tCandumpLog::~tCandumpLog() {
  Close();
}

bool tCandumpLog::Open(const char *path, const char *ifname) {
  Close();
  std::snprintf(ifname_, sizeof(ifname_), "%s", ifname != nullptr ? ifname : "can0");
  fd_ = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

char *tCandumpLog::Reserve(size_t len) {
  if (fd_ < 0) return nullptr;
  if (used_ + len > sizeof(buf_)) Flush();
  return used_ + len <= sizeof(buf_) ? buf_ + used_ : nullptr;
}

void tCandumpLog::Frame(const tCanFrame &frame) {
  char *at = Reserve(kCandumpLineSize);
  if (at == nullptr) return;
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  int n = FormatCandumpLine(at, kCandumpLineSize, ts.tv_sec, ts.tv_nsec / 1000, ifname_, frame);
  if (n < 0) return;
  used_ += static_cast<size_t>(n);
  lines_++;
}

void tCandumpLog::Comment(const char *text) {
  char *at = Reserve(kMaxComment + 4);
  if (at == nullptr) return;
  size_t pos = 0;
  at[pos++] = '#';
  at[pos++] = ' ';
  for (size_t i = 0; text[i] != '\0' && i < kMaxComment; i++) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    at[pos++] = c < 0x20 || c == 0x7f ? ' ' : static_cast<char>(c);
  }
  at[pos++] = '\n';
  used_ += pos;
  lines_++;
}

bool tCandumpLog::Flush() {
  size_t done = 0;
  bool ok = true;
  while (fd_ >= 0 && done < used_) {
    ssize_t n = write(fd_, buf_ + done, used_ - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      // A full disk loses log lines, never the loop.
      writeErrors_++;
      ok = false;
      break;
    }
  }
  used_ = 0;
  return ok;
}

void tCandumpLog::Close() {
  if (fd_ < 0) return;
  Flush();
  close(fd_);
  fd_ = -1;
}
