#include "Console.h"

#include <fcntl.h>
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
  const size_t total = len + n;
  const ssize_t wrote = ::write(fd, buf, total);
  if (wrote < 0 || static_cast<size_t>(wrote) == total) return static_cast<int>(wrote);
  // A full disk took only the start of the line: take it back, or the next line would
  // run on from the cut one. The file is appended to, so it ends where the write did.
  const off_t end = lseek(fd, 0, SEEK_CUR);
  if (end >= wrote) {
    int ignored = ftruncate(fd, end - wrote);
    (void)ignored;
  }
  return -1;
}

int OpenLogFile(const std::string &path) {
  return open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
}

int AppendLogLine(int &fd, const std::string &path, const std::string &text) {
  if (fd == -1 && !path.empty()) fd = OpenLogFile(path);
  return WriteLogLine(fd, text);
}
