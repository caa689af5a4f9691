#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "FakeRuntime.h"
#include "N2kTime.h"
#include "RunCommand.h"
#include "TextHelpers.h"

TEST(TrimNewline, RemovesExactlyOneTrailingNewline) {
  std::string s = "abc\n";
  TrimNewline(s);
  EXPECT_EQ("abc", s);
  s = "abc\r\n";
  TrimNewline(s);
  EXPECT_EQ("abc\r", s);
  s = "a\nb\n\n";
  TrimNewline(s);
  EXPECT_EQ("a\nb\n", s);
  s = "";
  TrimNewline(s);
  EXPECT_EQ("", s);
  s = "abc ";
  TrimNewline(s);
  EXPECT_EQ("abc ", s);
}

TEST(RunCommand, ReturnsAllOutputAndNothingForFailures) {
  std::string big = RunCommand("head -c 1000 /dev/zero | tr '\\0' x; echo; echo second");
  EXPECT_EQ(std::string(1000, 'x') + "\nsecond\n", big);
  EXPECT_EQ("", RunCommand("exit 3"));
  EXPECT_EQ("", RunCommand("/nonexistent/command 2>/dev/null"));
}

TEST(RunCommand, KeepsTheFirst4096BytesAndLetsTheCommandFinish) {
  // Far more than a pipe holds: if the rest were not drained the command would block
  // and pclose would never return; the marker file shows the command ran to its end.
  char dir[] = "/tmp/tw-runcmd-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  std::string marker = std::string(dir) + "/done";
  std::string command =
      "head -c 100000 /dev/zero | tr '\\0' a; head -c 300000 /dev/zero; touch " + marker;
  std::string out = RunCommand(command.c_str());
  EXPECT_EQ(std::string(4096, 'a'), out);
  EXPECT_EQ(0, access(marker.c_str(), F_OK));
  unlink(marker.c_str());
  rmdir(dir);
  // At and just below the limit nothing is lost.
  EXPECT_EQ(std::string(4096, 'c'), RunCommand("head -c 4096 /dev/zero | tr '\\0' c"));
  EXPECT_EQ(std::string(4095, 'd') + "\n", RunCommand("head -c 4095 /dev/zero | tr '\\0' d; echo"));
}

TEST(RunCommand, ExitStatusAndTheTimeLimit) {
  tScopedConsole console;
  tCommandResult r = RunCommandFor("echo hi; exit 3");
  EXPECT_TRUE(r.started);
  EXPECT_EQ(3, r.status);
  EXPECT_EQ("hi\n", r.output);
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(RunCommandFor("true").ok());
  // A command that hangs, and one that closed its output but runs on, with what they
  // started: ended at the limit, and nothing of them is left running.
  for (const char *command : {"echo part; sleep 31.7", "exec >/dev/null; sleep 31.7 & wait"}) {
    const uint32_t start = millis();
    r = RunCommandFor(command, 200);
    const uint32_t took = millis() - start;
    EXPECT_TRUE(r.timedOut) << command;
    EXPECT_FALSE(r.ok());
    EXPECT_EQ("", r.output);
    EXPECT_LT(took, 2000u) << command;
  }
  EXPECT_EQ("", RunCommand("pgrep -f 'sleep 31[.]7'"));
  EXPECT_TRUE(console.Has("Command timed out after 200 ms, ended: echo part; sleep 31.7\n"));
}
