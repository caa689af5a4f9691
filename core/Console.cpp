#include "Console.h"

#include <cstdarg>
#include <cstdio>

void tProcessConsole::Repoint(int debugLevel, const char *consoleDevice) {
  if (debugLevel == 0) {
    target_.reset(new tSerial("/dev/null"));
  } else if (consoleDevice != nullptr) {
    target_.reset(new tSerial(consoleDevice));
  } else {
    return;
  }
  PointAt(*target_);
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
