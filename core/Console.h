// The console: the stream the daemon's diagnostic text goes to, like stderr, its print
// operations, and the debug level that gates what is printed. The composition root
// makes the daemon's one and hands it by reference to every part that prints; a test
// makes its own around a stream that keeps the text.
#ifndef CORE_CONSOLE_H
#define CORE_CONSOLE_H

#include <cstddef>
#include <memory>
#include <string>

#include "N2kStream.h"

// The console stream's class: a tSocketStream on a device, or standard output. The
// name is the daemon's own, from when its console was a serial line.
class tSerial : public tSocketStream {
 public:
  explicit tSerial(const char *device = nullptr) : tSocketStream(device) {}
};

constexpr size_t kPrintfBufferSize = 4096;

// Writes through to the stream it points at; starts at debug level 0.
class tConsole : public N2kStream {
 public:
  // stream outlives the console.
  explicit tConsole(N2kStream &stream) : stream_(&stream) {}
  tConsole(const tConsole &) = delete;
  tConsole &operator=(const tConsole &) = delete;

  // The debug level (-d): diagnostic output of level n is wanted when Logging(n). Every
  // gate on debug output asks Logging; nothing compares the level itself. Text printed
  // without asking goes to the stream whatever the level.
  void SetDebugLevel(int level) { level_ = level; }
  bool Logging(int level) const { return level_ >= level; }

  int read() override { return -1; }
  size_t write(const unsigned char *data, unsigned int len) override {
    return stream_->write(data, len);
  }

 protected:
  // From now on the text goes to stream, which outlives the console.
  void PointAt(N2kStream &stream) { stream_ = &stream; }

 private:
  N2kStream *stream_;
  int level_ = 0;
};

// The daemon's console: on standard output from the start, so that the usage text and
// the first lines go there.
class tProcessConsole : public tConsole {
 public:
  tProcessConsole() : tConsole(start_) {}
  // Points the console at its run-time target: /dev/null at debug level 0, else the
  // console device (none: it stays on standard output). Standard output stays open.
  void Repoint(int debugLevel, const char *consoleDevice);

 private:
  tSerial start_{nullptr};
  std::unique_ptr<tSerial> target_;
};

// printf into a 4096-byte buffer (longer text is cut at 4095) and print it.
size_t StreamPrintf(N2kStream *stream, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
size_t PrintLine(N2kStream *stream, const std::string &text);
size_t EndLine(N2kStream *stream);

#endif
