#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "TerminalBridge.h"
#include "TerminalTest.h"

namespace {
// What the bridge hands on.
class tHeard : public tTerminalListener {
 public:
  void Flushed(const std::string &text, uint32_t) override { flushed.push_back(text); }
  void CommandQueued() override { commands++; }
  std::vector<std::string> flushed;
  int commands = 0;
};

class tBridge : public tTerminalTest {
 protected:
  void SetUp() override {
    r.reset(new tTerminalBridge(140, settings, rt, console));
    r->OpenPort(port.path, rt.now);
    ASSERT_NE(-1, r->TtyFd());
  }
  // Types text at the user's end and lets the bridge read it up to its line feed.
  void TypeLine(const std::string &text) {
    port.Type(text);
    for (int i = 0; i < 50; i++) {
      if (!WaitReadable(r->TtyFd())) break;
      r->poll_serialIn(rt.now);
      if (r->TypedLength() == 0) break;
    }
  }
  // Moves the clock and runs the sender.
  void After(uint32_t ms) {
    rt.now += ms;
    r->poll_terminal(rt.now);
  }
  std::unique_ptr<tTerminalBridge> r;
};
}  // namespace

TEST_F(tBridge, ATypedCommandGoesOutCutAfterItsAtSign) {
  TypeLine("$RAS:@\n");
  EXPECT_TRUE(r->Suspended());
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
  EXPECT_FALSE(r->Sending());
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
  console.SetDebugLevel(4);
  TypeLine("abcdef\n");
  TypeLine("xy\n");
  EXPECT_TRUE(console.Has("tRO500::poll_serialIn: Got xy\n"));
  EXPECT_FALSE(console.Has("Got xycdef"));
  EXPECT_TRUE(console.Has("tRO500::terminal2CAN: Queuing xy\n"));
}

TEST_F(tBridge, KSemicolonInOnePieceEndsTheSuspension) {
  r->terminal2CAN("$RAS:@", rt.now);
  r->UpdTerminalFromCAN("AOK;", rt.now);
  EXPECT_FALSE(r->Suspended());

  r->terminal2CAN("$RAS:@", rt.now);
  r->UpdTerminalFromCAN("xxAO", rt.now);
  EXPECT_TRUE(r->Suspended());
  r->UpdTerminalFromCAN("K;\r\n", rt.now);
  EXPECT_FALSE(r->Suspended());
}

TEST_F(tBridge, TellsItsListenerWhatWentToThePortAndOfEachCommand) {
  tHeard heard;
  r->SetListener(&heard);
  r->UpdTerminalFromCAN("CST;,1", rt.now);
  r->poll_serialOut(rt.now);
  EXPECT_TRUE(heard.flushed.empty());
  r->UpdTerminalFromCAN("\r\nSS", rt.now);
  r->poll_serialOut(rt.now);
  r->UpdTerminalFromCAN("T;,2\n", rt.now);
  r->poll_serialOut(rt.now);
  EXPECT_EQ(std::vector<std::string>({"CST;,1\r\nSS", "T;,2\n"}), heard.flushed);
  EXPECT_EQ("CST;,1\r\nSST;,2\n", port.Read());
  // Queuing drops what was not flushed yet; the listener hears of the command only.
  r->UpdTerminalFromCAN("AST;,1", rt.now);
  r->terminal2CAN("$RAS:@", rt.now);
  EXPECT_EQ(1, heard.commands);
  r->UpdTerminalFromCAN("\n", rt.now);
  r->poll_serialOut(rt.now);
  EXPECT_EQ("\n", heard.flushed.back());
  r->SetListener(nullptr);
}

TEST_F(tBridge, OverlongTextIsBoundedAndTheBridgeGoesOn) {
  // 4094 characters without a line feed go out as they are.
  std::string longLine(4094, 'x');
  port.Type(longLine);
  for (int i = 0; i < 200 && !r->Sending(); i++) {
    if (!WaitReadable(r->TtyFd())) break;
    r->poll_serialIn(rt.now);
  }
  ASSERT_TRUE(r->Sending());
  EXPECT_EQ(4094u, r->CommandText().size());
  EXPECT_EQ(0u, r->TypedLength());
  TypeLine("ok\n");
  After(50);
  EXPECT_EQ(std::vector<std::string>({"ok\n"}), SentChars());

  // 4095 received characters without a line feed go to the port, the rest collects on.
  std::string piece(8, 'y');
  for (int i = 0; i < 512; i++) r->UpdTerminalFromCAN(piece.c_str(), rt.now);  // 4096
  std::string out;
  for (int i = 0; i < 50 && out.size() < 4095; i++) out += port.Read();
  EXPECT_EQ(std::string(4095, 'y'), out);
  EXPECT_EQ("y", r->ReceivedText());
  // Pieces longer than a TERMINAL message carries are taken whole as well.
  r->UpdTerminalFromCAN("0123456789ABCDEF\n", rt.now);
  r->poll_serialOut(rt.now);
  EXPECT_EQ("y0123456789ABCDEF\n", port.Read());
}

TEST_F(tBridge, AHungUpPortRestsAndIsServedAgainWhenItComesBack) {
  char dir[] = "/tmp/tw-hup-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(dir));
  // The record knows its port by a name, as the daemon knows /dev/tnt1.
  std::string link = std::string(dir) + "/tnt1";
  ASSERT_EQ(0, symlink(port.path.c_str(), link.c_str()));
  tTerminalBridge rec(141, settings, rt, console);
  rec.OpenPort(link, rt.now);
  ASSERT_NE(-1, rec.TtyFd());
  EXPECT_EQ(rec.TtyFd(), rec.PollFd());

  port.CloseUser();
  rec.poll_serialIn(rt.now);
  EXPECT_TRUE(rec.PortResting());
  EXPECT_EQ(-1, rec.PollFd());  // out of the loop's wait: a hung-up pty is always "ready"
  EXPECT_EQ(1000u, rec.MsUntilDue(rt.now));
  rt.now += 999;
  rec.poll_serialIn(rt.now);
  EXPECT_TRUE(rec.PortResting());
  EXPECT_EQ(1u, rec.MsUntilDue(rt.now));

  // The user's side is made anew under the same name.
  tPtyPort again;
  unlink(link.c_str());
  ASSERT_EQ(0, symlink(again.path.c_str(), link.c_str()));
  rt.now += 1;
  rec.poll_serialIn(rt.now);  // still end of file on the old one: opened again by name
  EXPECT_FALSE(rec.PortResting());
  ASSERT_NE(-1, rec.PollFd());
  again.Type("hi\n");
  ASSERT_TRUE(WaitReadable(rec.TtyFd()));
  rec.poll_serialIn(rt.now);
  rt.now += 50;
  rec.poll_terminal(rt.now);
  EXPECT_EQ(std::vector<std::string>({"hi\n"}), SentChars());
  rec.WritePort("back\n");
  EXPECT_EQ("back\n", again.Read());

  // Gone altogether: no port, tried again once a second until it is there.
  again.CloseUser();
  unlink(link.c_str());
  rec.poll_serialIn(rt.now);
  rt.now += 1000;
  rec.poll_serialIn(rt.now);
  EXPECT_EQ(-1, rec.TtyFd());
  EXPECT_EQ(1000u, rec.MsUntilDue(rt.now));
  tPtyPort third;
  ASSERT_EQ(0, symlink(third.path.c_str(), link.c_str()));
  rt.now += 500;
  rec.poll_serialIn(rt.now);
  EXPECT_EQ(-1, rec.TtyFd());
  rt.now += 500;
  rec.poll_serialIn(rt.now);
  EXPECT_NE(-1, rec.TtyFd());
  rec.WritePort("third\n");
  EXPECT_EQ("third\n", third.Read());
  unlink(link.c_str());
  rmdir(dir);
}

TEST_F(tBridge, WhatAPortDoesNotTakeIsDroppedAndCounted) {
  // Nobody reads the user's end: the pty fills, and the bridge never waits for it.
  const std::string chunk(4096, 'x');
  for (int i = 0; i < 64; i++) r->WritePort(chunk);
  const uint64_t dropped = r->PortBytesDropped();
  EXPECT_GT(dropped, 0u);
  std::string taken;
  for (std::string more = port.Read(); !more.empty(); more = port.Read(50)) taken += more;
  EXPECT_EQ(64u * 4096u, taken.size() + dropped);
}
