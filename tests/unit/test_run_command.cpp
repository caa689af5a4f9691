#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CommandRunner.h"
#include "FakeRuntime.h"
#include "LoopParts.h"
#include "MainLoop.h"
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
  tTestConsole console;
  std::string big = RunCommand(console, "head -c 1000 /dev/zero | tr '\\0' x; echo; echo second");
  EXPECT_EQ(std::string(1000, 'x') + "\nsecond\n", big);
  EXPECT_EQ("", RunCommand(console, "exit 3"));
  EXPECT_EQ("", RunCommand(console, "/nonexistent/command 2>/dev/null"));
}

TEST(RunCommand, KeepsTheFirst4096BytesAndLetsTheCommandFinish) {
  tTestConsole console;
  // Far more than a pipe holds: if the rest were not drained the command would block
  // and pclose would never return; the marker file shows the command ran to its end.
  char dir[] = "/tmp/tw-runcmd-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  std::string marker = std::string(dir) + "/done";
  std::string command =
      "head -c 100000 /dev/zero | tr '\\0' a; head -c 300000 /dev/zero; touch " + marker;
  std::string out = RunCommand(console, command.c_str());
  EXPECT_EQ(std::string(4096, 'a'), out);
  EXPECT_EQ(0, access(marker.c_str(), F_OK));
  unlink(marker.c_str());
  rmdir(dir);
  // At and just below the limit nothing is lost.
  EXPECT_EQ(std::string(4096, 'c'), RunCommand(console, "head -c 4096 /dev/zero | tr '\\0' c"));
  EXPECT_EQ(std::string(4095, 'd') + "\n",
            RunCommand(console, "head -c 4095 /dev/zero | tr '\\0' d; echo"));
}

TEST(RunCommand, ExitStatusAndTheTimeLimit) {
  tTestConsole console;
  tCommandResult r = RunCommandFor(console, "echo hi; exit 3");
  EXPECT_TRUE(r.started);
  EXPECT_EQ(3, r.status);
  EXPECT_EQ("hi\n", r.output);
  EXPECT_FALSE(r.ok());
  EXPECT_TRUE(RunCommandFor(console, "true").ok());
  // A command that hangs, and one that closed its output but runs on, with what they
  // started: ended at the limit, and nothing of them is left running.
  for (const char *command : {"echo part; sleep 31.7", "exec >/dev/null; sleep 31.7 & wait"}) {
    const uint32_t start = millis();
    r = RunCommandFor(console, command, 200);
    const uint32_t took = millis() - start;
    EXPECT_TRUE(r.timedOut) << command;
    EXPECT_FALSE(r.ok());
    EXPECT_EQ("", r.output);
    EXPECT_LT(took, 2000u) << command;
  }
  EXPECT_EQ("", RunCommand(console, "pgrep -f 'sleep 31[.]7'"));
  EXPECT_TRUE(console.Has("Command timed out after 200 ms, ended: echo part; sleep 31.7\n"));
}

namespace {
// Each command's result, kept under its name.
class tResults : public tCommandDone {
 public:
  explicit tResults(std::vector<std::string> &order, const char *name)
      : order_(order), name_(name) {}
  void CommandDone(const tCommandResult &result) override {
    kept = result;
    order_.push_back(name_);
  }
  tCommandResult kept;

 private:
  std::vector<std::string> &order_;
  const char *name_;
};

// The runner in the daemon's loop, on the test's clock: the wait is real (the pipes
// and pidfds), the time limit is the fake clock's.
class CommandRunner : public ::testing::Test {
 protected:
  CommandRunner() { loop.Add(part); }
  // Waits and passes until the runner has nothing left, at most passes times.
  void RunFor(int passes) {
    for (int i = 0; i < passes && runner.Running() > 0; i++) {
      loop.Wait(200);
      loop.Pass();
    }
  }
  tTestConsole console;
  tFakeRuntime rt;
  tCommandRunner runner{rt, console};
  tCommandsPart part{runner};
  tPoller poller;
  tMainLoop loop{poller, rt, console};
  std::vector<std::string> order;
};
}  // namespace

TEST_F(CommandRunner, CommandsRunSideBySideAndEachHearsItsOwnEnd) {
  tResults slow(order, "slow"), quick(order, "quick"), big(order, "big");
  ASSERT_TRUE(runner.Start("echo one; sleep 0.3; echo two", rt.now, slow));
  ASSERT_TRUE(runner.Start("printf x; exit 3", rt.now, quick));
  ASSERT_TRUE(runner.Start("head -c 100000 /dev/zero | tr '\\0' a", rt.now, big));
  EXPECT_EQ(3, runner.Running());
  EXPECT_TRUE(order.empty());  // never before Start returns
  RunFor(50);
  ASSERT_EQ(3u, order.size());
  EXPECT_EQ("slow", order.back());
  EXPECT_EQ("one\ntwo\n", slow.kept.output);
  EXPECT_TRUE(slow.kept.ok());
  EXPECT_EQ("x", quick.kept.output);
  EXPECT_EQ(3, quick.kept.status);
  EXPECT_EQ(std::string(4096, 'a'), big.kept.output);  // the rest read and dropped
  EXPECT_EQ(0, big.kept.status);
  EXPECT_EQ(kN2kNeverDue, runner.MsUntilDue(rt.now));
}

TEST_F(CommandRunner, ACommandPastItsLimitIsEndedWithWhatItStarted) {
  tResults hung(order, "hung");
  ASSERT_TRUE(runner.Start("echo part; sleep 31.9 & wait", rt.now, hung));
  EXPECT_EQ(3000u, runner.MsUntilDue(rt.now));
  RunFor(3);
  EXPECT_TRUE(order.empty());
  rt.now += 2999;
  EXPECT_EQ(1u, runner.MsUntilDue(rt.now));
  RunFor(1);
  EXPECT_TRUE(order.empty());
  rt.now += 1;
  EXPECT_EQ(0u, runner.MsUntilDue(rt.now));
  RunFor(1);
  ASSERT_EQ(1u, order.size());
  EXPECT_TRUE(hung.kept.timedOut);
  EXPECT_EQ(-1, hung.kept.status);
  EXPECT_EQ("", hung.kept.output);
  EXPECT_TRUE(
      console.Has("Command timed out after 3000 ms, ended: echo part; sleep 31.9 & wait\n"));
  EXPECT_EQ("", RunCommand(console, "pgrep -f 'sleep 31[.]9'"));
}
