// The simulator's power devices and time sources on a node with a clock the test
// moves: rates, payloads, commands, the converter's SIDs and answers, the clocks'
// offsets and zones.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BusClocks.h"
#include "ClockedSimNode.h"

namespace {

double gWall = 1700000000.25;  // 2023-11-14 22:13:20.25 UTC
double FakeWall() {
  return gWall;
}

using Payload = std::vector<uint8_t>;

class SimPower : public tSimNodeTest {
 protected:
  // A node at 0x42 with the behaviour, its address settled, nothing seen yet.
  void Make(const std::string &behaviour) {
    Start("d1", behaviour);
    if (HasFatalFailure()) return;
    if (auto *clock = dynamic_cast<tBusClock *>(node_->Behaviour())) clock->SetWallClock(FakeWall);
    while (!node_->IsReady()) Run(5);
    seen_.clear();
  }
  std::vector<uint32_t> Times(uint32_t id) const {
    std::vector<uint32_t> out;
    for (const tSeen &s : Frames(id)) out.push_back(s.at);
    return out;
  }
};

}  // namespace

TEST_F(SimPower, BatteryEvery1500msWithTheValuesSet) {
  Make("n2k-battery");
  ASSERT_TRUE(Do("set instance=1 volts=13.2 amps=-4.5 kelvin=298.15 sid=3"));
  Run(3100);
  // The first went out as soon as the address was settled.
  const std::vector<uint32_t> at = Times(0x19F21442);
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(at[1] - at[0], 1500u);
  EXPECT_EQ(Payloads(0x19F21442).back(), (Payload{0x01, 0x28, 0x05, 0xD3, 0xFF, 0x77, 0x74, 0x03}));
  // Not available on request; nonsense refused.
  ASSERT_TRUE(Do("set volts=na"));
  ASSERT_TRUE(Do("send"));
  Run(5);
  EXPECT_EQ(Payloads(0x19F21442).back()[1], 0xFF);
  EXPECT_EQ(Payloads(0x19F21442).back()[2], 0x7F);
  EXPECT_FALSE(Do("set volts=abc"));
  EXPECT_FALSE(Do("set colour=red"));
}

TEST_F(SimPower, EngineEvery100msStopsAndStarts) {
  Make("engine");
  ASSERT_TRUE(Do("set rpm=1800 instance=0"));
  Run(1000);
  // Priority 2: 0x09F20042; 1800 rpm is 7200 quarter turns (20 1C).
  const std::vector<uint32_t> at = Times(0x09F20042);
  ASSERT_GE(at.size(), 9u);
  for (size_t i = 1; i < at.size(); i++) EXPECT_EQ(at[i] - at[i - 1], 100u);
  EXPECT_EQ(Payloads(0x09F20042).back(), (Payload{0x00, 0x20, 0x1C, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}));
  ASSERT_TRUE(Do("stop"));
  seen_.clear();
  Run(500);
  EXPECT_TRUE(Times(0x09F20042).empty());
  ASSERT_TRUE(Do("period 250"));
  ASSERT_TRUE(Do("start"));
  Run(600);
  EXPECT_EQ(Times(0x09F20042).size(), 3u);
}

TEST_F(SimPower, ConverterSidsAndAnswers) {
  Make("converter");
  ASSERT_TRUE(Do("sids 9,10,10,11,12,12"));
  Run(6000);
  std::vector<int> sids;
  for (const Payload &p : Payloads(0x19F30642)) sids.push_back(p[0]);
  ASSERT_GE(sids.size(), 6u);
  // The first message went out before the script: it counted from 0.
  EXPECT_EQ(std::vector<int>(sids.end() - 6, sids.end()),
            (std::vector<int>{9, 10, 10, 11, 12, 12}));
  seen_.clear();
  Run(1000);
  EXPECT_EQ(Payloads(0x19F30642).back()[0], 13);

  // A request from 0x23 for its battery configuration (127513 = 19 F2 01): 8 bytes as a
  // fast packet, AGM, equalization yes, 12 V, lead acid, 200 Ah, 5 %/C, 1.25, 95 %.
  ASSERT_TRUE(Do("set capacity=720000 peukert=1.25"));
  seen_.clear();
  tCanFrame request = MakeFrame(0x18EA4223, {0x19, 0xF2, 0x01});
  probe_.Send(request);
  Run(20);
  std::vector<Payload> answer = Payloads(0x19F21942);
  ASSERT_EQ(answer.size(), 2u);
  EXPECT_EQ(Payload(answer[0].begin() + 1, answer[0].end()),
            (Payload{0x08, 0x01, 0xD2, 0x01, 0xC8, 0x00, 0x05}));
  EXPECT_EQ(answer[1][1], 0x7D);
  EXPECT_EQ(answer[1][2], 0x5F);
  // Charger configuration (16 F2 01), asked of everybody.
  probe_.Send(MakeFrame(0x18EAFF23, {0x16, 0xF2, 0x01}));
  Run(20);
  ASSERT_EQ(Payloads(0x19F21642).size(), 2u);
  // Other requests go to the library alone; a request to someone else is not ours.
  probe_.Send(MakeFrame(0x18EA4323, {0x19, 0xF2, 0x01}));
  Run(20);
  EXPECT_EQ(Payloads(0x19F21942).size(), 2u);
}

TEST_F(SimPower, N2kClockIsRealTimePlusOffset) {
  Make("n2k-clock");
  ASSERT_TRUE(Do("offset 16"));
  ASSERT_TRUE(Do("send"));
  Run(5);
  // 1700000016.25: day 19675 (DB 4C), 80016.25 s = raw 800162500 (C4 82 B1 2F). Priority 3.
  EXPECT_EQ(Payloads(0x0DF01042).back(), (Payload{0xFF, 0xF0, 0xDB, 0x4C, 0xC4, 0x82, 0xB1, 0x2F}));
  ASSERT_TRUE(Do("offset -15"));
  ASSERT_TRUE(Do("send"));
  Run(5);
  // 1699999985.25: 80016.25 - 31 s = 79985.25 s = raw 799852500 (D4 C7 AC 2F).
  EXPECT_EQ(Payloads(0x0DF01042).back(), (Payload{0xFF, 0xF0, 0xDB, 0x4C, 0xD4, 0xC7, 0xAC, 0x2F}));
  // Fixed fields: not available date.
  ASSERT_TRUE(Do("set date=na time=43200"));
  ASSERT_TRUE(Do("send"));
  Run(5);
  // 43200 s = raw 432000000 (00 CC BF 19).
  EXPECT_EQ(Payloads(0x0DF01042).back(), (Payload{0xFF, 0xF0, 0xFF, 0xFF, 0x00, 0xCC, 0xBF, 0x19}));
}

TEST_F(SimPower, RvcClockSendsLocalTimeAndZone) {
  Make("rvc-clock");
  // Zone 22 (two hours ahead of UTC): 2023-11-15 00:13:20, a Wednesday (4).
  ASSERT_TRUE(Do("set zone=22"));
  ASSERT_TRUE(Do("send"));
  Run(5);
  EXPECT_EQ(Payloads(0x19FFFF42).back(), (Payload{23, 11, 15, 4, 0, 13, 20, 22}));
  ASSERT_TRUE(Do("set year=24 month=1 day=1 hour=23 minute=0 second=0 zone=2 dgn=1FFFEh"));
  ASSERT_TRUE(Do("send"));
  Run(5);
  // SET_DATE_TIME_COMMAND goes at priority 5.
  EXPECT_EQ(Payloads(0x15FFFE42).back(), (Payload{24, 1, 1, 2, 23, 0, 0, 2}));
  EXPECT_FALSE(Do("set dgn=1FFFDh"));
}
