#include "Console.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

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

int WriteLogLine(int fd, const std::string &text) {
  if (fd == -1) return -1;
  char buf[kLogLineBufferSize];
  time_t now = time(nullptr);
  struct tm utc;
  gmtime_r(&now, &utc);
  size_t len = strftime(buf, sizeof(buf), "%F %T ", &utc);
  size_t room = sizeof(buf) - len;
  size_t n = text.size() < room ? text.size() : room;
  std::memcpy(buf + len, text.data(), n);
  return static_cast<int>(::write(fd, buf, len + n));
}
