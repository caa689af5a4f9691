#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "Console.h"
#include "LogFile.h"

namespace {
// Keeps what is written, write by write.
struct tCapture : N2kStream {
  std::vector<std::string> writes;
  int read() override { return -1; }
  size_t write(const unsigned char *d, unsigned int n) override {
    writes.emplace_back(reinterpret_cast<const char *>(d), n);
    return n;
  }
};
}  // namespace

TEST(StreamPrintf, FormatsAndCutsAt4095) {
  tCapture c;
  StreamPrintf(&c, "Debug level = %d, logger=%s\n", 3, "x");
  ASSERT_EQ(1u, c.writes.size());
  EXPECT_EQ("Debug level = 3, logger=x\n", c.writes[0]);
  std::string big(5000, 'a');
  StreamPrintf(&c, "%s", big.c_str());
  EXPECT_EQ(4095u, c.writes.back().size());
  PrintLine(&c, "text");
  EXPECT_EQ("text", c.writes[c.writes.size() - 2]);
  EXPECT_EQ("\r\n", c.writes.back());
  EndLine(&c);
  EXPECT_EQ("\r\n", c.writes.back());
}

TEST(Console, WritesThroughAndGatesByItsOwnLevel) {
  tCapture c;
  tConsole console(c);
  EXPECT_FALSE(console.Logging(1));
  EXPECT_TRUE(console.Logging(0));
  StreamPrintf(&console, "said %d\n", 1);  // whatever the level
  console.SetDebugLevel(4);
  EXPECT_TRUE(console.Logging(4));
  EXPECT_FALSE(console.Logging(5));
  console.println("two");
  EXPECT_EQ((std::vector<std::string>{"said 1\n", "two", "\r\n"}), c.writes);
}

// Standard output first; repointed, to the device, or to /dev/null at level 0.
TEST(ProcessConsole, StartsOnStandardOutputAndIsRepointedOnce) {
  char path[] = "/tmp/tw-console-XXXXXX";
  const int file = mkstemp(path);
  ASSERT_NE(-1, file);
  int pipeFds[2];
  ASSERT_EQ(0, pipe(pipeFds));
  fflush(stdout);
  const int savedOut = dup(STDOUT_FILENO);
  dup2(pipeFds[1], STDOUT_FILENO);
  {
    tProcessConsole console;
    console.print("first ");
    console.Repoint(1, nullptr);  // no device: still standard output
    console.print("second ");
    console.Repoint(3, path);
    console.print("on the device");
  }
  {
    tProcessConsole quiet;
    quiet.Repoint(0, path);
    quiet.print("gone");
  }
  dup2(savedOut, STDOUT_FILENO);
  close(savedOut);
  close(pipeFds[1]);
  char buf[64] = {};
  EXPECT_EQ(13, read(pipeFds[0], buf, sizeof(buf) - 1));
  EXPECT_STREQ("first second ", buf);
  close(pipeFds[0]);
  char kept[64] = {};
  EXPECT_EQ(13, read(file, kept, sizeof(kept) - 1));
  EXPECT_STREQ("on the device", kept);
  close(file);
  unlink(path);
}

TEST(WriteLogLine, OneWriteWithAUtcStampWhateverTheTimeZone) {
  EXPECT_EQ(-1, WriteLogLine(-1, "abc\n"));
  // A datagram socket pair keeps write boundaries: one recv is one write.
  int sv[2];
  ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_SEQPACKET, 0, sv));
  const char *oldTz = getenv("TZ");
  setenv("TZ", "Pacific/Kiritimati", 1);  // UTC+14: the local date is often another day
  tzset();
  time_t before = time(nullptr);
  int written = WriteLogLine(sv[0], "abc\n");
  time_t after = time(nullptr);
  if (oldTz)
    setenv("TZ", oldTz, 1);
  else
    unsetenv("TZ");
  tzset();
  EXPECT_EQ(24, written);
  char buf[8192];
  ssize_t n = recv(sv[1], buf, sizeof(buf), 0);
  ASSERT_EQ(24, n);
  std::string line(buf, n);
  char stamp[32];
  bool matched = false;
  for (time_t t = before; t <= after; t++) {
    struct tm utc;
    gmtime_r(&t, &utc);
    strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S ", &utc);
    matched |= line == std::string(stamp) + "abc\n";
  }
  EXPECT_TRUE(matched) << line;

  // A text longer than the line buffer is cut, never written past it.
  std::string huge(10000, 'z');
  written = WriteLogLine(sv[0], huge);
  EXPECT_EQ(static_cast<int>(kLogLineBufferSize), written);
  close(sv[0]);
  close(sv[1]);
}

TEST(WriteLogLine, ALineTheFileTakesOnlyInPartIsTakenBack) {
  char path[] = "/tmp/tw-logline-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_NE(-1, fd);
  close(fd);
  fd = open(path, O_WRONLY | O_APPEND);
  ASSERT_EQ(24, WriteLogLine(fd, "abc\n"));
  // A file size limit makes the kernel take only part of a write, as a full disk does.
  struct sigaction ignore = {}, old;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &old);
  struct rlimit limit, saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  limit = saved;
  limit.rlim_cur = 24 + 10;
  setrlimit(RLIMIT_FSIZE, &limit);
  const int cut = WriteLogLine(fd, "DCS;,1,120, ,13,4.5\n");
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &old, nullptr);
  EXPECT_EQ(-1, cut);
  struct stat st;
  ASSERT_EQ(0, fstat(fd, &st));
  EXPECT_EQ(24, st.st_size);
  // Room again: the next line follows the last whole one.
  EXPECT_EQ(40, WriteLogLine(fd, "DCS;,1,120, ,13,4.5\n"));
  close(fd);
  std::ifstream in(path);
  std::string first, second, rest;
  std::getline(in, first);
  std::getline(in, second);
  EXPECT_EQ("abc", first.substr(20));
  EXPECT_EQ("DCS;,1,120, ,13,4.5", second.substr(20));
  EXPECT_FALSE(std::getline(in, rest));
  unlink(path);
}

TEST(OpenLogFile, EveryOpenAppendsAndNoneOverwrites) {
  char path[] = "/tmp/tw-applog-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_NE(-1, fd);
  ASSERT_EQ(9, write(fd, "old line\n", 9));  // left by the run before a restart
  close(fd);
  const int first = OpenLogFile(path);
  ASSERT_NE(-1, first);
  EXPECT_NE(0, fcntl(first, F_GETFD) & FD_CLOEXEC);  // shell commands do not inherit it
  int second = -1;
  EXPECT_EQ(24, WriteLogLine(first, "abc\n"));
  EXPECT_EQ(24, AppendLogLine(second, path, "def\n"));  // opens a descriptor of its own
  ASSERT_NE(-1, second);
  EXPECT_EQ(24, WriteLogLine(first, "ghi\n"));
  close(first);
  close(second);
  std::ifstream in(path);
  std::string line;
  std::vector<std::string> texts;
  while (std::getline(in, line)) texts.push_back(texts.empty() ? line : line.substr(20));
  EXPECT_EQ(std::vector<std::string>({"old line", "abc", "def", "ghi"}), texts);
  unlink(path);
}

TEST(AppendLogLine, AFullLogStartsAnewAndKeepsOneOldFile) {
  char dir[] = "/tmp/tw-rotate-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  const std::string path = std::string(dir) + "/BAT-35:135:471:X1.log";
  auto size = [](const std::string &p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1L;
  };
  int fd = -1;
  // Lines of 30 bytes (20 of stamp); a 90-byte limit holds three of them, the third
  // filling the file exactly to the limit.
  for (int i = 0; i < 3; i++) EXPECT_EQ(30, AppendLogLine(fd, path, "123456789\n", 90));
  EXPECT_EQ(90, size(path));
  EXPECT_EQ(-1, size(path + ".1"));
  EXPECT_EQ(30, AppendLogLine(fd, path, "abcdefghi\n", 90));
  EXPECT_EQ(90, size(path + ".1"));
  EXPECT_EQ(30, size(path));
  // The next turn replaces the older kept file; without a limit the file just grows.
  for (int i = 0; i < 3; i++) AppendLogLine(fd, path, "ABCDEFGHI\n", 90);
  EXPECT_EQ(90, size(path + ".1"));
  EXPECT_EQ(30, size(path));
  for (int i = 0; i < 5; i++) AppendLogLine(fd, path, "ABCDEFGHI\n");
  EXPECT_EQ(180, size(path));
  std::ifstream kept(path + ".1");
  std::string first;
  std::getline(kept, first);
  EXPECT_EQ("abcdefghi", first.substr(20));
  close(fd);
  const std::string rm = std::string("rm -rf ") + dir;
  ASSERT_EQ(0, system(rm.c_str()));
}
