// The DC source status handlers, reached through HandleN2kMsg: their log lines,
// conversions with the not-available patterns and signed offsets, and the order of
// their calls (the RO500 registry first, then the battery registry). The sender at 140
// is a RO500 the device list knows.
#include <gtest/gtest.h>

#include <cmath>

#include "ChargerAt140.h"
#include "KnownDevices.h"
#include "RVCMessages.h"

namespace {
// The RO500 at 140 is also in the device list, so its messages register a battery.
class tDCSourceHandlers : public tChargerAt140 {
 protected:
  void SetUp() override {
    tChargerAt140::SetUp();
    bus.Add(140, 204, 963, 200, "RO500", "");
    bus.Settle();
    console.text.clear();
  }
  tBattery &Battery() {
    tBattery *b = batteries.Find(140, 1);
    EXPECT_NE(nullptr, b);
    static tTestConsole quiet;
    static tBattery none(-1, quiet, 0);
    return b != nullptr ? *b : none;
  }
};
}  // namespace

TEST_F(tDCSourceHandlers, Status1ReachesTheRO500FirstThenTheBattery) {
  console.SetDebugLevel(8);
  tN2kMsg m;
  SetRVCPGN1FFFD(m, 1, 120, 265, 1999995500u);  // 13.25 V, -4.5 A
  Deliver(m);
  const size_t logged = At("RVCDCStatus1(140): instance=1, devPri=120, Vdc=265, Adc=1999995500\n");
  const size_t ro500Got = At("tDevices::UpdateDCSS1(140) BatVolts=13.250000, BatAmps=-4.500000\n");
  const size_t found = At("tBatteries::Add: Found new Battery at CANAddr=140/1/120/963/204\n");
  const size_t batteryGot = At("UpdateDCSS1(140): 13.250000 -4.500000\n");
  ASSERT_NE(std::string::npos, logged);
  ASSERT_NE(std::string::npos, batteryGot);
  EXPECT_LT(logged, ro500Got);
  EXPECT_LT(ro500Got, found);
  EXPECT_LT(found, batteryGot);
  EXPECT_FLOAT_EQ(13.25f, ro500->Model().Ast().Field(2));
  EXPECT_FLOAT_EQ(-4.5f, ro500->Model().Ast().Field(4));
  EXPECT_FLOAT_EQ(13.25f, Battery().Vdc);
  EXPECT_FLOAT_EQ(-4.5f, Battery().Adc);

  // Below level 4 nothing is logged; values still go through.
  console.SetDebugLevel(3);
  console.text.clear();
  SetRVCPGN1FFFD(m, 1, 120, 260, 2000001500u);
  Deliver(m);
  EXPECT_EQ("", console.text);
  EXPECT_FLOAT_EQ(1.5f, Battery().Adc);
  EXPECT_FLOAT_EQ(13.0f, ro500->Model().Ast().Field(2));
}

TEST_F(tDCSourceHandlers, Status1CurrentOverItsWholeRawRange) {
  console.SetDebugLevel(4);
  tN2kMsg m;
  SetRVCPGN1FFFD(m, 1, 120, 265, 2000000000u);
  Deliver(m);
  EXPECT_FLOAT_EQ(0.0f, Battery().Adc);
  // Not available: both registries keep what they had; the line shows the raw values.
  console.text.clear();
  SetRVCPGN1FFFD(m, 1, 120, 0xFFFF, 0xFFFFFFFFu);
  Deliver(m);
  EXPECT_TRUE(console.Has("RVCDCStatus1(140): instance=1, devPri=120, Vdc=65535, Adc=-1\n"));
  EXPECT_FLOAT_EQ(13.25f, Battery().Vdc);
  EXPECT_FLOAT_EQ(0.0f, Battery().Adc);
  EXPECT_FLOAT_EQ(13.25f, ro500->Model().Ast().Field(2));
  // Raw values from 0x80000000 up are large positive currents, not negative ones.
  SetRVCPGN1FFFD(m, 1, 120, 265, 0xFFFFFFFEu);
  Deliver(m);
  EXPECT_FLOAT_EQ(2294967.294f, Battery().Adc);
  EXPECT_FLOAT_EQ(2294967.294f, ro500->Model().Ast().Field(4));
  char line[tBattery::kLineSize];
  Battery().FormatLine(line, sizeof(line));
  EXPECT_EQ(0, strncmp(line, "DCS;,1,120, ,13,2.3e+06, ,", 26)) << line;
}

TEST_F(tDCSourceHandlers, Statuses2And5ConvertForBothRegistries) {
  console.SetDebugLevel(8);
  tN2kMsg m;
  SetRVCPGN1FFFC(m, 1, 120, 293 * 32, 175, 600);  // 20 C, 87.5 %, 600 min
  Deliver(m);
  EXPECT_TRUE(
      console.Has("RVCDCStatus2(140): Instance=1, DevPri=120, Temp=9376, SOC=175, TR=600\n"));
  EXPECT_FLOAT_EQ(20.0f, Battery().Temp);
  EXPECT_EQ(175, Battery().SOC);
  EXPECT_EQ(600, Battery().TR);
  EXPECT_FLOAT_EQ(20.0f, ro500->Model().Ast().Field(10));
  SetRVCPGN1FFFC(m, 1, 120, 0xFFFF, 255, 0xFFFF);
  Deliver(m);
  EXPECT_FLOAT_EQ(20.0f, Battery().Temp);
  EXPECT_EQ(255, Battery().SOC);
  EXPECT_FLOAT_EQ(20.0f, ro500->Model().Ast().Field(10));

  console.text.clear();
  SetRVCPGN1FEC8(m, 1, 120, 13250, 32000 + 500);
  Deliver(m);
  EXPECT_TRUE(
      console.Has("RVCDCStatus5(140): Instance=1, DevPri=120, Vdc(V)=13.25, dVdT=0.5(V)\n"));
  EXPECT_LT(At("RVCDCStatus5(140)"), At("UpdateDCSS5(140): 13.250000 0.500000\n"));
  EXPECT_FLOAT_EQ(13.25f, Battery().Vdc5);
  EXPECT_FLOAT_EQ(0.5f, Battery().dVdT);
  EXPECT_FLOAT_EQ(13.25f, ro500->Model().Ast().Field(2));
  // The deprecated rate is normally not available: the line still shows it scaled.
  console.text.clear();
  SetRVCPGN1FEC8(m, 1, 120, 0xFFFFFFFFu, 0xFFFF);
  Deliver(m);
  EXPECT_TRUE(console.Has("Vdc(V)=4.29497e+06, dVdT=33.535(V)\n"));
  EXPECT_FLOAT_EQ(13.25f, Battery().Vdc5);
  EXPECT_FLOAT_EQ(0.5f, Battery().dVdT);
}

TEST_F(tDCSourceHandlers, Status4LogsScaledValuesWithoutItsSource) {
  console.SetDebugLevel(8);
  tN2kMsg m;
  SetRVCPGN1FEC9(m, 1, 120, RVCBCM_Bulk, 288, 35000, RVCBT_LiFePO4);  // 14.4 V, 150 A
  Deliver(m);
  EXPECT_TRUE(
      console.Has("RVCDCStatus4: Instance=1, DevPri=120, DesCM=2, DesVolt(V)=14.4, DesAmp(A)=150, "
                  "BatType=3\n"));
  EXPECT_EQ(2, Battery().DesCM);
  EXPECT_FLOAT_EQ(14.4f, Battery().DesVolt);
  EXPECT_FLOAT_EQ(150.0f, Battery().DesAmp);
  EXPECT_EQ(3, Battery().BatType);
  EXPECT_FLOAT_EQ(14.4f, ro500->Model().Ast().Field(6));
  EXPECT_FLOAT_EQ(150.0f, ro500->Model().Ast().Field(7));
  EXPECT_FLOAT_EQ(12.0f, ro500->Model().Ast().Field(9));  // bulk
  // Not available: the battery stores NaN, the RO500 keeps its value.
  console.text.clear();
  SetRVCPGN1FEC9(m, 1, 120, RVCBCM_Float, 0xFFFF, 31900, RVCBT_AGM);
  Deliver(m);
  EXPECT_TRUE(console.Has("DesVolt(V)=3276.75, DesAmp(A)=-5, BatType=2\n"));
  EXPECT_TRUE(std::isnan(Battery().DesVolt));
  EXPECT_FLOAT_EQ(-5.0f, Battery().DesAmp);
  EXPECT_FLOAT_EQ(14.4f, ro500->Model().Ast().Field(6));
}

TEST_F(tDCSourceHandlers, Statuses3_6And11LogAndReachTheBatteries) {
  console.SetDebugLevel(8);
  tN2kMsg m;
  SetRVCPGN1FFFB(m, 1, 120, 190, 150, 166, 120);
  Deliver(m);
  EXPECT_TRUE(
      console.Has("RVCDCStatus3: Instance=1, DevPri=120, SOH=190, CapRemPer=150, CapRemPer=166, "
                  "Ripple=120\n"));
  EXPECT_EQ(190, Battery().SOH);
  EXPECT_EQ(150, Battery().CapRem);
  EXPECT_EQ(166, Battery().RelCap);
  EXPECT_FLOAT_EQ(0.12f, Battery().Ripple);
  SetRVCPGN1FFFB(m, 1, 120, 190, 150, 166, 0xFFFF);
  Deliver(m);
  EXPECT_FLOAT_EQ(0.12f, Battery().Ripple);

  SetRVCPGN1FEC7(m, 1, 120, true, false, true, false);
  Deliver(m);
  EXPECT_TRUE(
      console.Has("RVCDCStatus6(140), Instance=1, DevPri=120, HVls=1, HVld=0, LVls=1, LVld=0\n"));
  EXPECT_EQ(1, Battery().HVls);
  EXPECT_EQ(1, Battery().LVls);
  EXPECT_EQ(0, Battery().LVld);

  SetRVCPGN1FEA5(m, 1, 120, true, false, true, false, 200, 60);
  Deliver(m);
  EXPECT_TRUE(
      console.Has("RVCDCStatus11(140), Instance=1, DevPri=120, PwrOnOff=1, ChrgOnOff=0, ChrgDet=1, "
                  "ResvStat=0, BatAHCap=200, DCPower=60\n"));
  EXPECT_EQ(1, Battery().ChrgDet);
  EXPECT_EQ(200, Battery().BatAHCap);
  EXPECT_EQ(60, Battery().DCPower);

  // Below level 8 none of them is logged.
  console.SetDebugLevel(7);
  console.text.clear();
  Deliver(m);
  SetRVCPGN1FFFB(m, 1, 120, 190, 150, 166, 120);
  Deliver(m);
  EXPECT_EQ("", console.text);
}

TEST_F(tDCSourceHandlers, MessagesThatDoNotDecodeDoNothing) {
  console.SetDebugLevel(9);
  tN2kMsg m;
  SetRVCPGN1FFFD(m, 1, 120, 265, 2000000000u);
  m.DataLen = 7;
  Deliver(m);
  SetRVCPGN1FEA5(m, 1, 120, true, false, true, false, 200, 60);
  m.DataLen = 6;
  Deliver(m);
  EXPECT_EQ("", console.text);
  EXPECT_EQ(0u, batteries.Count());
}
