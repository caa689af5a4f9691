// Wall-clock time stamps for the latency figures of bench/ro500.sh, taken with the same
// clock (CLOCK_REALTIME, microseconds) as the simulator's candump log, so the two can
// be subtracted. A shell's date(1) costs a fork and milliseconds; this does not.
//
//   tty_stamp read PORT...
//       Opens each port (raw), and for every line that arrives prints
//       "<us> <port index> <line>" (the "\r" dropped), stamped when poll() said the
//       read holding its line feed was ready. Runs until killed.
//   tty_stamp write PATH INTERVAL_MS COUNT PREFIX SUFFIX
//       Writes COUNT lines PREFIX<4-digit number from 1>SUFFIX to PATH (a tty or a
//       FIFO), INTERVAL_MS apart, and prints "<us> <number>" for each, stamped just
//       before its write. SUFFIX carries the line end.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kMaxPorts = 32;
constexpr size_t kMaxLine = 4096;  // longer lines are printed in pieces

long long NowUs() {
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void Emit(long long us, int index, std::string &line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::printf("%lld %d %s\n", us, index, line.c_str());
  line.clear();
}

int Read(int count, char **paths) {
  if (count < 1 || count > kMaxPorts) {
    std::fprintf(stderr, "tty_stamp read: 1..%d ports\n", kMaxPorts);
    return 2;
  }
  struct pollfd fds[kMaxPorts];
  std::vector<std::string> lines(static_cast<size_t>(count));
  for (int i = 0; i < count; i++) {
    // Read-write, as a user's terminal program opens it; this end never writes.
    fds[i].fd = open(paths[i], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fds[i].fd < 0) {
      std::fprintf(stderr, "tty_stamp: %s: %s\n", paths[i], std::strerror(errno));
      return 1;
    }
    struct termios tio;
    if (tcgetattr(fds[i].fd, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(fds[i].fd, TCSANOW, &tio);
    }
    fds[i].events = POLLIN;
  }
  char buf[4096];
  for (;;) {
    if (poll(fds, static_cast<nfds_t>(count), -1) < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    const long long us = NowUs();
    for (int i = 0; i < count; i++) {
      if (fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buf, sizeof(buf));
      if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        // The far end hung up: a pty pair never comes back, so this port is done.
        fds[i].fd = -1;
        continue;
      }
      std::string &line = lines[static_cast<size_t>(i)];
      for (ssize_t k = 0; k < n; k++) {
        if (buf[k] == '\n') {
          Emit(us, i, line);
        } else {
          line += buf[k];
          if (line.size() >= kMaxLine) Emit(us, i, line);
        }
      }
    }
  }
}

int Write(const char *path, int intervalMs, int count, const char *prefix, const char *suffix) {
  int fd = open(path, O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "tty_stamp: %s: %s\n", path, std::strerror(errno));
    return 1;
  }
  struct timespec next;
  clock_gettime(CLOCK_MONOTONIC, &next);
  char text[1100];
  for (int i = 1; i <= count; i++) {
    // Absolute deadlines keep the rate even when one write is late.
    next.tv_nsec += static_cast<long>(intervalMs) * 1000000;
    next.tv_sec += next.tv_nsec / 1000000000;
    next.tv_nsec %= 1000000000;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) {
    }
    int len = std::snprintf(text, sizeof(text), "%s%04d%s", prefix, i, suffix);
    if (len < 0 || static_cast<size_t>(len) >= sizeof(text)) return 2;
    const long long us = NowUs();
    if (write(fd, text, static_cast<size_t>(len)) != len) {
      std::fprintf(stderr, "tty_stamp: write to %s: %s\n", path, std::strerror(errno));
      return 1;
    }
    std::printf("%lld %d\n", us, i);
  }
  close(fd);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);  // a script reads the output while we run
  if (argc >= 3 && std::strcmp(argv[1], "read") == 0) return Read(argc - 2, argv + 2);
  if (argc == 7 && std::strcmp(argv[1], "write") == 0)
    return Write(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argv[5], argv[6]);
  std::fprintf(stderr,
               "usage: tty_stamp read PORT...\n"
               "       tty_stamp write PATH INTERVAL_MS COUNT PREFIX SUFFIX\n");
  return 2;
}
