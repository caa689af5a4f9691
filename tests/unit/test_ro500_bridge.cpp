#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "FakeRuntime.h"
#include "PtyPort.h"
#include "RO500.h"

namespace {
// The characters of a TERMINAL message: the bytes before the first 0xFF.
std::string Chars(const tN2kMsg &m) {
  std::string s;
  for (int i = 0; i < m.DataLen && m.Data[i] != 0xFF; i++) s += static_cast<char>(m.Data[i]);
  return s;
}

class tBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    r.reset(new tRO500(140, settings, rt));
    r->openPort(port.path);
    ASSERT_NE(-1, r->ttyFd());
    r->markAlive();
  }
  // Types text at the user's end and lets the record read it up to its line feed.
  void TypeLine(const std::string &text) {
    port.Type(text);
    for (int i = 0; i < 50; i++) {
      if (!WaitReadable(r->ttyFd())) break;
      r->poll_serialIn();
      if (r->typedLength() == 0) break;
    }
  }
  // Moves the clock and runs the sender.
  void After(uint32_t ms) {
    rt.now += ms;
    r->poll_terminal();
  }
  std::vector<std::string> SentChars() {
    std::vector<std::string> out;
    for (const tN2kMsg &m : rt.sent) out.push_back(Chars(m));
    return out;
  }

  tScopedRuntime rt;
  tScopedDebugLevel debugLevel;
  tRunSettings settings;
  tScopedConsole console;
  tPtyPort port;
  std::unique_ptr<tRO500> r;
};
}  // namespace

TEST_F(tBridge, ATypedCommandGoesOutCutAfterItsAtSign) {
  TypeLine("$RAS:@\n");
  EXPECT_TRUE(r->suspended());
  After(49);
  EXPECT_TRUE(rt.sent.empty());
  After(1);
  ASSERT_EQ(1u, rt.sent.size());
  const tN2kMsg &m = rt.sent[0];
  EXPECT_EQ(0x17E00u, m.PGN);
  EXPECT_EQ(140, m.Destination);
  EXPECT_EQ(7, m.Priority);
  const unsigned char wire[8] = {0x24, 0x52, 0x41, 0x53, 0x3A, 0x40, 0xFF, 0xFF};
  ASSERT_EQ(8, m.DataLen);
  EXPECT_EQ(0, memcmp(wire, m.Data, 8));
  After(500);
  EXPECT_EQ(1u, rt.sent.size());
}

TEST_F(tBridge, LinesGoOutInChunksOfEightFiftyMillisecondsApart) {
  TypeLine("hello\n");
  After(50);
  EXPECT_EQ(std::vector<std::string>({"hello\n"}), SentChars());
  rt.sent.clear();

  TypeLine("abcdefghijklmnopqrst\n");  // 21 characters
  After(50);
  After(49);
  EXPECT_EQ(1u, rt.sent.size());
  After(1);
  After(50);
  After(50);
  EXPECT_EQ(std::vector<std::string>({"abcdefgh", "ijklmnop", "qrst\n"}), SentChars());
  rt.sent.clear();

  TypeLine("abcdefghijklmno\n");  // 16: the last chunk is full, an empty one ends the text
  for (int i = 0; i < 5; i++) After(50);
  EXPECT_EQ(std::vector<std::string>({"abcdefgh", "ijklmno\n", ""}), SentChars());
  EXPECT_FALSE(r->sending());
}

TEST_F(tBridge, ALineTypedWhileAnotherIsSentReplacesTheRest) {
  TypeLine("0123456789abcdefghij\n");
  After(50);
  TypeLine("new\n");
  for (int i = 0; i < 4; i++) After(50);
  EXPECT_EQ(std::vector<std::string>({"01234567", "new\n"}), SentChars());
}

TEST_F(tBridge, LocalEchoSendsEveryCharacterBackAtOnce) {
  settings.localEcho = true;
  TypeLine("ab\n");
  EXPECT_EQ("ab\n", port.Read());
  settings.localEcho = false;
  TypeLine("cd\n");
  EXPECT_EQ("", port.Read(50));
}

TEST_F(tBridge, TheLogOfAShorterLineAfterALongerOneShowsOnlyItself) {
  SetDebugLevel(4);
  TypeLine("abcdef\n");
  TypeLine("xy\n");
  EXPECT_TRUE(console.Has("tRO500::poll_serialIn: Got xy\n"));
  EXPECT_FALSE(console.Has("Got xycdef"));
  EXPECT_TRUE(console.Has("tRO500::terminal2CAN: Queuing xy\n"));
}

TEST_F(tBridge, AnswersReachThePortOnceTheyHoldALineFeed) {
  r->UpdTerminalFromCAN("AST;,1");
  r->poll_serialOut();
  EXPECT_EQ("", port.Read(50));
  r->UpdTerminalFromCAN(", ,\n");
  r->poll_serialOut();
  EXPECT_EQ("AST;,1, ,\n", port.Read());
  EXPECT_TRUE(r->ast().parsed());
  EXPECT_FLOAT_EQ(1.0f, r->ast().field(1));
  EXPECT_FALSE(r->receiving());
}

TEST_F(tBridge, KSemicolonInOnePieceEndsTheSuspension) {
  r->terminal2CAN("$RAS:@");
  r->UpdTerminalFromCAN("AOK;");
  EXPECT_FALSE(r->suspended());

  r->terminal2CAN("$RAS:@");
  r->UpdTerminalFromCAN("xxAO");
  EXPECT_TRUE(r->suspended());
  r->UpdTerminalFromCAN("K;\r\n");
  EXPECT_FALSE(r->suspended());

  // "K" and ";" in two pieces do not: the suspension then ends more than 20 s after
  // the last status tick.
  r->UpdTerminalFromCAN("AST;,1\n");
  r->poll_serialOut();
  r->terminal2CAN("$RAS:@");
  ASSERT_EQ(rt.now, r->lastStatusTick());
  r->UpdTerminalFromCAN("AOK");
  r->UpdTerminalFromCAN(";\r\n");
  EXPECT_TRUE(r->suspended());
  rt.now += 20000;
  r->poll_status();
  EXPECT_TRUE(r->suspended());
  rt.now += 1;
  r->poll_status();
  EXPECT_FALSE(r->suspended());
  EXPECT_EQ(rt.now, r->lastStatusTick());  // the tick follows in the same call
}

TEST_F(tBridge, EveryCompleteLineIsFiledByItsOwnTag) {
  // The charger echoes the typed command before its answer.
  r->UpdTerminalFromCAN("$RAS:@\r\n");
  r->UpdTerminalFromCAN("AST;,7, ,1,2,3,4, ,5,6,7,8, ,9,10, ,11, ,12,13,14,15\r\n");
  r->UpdTerminalFromCAN("CST;,1,2\r\nSST;,3\r\n");
  r->UpdTerminalFromCAN("..FLT;,12,3\n..");
  r->poll_serialOut();
  EXPECT_EQ(
      "$RAS:@\r\nAST;,7, ,1,2,3,4, ,5,6,7,8, ,9,10, ,11, ,12,13,14,15\r\nCST;,1,2\r\nSST;,3\r\n"
      "..FLT;,12,3\n..",
      port.Read());
  EXPECT_TRUE(r->ast().parsed());
  EXPECT_FLOAT_EQ(7.0f, r->ast().field(1));
  EXPECT_FLOAT_EQ(15.0f, r->ast().field(16));
  EXPECT_EQ("CST;,1,2\r\n", r->storedLine("CST"));
  EXPECT_EQ("SST;,3\r\n", r->storedLine("SST"));
  EXPECT_EQ("FLT;,12,3\n", r->storedLine("FLT"));

  // A line whose start went to the port with an earlier flush is still filed whole.
  r->UpdTerminalFromCAN("CPE;,1\nNPC");
  r->poll_serialOut();
  r->UpdTerminalFromCAN(";,2\nENG;,3\nSCV;,4\n");
  r->poll_serialOut();
  EXPECT_EQ("CPE;,1\n", r->storedLine("CPE"));
  EXPECT_EQ("NPC;,2\n", r->storedLine("NPC"));
  EXPECT_EQ("ENG;,3\n", r->storedLine("ENG"));
  EXPECT_EQ("SCV;,4\n", r->storedLine("SCV"));
  // Lines of other kinds only go to the port.
  r->UpdTerminalFromCAN("XYZ;,1\nAOK;\n");
  r->poll_serialOut();
  EXPECT_EQ("CPE;,1\n", r->storedLine("CPE"));
}

TEST_F(tBridge, WithoutAPortAnswersAreStillFiled) {
  SetDebugLevel(1);
  tRO500 portless(141, settings, rt);
  portless.UpdTerminalFromCAN("AST;,3, ,1\r\nCST;,9\r\n");
  portless.poll_serialOut();
  EXPECT_FLOAT_EQ(3.0f, portless.ast().field(1));
  EXPECT_EQ("CST;,9\r\n", portless.storedLine("CST"));
  EXPECT_FALSE(portless.receiving());
  EXPECT_TRUE(console.Has("tRO500::poll_serialOut: No serial port\r\n"));
  // Chunks queued before still go to the charger.
  portless.terminal2CAN("$RAS:@");
  rt.now += 50;
  portless.poll_terminal();
  EXPECT_EQ(std::vector<std::string>({"$RAS:@"}), SentChars());
}

TEST_F(tBridge, OverlongTextIsBoundedAndTheBridgeGoesOn) {
  // 4094 characters without a line feed go out as they are.
  std::string longLine(4094, 'x');
  port.Type(longLine);
  for (int i = 0; i < 200 && !r->sending(); i++) {
    if (!WaitReadable(r->ttyFd())) break;
    r->poll_serialIn();
  }
  ASSERT_TRUE(r->sending());
  EXPECT_EQ(4094u, r->commandText().size());
  EXPECT_EQ(0u, r->typedLength());
  TypeLine("ok\n");
  After(50);
  EXPECT_EQ(std::vector<std::string>({"ok\n"}), SentChars());

  // 4095 received characters without a line feed go to the port, the rest collects on.
  std::string piece(8, 'y');
  for (int i = 0; i < 512; i++) r->UpdTerminalFromCAN(piece.c_str());  // 4096
  std::string out;
  for (int i = 0; i < 50 && out.size() < 4095; i++) out += port.Read();
  EXPECT_EQ(std::string(4095, 'y'), out);
  EXPECT_EQ("y", r->receivedText());
  // Pieces longer than a TERMINAL message carries are taken whole as well.
  r->UpdTerminalFromCAN("0123456789ABCDEF\n");
  r->poll_serialOut();
  EXPECT_EQ("y0123456789ABCDEF\n", port.Read());
}

TEST_F(tBridge, StatusTicksOncePerSecondAndLogsEveryNinth) {
  char logPath[] = "/tmp/tw-ro500-log-XXXXXX";
  int fd = mkstemp(logPath);
  ASSERT_NE(-1, fd);
  close(fd);
  r->openLog(logPath);
  fd = r->logFd();
  ASSERT_NE(-1, fd);
  // No AST line yet: the tick asks for one instead of writing.
  rt.now += 1000;
  r->poll_status();
  EXPECT_TRUE(r->suspended());
  EXPECT_EQ("$RAS:@", r->commandText());
  EXPECT_EQ(1, r->statusTick());

  r->UpdTerminalFromCAN("AST;,1, ,2,3,4,5, ,6,7,8,9, ,10,11, ,12, ,13,14,15,16\nCPE;,42\nAOK;\n");
  r->poll_serialOut();
  port.Read();
  rt.now += 999;
  r->poll_status();
  EXPECT_EQ("", port.Read(50));
  const std::string ast = "AST;,1.00, ,2.00,3.0,4.0,5, ,6.00,7,8,9, ,10,11, ,12, ,13.00,14,15,16\n";
  std::string written;
  for (int tick = 2; tick <= 8; tick++) {
    rt.now += 1000;
    r->poll_status();
    written += port.Read();
  }
  std::string expect;
  for (int i = 0; i < 7; i++) expect += ast;
  EXPECT_EQ(expect, written);
  struct stat st;
  fstat(fd, &st);
  EXPECT_EQ(0, st.st_size);  // nothing logged in the first eight ticks
  rt.now += 1000;
  r->poll_status();
  EXPECT_EQ(ast + "CPE;,42\n", port.Read());
  EXPECT_EQ(0, r->statusTick());
  EXPECT_EQ(1, r->rotation());
  std::ifstream log(logPath);
  std::stringstream content;
  content << log.rdbuf();
  // Each log line: the 20-character UTC stamp, then the line.
  std::string text = content.str();
  ASSERT_EQ(20 + ast.size() + 20 + 8, text.size());
  EXPECT_EQ(ast, text.substr(20, ast.size()));
  EXPECT_EQ("CPE;,42\n", text.substr(40 + ast.size()));
  EXPECT_EQ(' ', text[19]);
  EXPECT_EQ('-', text[4]);
  unlink(logPath);
}

TEST_F(tBridge, AHungUpPortRestsAndIsServedAgainWhenItComesBack) {
  settings.statusUpdates = false;  // leaves the heartbeat and the rest as timers
  char dir[] = "/tmp/tw-hup-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  // The record knows its port by a name, as the daemon knows /dev/tnt1.
  std::string link = std::string(dir) + "/tnt1";
  ASSERT_EQ(0, symlink(port.path.c_str(), link.c_str()));
  tRO500 rec(141, settings, rt);
  rec.openPort(link);
  rec.markAlive();
  ASSERT_NE(-1, rec.ttyFd());
  EXPECT_EQ(rec.ttyFd(), rec.pollFd());

  port.CloseUser();
  rec.poll_serialIn();
  EXPECT_TRUE(rec.portResting());
  EXPECT_EQ(-1, rec.pollFd());  // out of the loop's wait: a hung-up pty is always "ready"
  EXPECT_EQ(1000u, rec.msUntilDue(rt.now));
  rt.now += 999;
  rec.poll_serialIn();
  EXPECT_TRUE(rec.portResting());
  EXPECT_EQ(1u, rec.msUntilDue(rt.now));

  // The user's side is made anew under the same name.
  tPtyPort again;
  unlink(link.c_str());
  ASSERT_EQ(0, symlink(again.path.c_str(), link.c_str()));
  rt.now += 1;
  rec.poll_serialIn();  // still end of file on the old one: opened again by name
  EXPECT_FALSE(rec.portResting());
  ASSERT_NE(-1, rec.pollFd());
  rec.markAlive();
  again.Type("hi\n");
  ASSERT_TRUE(WaitReadable(rec.ttyFd()));
  rec.poll_serialIn();
  rt.now += 50;
  rec.poll_terminal();
  EXPECT_EQ(std::vector<std::string>({"hi\n"}), SentChars());
  rec.writePort("back\n");
  EXPECT_EQ("back\n", again.Read());

  // Gone altogether: no port, tried again once a second until it is there.
  again.CloseUser();
  unlink(link.c_str());
  rec.poll_serialIn();
  rt.now += 1000;
  rec.markAlive();
  rec.poll_serialIn();
  EXPECT_EQ(-1, rec.ttyFd());
  EXPECT_EQ(1000u, rec.msUntilDue(rt.now));
  tPtyPort third;
  ASSERT_EQ(0, symlink(third.path.c_str(), link.c_str()));
  rt.now += 500;
  rec.markAlive();
  rec.poll_serialIn();
  EXPECT_EQ(-1, rec.ttyFd());
  rt.now += 500;
  rec.poll_serialIn();
  EXPECT_NE(-1, rec.ttyFd());
  rec.writePort("third\n");
  EXPECT_EQ("third\n", third.Read());
  unlink(link.c_str());
  rmdir(dir);
}

TEST_F(tBridge, WhatAPortDoesNotTakeIsDroppedAndCounted) {
  // Nobody reads the user's end: the pty fills, and the bridge never waits for it.
  const std::string chunk(4096, 'x');
  for (int i = 0; i < 64; i++) r->writePort(chunk);
  const uint64_t dropped = r->portBytesDropped();
  EXPECT_GT(dropped, 0u);
  std::string taken;
  for (std::string more = port.Read(); !more.empty(); more = port.Read(50)) taken += more;
  EXPECT_EQ(64u * 4096u, taken.size() + dropped);
}
