// A pty standing in for a /dev/tnt pair: the record opens the slave by its path, the
// test is the user at the master.
#ifndef TESTS_UNIT_PTYPORT_H
#define TESTS_UNIT_PTYPORT_H

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>

class tPtyPort {
 public:
  tPtyPort() { Open(); }
  ~tPtyPort() { CloseUser(); }
  tPtyPort(const tPtyPort &) = delete;
  tPtyPort &operator=(const tPtyPort &) = delete;

  void Open() {
    int slave = -1;
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    path = name;
    close(slave);  // the record opens its own
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  }
  // The user hangs up: the record's end then reads end of file.
  void CloseUser() {
    if (master != -1) close(master);
    master = -1;
  }
  void Type(const std::string &text) {
    ssize_t ignored = write(master, text.data(), text.size());
    (void)ignored;
  }
  // What the record has written so far; waits a little for the first bytes.
  std::string Read(int waitMs = 200) {
    std::string out;
    struct pollfd p = {master, POLLIN, 0};
    while (::poll(&p, 1, out.empty() ? waitMs : 20) > 0) {
      char buf[8192];
      ssize_t n = read(master, buf, sizeof(buf));
      if (n <= 0) break;
      out.append(buf, static_cast<size_t>(n));
    }
    return out;
  }

  int master = -1;
  std::string path;
};

// Waits until fd has something to read (bytes written at one end of a pty reach the
// other end a moment later).
inline bool WaitReadable(int fd, int ms = 2000) {
  struct pollfd p = {fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

#endif
