// The RAW broadcast through a fake link: nothing without -p, each line to every broadcast
// entry in order, the interface list kept for two seconds, failures dropping only
// the message at hand, and the log lines.
#include <gtest/gtest.h>

#include "FakeRawLink.h"
#include "FakeRuntime.h"
#include "N2kMessages.h"
#include "RawBroadcast.h"

namespace {

class RawBroadcast : public ::testing::Test {
 protected:
  void SetUp() override { settings.udpPort = 10110; }
  static tN2kMsg Battery() {
    tN2kMsg m;
    SetN2kPGN127508(m, 0, 26.11, -1.9, 289.30, 0xFF);  // 00 33 0a ed ff 02 71 ff
    return m;
  }

  tFakeRuntime rt;
  tRunSettings settings;
  tTestConsole console;
  tFakeRawLink link;
  tRawBroadcast raw{link, link.node, settings, rt, console};
};

}  // namespace

TEST_F(RawBroadcast, OffWithoutPort) {
  settings.udpPort = -1;
  console.SetDebugLevel(9);
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(link.opens, 0);
  EXPECT_EQ(link.reads, 0);
  EXPECT_TRUE(link.sent.empty());
  EXPECT_EQ(console.text, "");
}

TEST_F(RawBroadcast, EachLineToEveryBroadcastEntry) {
  link.interfaces = {"10.77.0.255", "10.78.0.255", "0.0.0.0"};
  tN2kMsg m(15, 6, 0, 0);
  m.PGN = 127513;
  m.DataLen = 10;
  for (int i = 0; i < 10; i++) m.Data[i] = static_cast<uint8_t>(i);
  raw.ForwardMsg(m, rt.now);
  ASSERT_EQ(link.sent.size(), 6u);
  const char *first = "19f21923 00 0a 00 01 02 03 04 05\r\n";
  const char *second = "19f21923 01 06 07 08 09\r\n";
  const char *order[6][2] = {{first, "10.77.0.255"},  {first, "10.78.0.255"},  {first, "0.0.0.0"},
                             {second, "10.77.0.255"}, {second, "10.78.0.255"}, {second, "0.0.0.0"}};
  for (int i = 0; i < 6; i++) {
    EXPECT_EQ(link.sent[i].line, order[i][0]) << i;
    EXPECT_EQ(link.sent[i].address, order[i][1]) << i;
    EXPECT_EQ(link.sent[i].port, 10110) << i;
  }
}

// -P alone, and beside -p: each form on its own port, the received one stamped with the
// wall clock's time of day; the interface list read once for both.
TEST_F(RawBroadcast, TheReceivedFormOnItsOwnPort) {
  link.interfaces = {"10.77.0.255"};
  rt.wallMs = 1700000000123;  // 22:13:20.123 UTC
  settings.udpPort = -1;
  settings.udpTimedPort = 2002;
  raw.ForwardMsg(Battery(), rt.now);
  ASSERT_EQ(link.sent.size(), 1u);
  EXPECT_EQ(link.sent[0].line, "22:13:20.123 R 19F21423 00 33 0A ED FF 02 71 FF\r\n");
  EXPECT_EQ(link.sent[0].port, 2002);

  link.sent.clear();
  settings.udpPort = 10110;
  raw.ForwardMsg(Battery(), rt.now);
  ASSERT_EQ(link.sent.size(), 2u);
  EXPECT_EQ(link.sent[0].line, "19f21423 00 33 0a ed ff 02 71 ff\r\n");
  EXPECT_EQ(link.sent[0].port, 10110);
  EXPECT_EQ(link.sent[1].port, 2002);
  EXPECT_EQ(link.reads, 1);
}

TEST_F(RawBroadcast, InterfaceListFollowedWithinTwoSeconds) {
  raw.ForwardMsg(Battery(), rt.now);
  rt.now += 1999;
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(link.reads, 1);
  EXPECT_EQ(link.sent.size(), 4u);

  // An interface that came up is used once the list has been read again.
  link.interfaces.push_back("192.168.1.255");
  rt.now += 1;
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(link.reads, 2);
  ASSERT_EQ(link.sent.size(), 7u);
  EXPECT_EQ(link.sent[6].address, "192.168.1.255");
}

TEST_F(RawBroadcast, FailuresDropOnlyThatMessage) {
  link.openWorks = false;
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(link.reads, 0);
  link.openWorks = true;
  link.listWorks = false;
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_TRUE(link.sent.empty());
  // Both are tried again with the next message.
  link.listWorks = true;
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(link.opens, 3);
  EXPECT_EQ(link.reads, 2);
  EXPECT_EQ(link.sent.size(), 2u);
  // A full socket buffer: each datagram the link could not send is counted.
  EXPECT_EQ(0u, raw.Dropped());
  link.sendFails = true;
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(2u, raw.Dropped());  // one line, two broadcast entries
}

TEST_F(RawBroadcast, LinesLoggedFromLevelFour) {
  console.SetDebugLevel(3);
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(console.text, "");
  console.SetDebugLevel(4);
  raw.ForwardMsg(Battery(), rt.now);
  EXPECT_EQ(console.text, "PackNSendRAW1(127508): 19f21423 00 33 0a ed ff 02 71 ff\r\n");
  console.text.clear();
  tN2kMsg charger;
  SetN2kPGN127507(charger, 49, 0, N2kCS_Disabled, N2kCM_Standalone, N2kOnOff_Off,
                  N2kOnOff_Unavailable, N2kDoubleNA);
  raw.ForwardMsg(charger, rt.now);
  EXPECT_EQ(console.text,
            "PackNSendRAW2(127507):0 19f21323 00 06 31 00 08 fc ff ff\r\n"
            "PackNSendRAW2(127507):1 19f21323 01\r\n");
}
