// The frame log must read as candump -L output, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "CandumpLog.h"
#include "TestBus.h"

TEST(SimCandump, LinesHaveCandumpsExactForm) {
  char buf[kCandumpLineSize];
  tCanFrame f = MakeFrame(0x18EEFF23, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08});
  ASSERT_GT(FormatCandumpLine(buf, sizeof(buf), 1700000000, 123456, "can0", f), 0);
  EXPECT_STREQ(buf, "(1700000000.123456) can0 18EEFF23#0102030405060708\n");

  // Short ids keep 8 digits, hex is upper case, microseconds keep 6 digits.
  f = MakeFrame(0x1, {0xab, 0xcd});
  ASSERT_GT(FormatCandumpLine(buf, sizeof(buf), 1700000001, 42, "vcan0", f), 0);
  EXPECT_STREQ(buf, "(1700000001.000042) vcan0 00000001#ABCD\n");

  f = MakeFrame(0x1DEFFF23, {});
  int n = FormatCandumpLine(buf, sizeof(buf), 5, 0, "can0", f);
  EXPECT_STREQ(buf, "(5.000000) can0 1DEFFF23#\n");
  EXPECT_EQ(n, static_cast<int>(strlen(buf)));

  f.len = 9;
  EXPECT_EQ(FormatCandumpLine(buf, sizeof(buf), 5, 0, "can0", f), -1);
  f.len = 8;
  EXPECT_EQ(FormatCandumpLine(buf, 30, 1700000000, 0, "can0", f), -1);  // no room for the data
}

TEST(SimCandump, LogFileHoldsFramesAndCleanComments) {
  char path[] = "/tmp/sim_log_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    tCandumpLog log;
    ASSERT_TRUE(log.Open(path, "canlink-with-a-long-name"));
    log.Frame(MakeFrame(0x09F80123, {0xde, 0xad}));
    log.Comment("step\r2\tdone");
    for (int i = 0; i < 1000; i++) log.Frame(MakeFrame(0x18EEFF00u + (i & 0xff), {1}));
    EXPECT_EQ(log.Lines(), 1002u);
  }  // closing flushes
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line.substr(line.find(')')), ") canlink-with-a- 09F80123#DEAD");
  EXPECT_EQ(line[0], '(');
  EXPECT_EQ(line.find('.'), 11u);
  std::getline(in, line);
  EXPECT_EQ(line, "# step 2 done");
  int frames = 0;
  while (std::getline(in, line)) frames += line.find("#01") != std::string::npos;
  EXPECT_EQ(frames, 1000);
  unlink(path);
}
