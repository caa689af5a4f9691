// The frame log in candump's -L format, one line per frame:
//   (1700000000.123456) can0 18EEFF23#0102030405060708
// (8 upper-case hex digits of id, upper-case data without separators; no data: "18EEFF23#"),
// and "# TEXT" comment lines. Lines collect in a fixed buffer that the loop flushes on
// each pass, so a reader of the file sees a frame within milliseconds.
#ifndef SIM_CANDUMPLOG_H
#define SIM_CANDUMPLOG_H

#include <cstddef>
#include <cstdint>

#include "CanFrame.h"

// Longest interface name kept (IFNAMSIZ less its terminator).
constexpr size_t kCandumpIfNameMax = 15;
// Room that always holds one frame line with its newline.
constexpr size_t kCandumpLineSize = 64;

// Writes one frame line with its '\n' into buf; returns its length, or -1 when it does
// not fit or the frame is invalid (len > 8).
int FormatCandumpLine(char *buf, size_t size, int64_t seconds, long microseconds,
                      const char *ifname, const tCanFrame &frame);

class tCandumpLog {
 public:
  tCandumpLog() = default;
  ~tCandumpLog();
  tCandumpLog(const tCandumpLog &) = delete;
  tCandumpLog &operator=(const tCandumpLog &) = delete;

  // Creates (or empties) path. ifname is cut to kCandumpIfNameMax characters.
  bool Open(const char *path, const char *ifname);
  bool IsOpen() const { return fd_ >= 0; }
  // Logs frame with the wall-clock time now.
  void Frame(const tCanFrame &frame);
  // "# text"; control characters become blanks, long texts are cut.
  void Comment(const char *text);
  // Writes what is buffered. Returns false when the file refused it (counted).
  bool Flush();
  void Close();
  uint32_t Lines() const { return lines_; }
  uint32_t WriteErrors() const { return writeErrors_; }

 private:
  static constexpr size_t kBufferSize = 16384;
  static constexpr size_t kMaxComment = 512;

  char *Reserve(size_t len);

  int fd_ = -1;
  char ifname_[kCandumpIfNameMax + 1] = "can0";
  char buf_[kBufferSize];
  size_t used_ = 0;
  uint32_t lines_ = 0;
  uint32_t writeErrors_ = 0;
};

#endif
