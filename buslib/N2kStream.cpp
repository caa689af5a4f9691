#include "N2kStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

size_t N2kStream::print(const char *text) {
  if (text == nullptr) return 0;
  return write(reinterpret_cast<const unsigned char *>(text), std::strlen(text));
}

size_t N2kStream::print(int value, unsigned char base) {
  if (base < 2 || base > 36) base = 10;
  char buf[40];
  int pos = sizeof(buf);
  // Work in unsigned so that INT_MIN does not overflow.
  unsigned int mag = value < 0 ? 0u - static_cast<unsigned int>(value) : value;
  do {
    unsigned int d = mag % base;
    buf[--pos] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
    mag /= base;
  } while (mag != 0 && pos > 1);
  if (value < 0) buf[--pos] = '-';
  return write(reinterpret_cast<const unsigned char *>(buf + pos), sizeof(buf) - pos);
}

size_t N2kStream::println() {
  return print("\r\n");
}

size_t N2kStream::println(const char *text) {
  size_t n = print(text);
  return n + println();
}

size_t N2kStream::println(int value, unsigned char base) {
  size_t n = print(value, base);
  return n + println();
}

tSocketStream::tSocketStream(const char *device) : fd_(STDOUT_FILENO), owned_(false) {
  if (device != nullptr) {
    fd_ = ::open(device, O_WRONLY | O_CREAT | O_APPEND | O_NOCTTY | O_CLOEXEC | O_NONBLOCK, 0644);
    owned_ = fd_ >= 0;
  }
}

tSocketStream::~tSocketStream() {
  if (owned_) ::close(fd_);
}

int tSocketStream::read() {
  return -1;
}

size_t tSocketStream::write(const unsigned char *data, unsigned int len) {
  if (fd_ < 0 || len == 0) return 0;
  size_t done = 0;
  // A console on a tty may take a line in pieces; finish it unless the device fails.
  // Named devices are non-blocking: a console nobody reads must not stall the loop,
  // so what does not fit is dropped.
  while (done < len) {
    ssize_t n = ::write(fd_, data + done, len - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}
