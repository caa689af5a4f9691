// The console stream, its print operations and the debug level that gates what is
// printed: the one process-wide place diagnostic text goes, like stderr.
#ifndef CORE_CONSOLE_H
#define CORE_CONSOLE_H

#include <cstddef>
#include <string>

#include "N2kStream.h"

// The console stream's class: a tSocketStream on a device, or standard output. The
// name is the daemon's own, from when its console was a serial line.
class tSerial : public tSocketStream {
 public:
  explicit tSerial(const char *device = nullptr) : tSocketStream(device) {}
};

constexpr size_t kPrintfBufferSize = 4096;

// The process's console stream; starts on standard output.
extern tSerial *Console;

// The debug level (-d): diagnostic output of level n is wanted when Logging(n). Every
// gate on debug output asks Logging; nothing compares the level itself.
void SetDebugLevel(int level);
bool Logging(int level);

// Points the console at its run-time target: /dev/null at debug level 0, else the
// console device (none: it stays on standard output). The old stream stays open.
void RepointConsole(int debugLevel, const char *consoleDevice);

// printf into a 4096-byte buffer (longer text is cut at 4095) and print it.
size_t StreamPrintf(N2kStream *stream, const char *format, ...)
    __attribute__((format(printf, 2, 3)));
size_t PrintLine(N2kStream *stream, const std::string &text);
size_t EndLine(N2kStream *stream);

#endif
