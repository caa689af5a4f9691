// The user's end of a RO500's port for fuzz targets: a pty whose slave the record
// opens by path. What the record writes is read away so that the pty never fills.
#ifndef FUZZ_FUZZPORT_H
#define FUZZ_FUZZPORT_H

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>

#include "FuzzCheck.h"

class tFuzzPort {
 public:
  tFuzzPort() {
    int slave = -1;
    char name[128];
    FUZZ_CHECK(openpty(&master, &slave, name, nullptr, nullptr) == 0);
    path = name;
    close(slave);  // the record opens its own
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  }
  ~tFuzzPort() { close(master); }
  tFuzzPort(const tFuzzPort &) = delete;
  tFuzzPort &operator=(const tFuzzPort &) = delete;

  // Reads everything the record wrote so far; returns how many bytes.
  size_t Drain() {
    size_t total = 0;
    char buf[8192];
    for (;;) {
      const ssize_t n = read(master, buf, sizeof(buf));
      if (n <= 0) return total;
      total += static_cast<size_t>(n);
    }
  }
  // Types bytes at the user's end, as far as the pty takes them now.
  size_t Type(const char *data, size_t len) {
    const ssize_t n = write(master, data, len);
    return n > 0 ? static_cast<size_t>(n) : 0;
  }

  int master = -1;
  std::string path;
};

// Whether fd has input within ms.
inline bool Readable(int fd, int ms) {
  struct pollfd p = {fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

#endif
