#include "LogFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

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

namespace {
// The stamp WriteLogLine puts before each line: "YYYY-MM-DD HH:MM:SS ".
constexpr long kStampLength = 20;

// Starts a new file at path when this line would take the open one past limit.
void RotateIfFull(int &fd, const std::string &path, size_t lineLength, long limit) {
  struct stat st;
  if (fd == -1 || path.empty() || fstat(fd, &st) != 0 || st.st_size == 0) return;
  if (st.st_size + kStampLength + static_cast<long>(lineLength) <= limit) return;
  const std::string kept = path + ".1";
  if (rename(path.c_str(), kept.c_str()) != 0) return;  // keep writing where we are
  close(fd);
  fd = OpenLogFile(path);
}
}  // namespace

int AppendLogLine(int &fd, const std::string &path, const std::string &text, long limit) {
  if (fd == -1 && !path.empty()) fd = OpenLogFile(path);
  if (limit > 0) RotateIfFull(fd, path, text.size(), limit);
  return WriteLogLine(fd, text);
}
