#include "Console.h"

#include <cstdarg>
#include <cstdio>

namespace {
int DebugLevel = 0;
// The console starts on standard output; re-pointing it later keeps this one alive.
tSerial StartConsole(nullptr);
}  // namespace

tSerial *Console = &StartConsole;

void SetDebugLevel(int level) {
  DebugLevel = level;
}

bool Logging(int level) {
  return DebugLevel >= level;
}

size_t StreamPrintf(N2kStream *stream, const char *format, ...) {
  char buf[kPrintfBufferSize];
  va_list ap;
  va_start(ap, format);
  int n = std::vsnprintf(buf, sizeof(buf), format, ap);
  va_end(ap);
  if (n < 0) return 0;
  return stream->print(buf);
}

size_t PrintLine(N2kStream *stream, const std::string &text) {
  return stream->println(text.c_str());
}

size_t EndLine(N2kStream *stream) {
  return stream->print("\r\n");
}

void RepointConsole(int debugLevel, const char *consoleDevice) {
  if (debugLevel == 0) {
    Console = new tSerial("/dev/null");
  } else if (consoleDevice != nullptr) {
    Console = new tSerial(consoleDevice);
  }
}
