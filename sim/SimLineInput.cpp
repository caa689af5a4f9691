#include "SimLineInput.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {
int OpenFifoForReading(const std::string &path) {
  return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
}  // namespace

std::unique_ptr<tSimLineInput> tSimLineInput::OpenFifo(const std::string &path,
                                                       std::string &error) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT || mkfifo(path.c_str(), 0600) != 0) {
      error = "cannot create FIFO " + path + ": " + std::strerror(errno);
      return nullptr;
    }
  } else if (!S_ISFIFO(st.st_mode)) {
    error = path + " exists and is not a FIFO";
    return nullptr;
  }
  int fd = OpenFifoForReading(path);
  if (fd < 0) {
    error = "cannot open FIFO " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<tSimLineInput>(new tSimLineInput(fd, path, true));
}

std::unique_ptr<tSimLineInput> tSimLineInput::FromFd(int fd, const std::string &name) {
  return std::unique_ptr<tSimLineInput>(new tSimLineInput(fd, name, false));
}

tSimLineInput::~tSimLineInput() {
  if (fifo_ && fd_ >= 0) close(fd_);
}

void tSimLineInput::Read(const tLineFn &onLine) {
  if (fd_ < 0) return;
  char chunk[4096];
  ssize_t n = read(fd_, chunk, sizeof(chunk));
  if (n > 0) {
    for (ssize_t i = 0; i < n; i++) Take(chunk[i], onLine);
    return;
  }
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
  EndOfInput(onLine);
}

void tSimLineInput::Take(char c, const tLineFn &onLine) {
  if (c != '\n') {
    if (len_ < sizeof(line_)) {
      line_[len_++] = c;
    } else {
      overlong_ = true;
    }
    return;
  }
  lineNo_++;
  tSimLocation where{name_, lineNo_};
  onLine(overlong_ ? std::string() : std::string(line_, len_), where, overlong_);
  len_ = 0;
  overlong_ = false;
}

// A writer that left without a final newline still meant its last line.
void tSimLineInput::EndOfInput(const tLineFn &onLine) {
  if (len_ > 0 || overlong_) Take('\n', onLine);
  if (!fifo_) {
    fd_ = -1;
    return;
  }
  // Without reopening, poll() would report the hang-up for ever.
  close(fd_);
  fd_ = OpenFifoForReading(name_);
}
