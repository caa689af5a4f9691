// The battery monitor model on a simulated node with a clock the test moves: its
// identity, when each DC source status goes out, the wire bytes, a discharging bank,
// values not available on command, two instances, and its commands.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BatteryBank.h"
#include "ClockedSimNode.h"

namespace {

// Frame identifiers of the statuses from 0x42 at priority 6.
constexpr uint32_t kStatus1 = 0x19FFFD42, kStatus2 = 0x19FFFC42, kStatus3 = 0x19FFFB42,
                   kStatus4 = 0x19FEC942, kStatus5 = 0x19FEC842, kStatus6 = 0x19FEC742,
                   kStatus11 = 0x19FEA542;

class SimBattery : public tSimNodeTest {
 protected:
  void SetUp() override {
    Start("bat", "battery");
    if (HasFatalFailure()) return;
    // The pass in which the address settles.
    for (int i = 0; i < 100 && !node_->IsReady(); i++) {
      readyAt_ = clock_.now;
      node_->ParseMessages();
      clock_.now += 5;
    }
    ASSERT_TRUE(node_->IsReady());
    probe_.Drain();
  }
  std::vector<uint8_t> Last(uint32_t id) const {
    std::vector<tSeen> f = Frames(id);
    if (f.empty()) return {};
    return std::vector<uint8_t>(f.back().frame.data, f.back().frame.data + f.back().frame.len);
  }

  uint32_t readyAt_ = 0;
};

}  // namespace

TEST(SimBatteryKeys, ABatteryMonitorsIdentityUnlessTheLineSaysOtherwise) {
  tSimNodeConfig c;
  std::string error;
  ASSERT_TRUE(ParseNodeConfig("b1", {"behaviour=battery"}, c, error)) << error;
  EXPECT_EQ(170, c.function);
  EXPECT_EQ(35, c.deviceClass);
  EXPECT_EQ(310, c.productCode);
  EXPECT_EQ("LFP200", c.model);
  EXPECT_EQ("B", c.modelVersion);
  EXPECT_EQ((std::vector<unsigned long>{0x1FFFD, 0x1FFFC, 0x1FFFB, 0x1FEC9, 0x1FEC8, 0x1FEC7,
                                        0x1FEA5, 0}),
            c.tx);
  ASSERT_TRUE(ParseNodeConfig("b2", {"model=X1", "product=0", "behaviour=battery"}, c, error));
  EXPECT_EQ("X1", c.model);
  EXPECT_EQ(0, c.productCode);
}

TEST_F(SimBattery, StartsTwoSecondsInThenEachStatusAtItsOwnPeriod) {
  Run(readyAt_ + 1995 - clock_.now);
  EXPECT_TRUE(seen_.empty());
  Run(11000);
  const std::vector<tSeen> s1 = Frames(kStatus1), s4 = Frames(kStatus4), s11 = Frames(kStatus11);
  ASSERT_GE(s1.size(), 20u);
  EXPECT_EQ(2000u, s1[0].at - readyAt_);
  for (size_t i = 1; i < s1.size(); i++) EXPECT_EQ(500u, s1[i].at - s1[i - 1].at);
  for (uint32_t id : {kStatus2, kStatus3, kStatus5}) EXPECT_GE(Frames(id).size(), 20u) << id;
  ASSERT_GE(s11.size(), 10u);
  EXPECT_EQ(1000u, s11[1].at - s11[0].at);
  ASSERT_EQ(3u, s4.size());
  EXPECT_EQ(5000u, s4[1].at - s4[0].at);
  EXPECT_EQ(3u, Frames(kStatus6).size());
  // Spread out: no two statuses in the same millisecond at the start.
  EXPECT_EQ(50u, Frames(kStatus2)[0].at - s1[0].at);
  EXPECT_EQ(300u, s11[0].at - s1[0].at);
}

TEST_F(SimBattery, WireBytesOfAHouseBank) {
  Run(2500);
  // Instance 1, priority 120; 13.111 V -> 262 (0.05 V); 4.5 A out -> 2000004500.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0x06, 0x01, 0x94, 0xA5, 0x35, 0x77}), Last(kStatus1));
  // 25 C -> 9536; 80 % -> 160; 200 Ah x 0.8 x 0.95 / 4.5 A = 2027 min; to empty.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0x40, 0x25, 0xA0, 0xEB, 0x07, 0xFC}), Last(kStatus2));
  // SOH 95 % -> 190; 152 Ah; relative capacity 76 % -> 152; ripple 20 mV.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0xBE, 0x98, 0x00, 0x98, 0x14, 0x00}), Last(kStatus3));
  // Bulk; 14.2 V -> 284; 20 A -> 32400; LiFePO4.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0x02, 0x1C, 0x01, 0x90, 0x7E, 0xF3}), Last(kStatus4));
  // 13.111 V in mV; the deprecated rate not available.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0x37, 0x33, 0x00, 0x00, 0xFF, 0xFF}), Last(kStatus5));
  // No limit reached.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), Last(kStatus6));
  // Discharge and charge buses on, no charge, above reserve; 200 Ah; 59 W.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0x05, 0xC8, 0x00, 0x3B, 0x00, 0xFF}),
            Last(kStatus11));
}

TEST_F(SimBattery, TheBankDischargesUnlessHeld) {
  ASSERT_TRUE(Do("set amps=100"));  // 50 % of 200 Ah an hour
  Run(10 * 60000, 50);
  EXPECT_EQ(143, Last(kStatus2)[4]);  // 80 % - 8.33 % = 71.67 % -> 143
  ASSERT_TRUE(Do("hold on"));
  Run(60000, 50);
  EXPECT_EQ(143, Last(kStatus2)[4]);
  ASSERT_TRUE(Do("hold off"));
  Run(60000, 50);
  EXPECT_EQ(142, Last(kStatus2)[4]);  // 0.83 % less: 70.83 %
  // Charging: the current goes negative, the time left is not available.
  ASSERT_TRUE(Do("set amps=-12.5 volts=13.25"));
  Run(1000);
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0x09, 0x01, 0x2C, 0x63, 0x35, 0x77}), Last(kStatus1));
  EXPECT_EQ(0xFF, Last(kStatus2)[5]);
  EXPECT_EQ(0xFF, Last(kStatus2)[6]);
}

TEST_F(SimBattery, FieldsNotAvailableOnCommand) {
  ASSERT_TRUE(Do("na volts amps temp desvolts"));
  Run(7500);
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), Last(kStatus1));
  EXPECT_EQ(0xFF, Last(kStatus2)[2]);
  EXPECT_EQ(0xFF, Last(kStatus2)[3]);
  EXPECT_EQ(0xA0, Last(kStatus2)[4]);  // the state of charge is still there
  EXPECT_EQ(0xFF, Last(kStatus4)[3]);
  EXPECT_EQ(0xFF, Last(kStatus4)[4]);
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x78, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), Last(kStatus5));
  ASSERT_TRUE(Do("na none"));
  ASSERT_TRUE(Do("set dvdt=-0.5"));  // sent once given: 32000 - 500
  Run(600);
  EXPECT_EQ(0x06, Last(kStatus1)[2]);
  const std::vector<uint8_t> s5 = Last(kStatus5);
  ASSERT_EQ(8u, s5.size());
  EXPECT_EQ(0x0C, s5[6]);
  EXPECT_EQ(0x7B, s5[7]);
}

TEST_F(SimBattery, TwoInstancesFromOneNode) {
  ASSERT_TRUE(Do("instances 1,2"));
  ASSERT_TRUE(Do("set instance=2 volts=12.7"));
  ASSERT_TRUE(Do("priority 100"));
  Run(3000);
  std::vector<tSeen> s1 = Frames(kStatus1);
  ASSERT_GE(s1.size(), 4u);
  EXPECT_EQ(s1[0].at, s1[1].at);
  // The house bank, then the start battery: 12.7 V -> 254, 0.5 A out.
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x64, 0x06, 0x01, 0x94, 0xA5, 0x35, 0x77}),
            std::vector<uint8_t>(s1[2].frame.data, s1[2].frame.data + 8));
  EXPECT_EQ((std::vector<uint8_t>{0x02, 0x64, 0xFE, 0x00, 0xF4, 0x95, 0x35, 0x77}),
            std::vector<uint8_t>(s1[3].frame.data, s1[3].frame.data + 8));
  // A bank named again keeps its values; one left out is no longer reported.
  ASSERT_TRUE(Do("instances 2"));
  seen_.clear();
  Run(1000);
  for (const tSeen &s : Frames(kStatus1)) EXPECT_EQ(0x02, s.frame.data[0]);
  EXPECT_EQ(0xFE, Last(kStatus1)[2]);
}

TEST_F(SimBattery, CommandsRefuseWhatTheyCannotDo) {
  for (const char *bad :
       {"instances 1,1", "instances 1,2,3,4,5", "instances 251", "instances", "period 7 1000",
        "period all 10", "period 1 60001", "set soc=101", "set instance=9 soc=1", "set bogus=1",
        "set type=2.5", "na bogus", "na", "priority 256", "hold maybe", "discharge"})
    EXPECT_FALSE(Do(bad)) << bad;
  ASSERT_TRUE(Do("period all 1000"));
  Run(5000);
  std::vector<tSeen> s1 = Frames(kStatus1), s4 = Frames(kStatus4);
  ASSERT_GE(s1.size(), 3u);
  EXPECT_EQ(1000u, s1[2].at - s1[1].at);
  ASSERT_GE(s4.size(), 2u);
  EXPECT_EQ(1000u, s4[1].at - s4[0].at);
}
