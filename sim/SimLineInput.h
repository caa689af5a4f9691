// Command lines from a descriptor the loop polls: the control FIFO (created when
// missing; reopened when its last writer has gone, so the next writer is heard) or
// standard input (given up at its end). Read() does one read() and is only called when
// poll() said the descriptor is readable, so it never blocks even on a blocking stdin.
#ifndef SIM_SIMLINEINPUT_H
#define SIM_SIMLINEINPUT_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "SimCommand.h"

class tSimLineInput {
 public:
  // line: without its '\n'. overlong: the line passed kMaxCommandLine and was dropped.
  using tLineFn =
      std::function<void(const std::string &line, const tSimLocation &where, bool overlong)>;

  // Creates the FIFO when path does not exist. Null, with a message, when path is not
  // a FIFO or cannot be opened.
  static std::unique_ptr<tSimLineInput> OpenFifo(const std::string &path, std::string &error);
  // Reads fd (not closed here); name is used in messages.
  static std::unique_ptr<tSimLineInput> FromFd(int fd, const std::string &name);
  ~tSimLineInput();
  tSimLineInput(const tSimLineInput &) = delete;
  tSimLineInput &operator=(const tSimLineInput &) = delete;

  // -1 once a non-FIFO input has ended.
  int Fd() const { return fd_; }
  const std::string &Name() const { return name_; }
  void Read(const tLineFn &onLine);

 private:
  tSimLineInput(int fd, const std::string &name, bool fifo) : fd_(fd), name_(name), fifo_(fifo) {}
  void EndOfInput(const tLineFn &onLine);
  void Take(char c, const tLineFn &onLine);

  int fd_;
  std::string name_;
  bool fifo_;
  char line_[kMaxCommandLine];
  size_t len_ = 0;
  bool overlong_ = false;
  int lineNo_ = 0;
};

#endif
