#include <gtest/gtest.h>

#include <cstring>

#include "ChargerAt140.h"
#include "RVCMessages.h"

namespace {
class tHandlers : public tChargerAt140 {};
}  // namespace

TEST_F(tHandlers, UnknownPgnsAndUndecodableMessagesDoNothing) {
  console.SetDebugLevel(9);
  tN2kMsg zero;
  zero.PGN = 0;
  Deliver(zero);
  tN2kMsg other;
  other.PGN = 130306;  // wind data: not in the table
  other.DataLen = 8;
  Deliver(other);
  tN2kMsg shortStatus;
  SetRVCPGN1FFC7(shortStatus, 1, 264, 32100, 80, RVCBCM_Bulk, true, true, RVCCFC_NotForced);
  shortStatus.DataLen = 7;
  Deliver(shortStatus);
  EXPECT_EQ("", console.text);
  EXPECT_FLOAT_EQ(0.0f, ro500->Model().Ast().Field(3));
}

TEST_F(tHandlers, ChargerStatusScalesAndLogsAtLevelFour) {
  console.SetDebugLevel(4);
  tN2kMsg m;
  SetRVCPGN1FFC7(m, 1, 264, 32100, 80, RVCBCM_Absorption, true, false, RVCCFC_NotForced);
  Deliver(m);
  EXPECT_FLOAT_EQ(13.2f, ro500->Model().Ast().Field(13));
  EXPECT_FLOAT_EQ(5.0f, ro500->Model().Ast().Field(3));
  EXPECT_FLOAT_EQ(21.0f, ro500->Model().Ast().Field(9));
  EXPECT_FLOAT_EQ(80.0f, ro500->Model().Ast().Field(16));
  EXPECT_TRUE(
      console.Has("RVCChrgStat(140): Type=0, Instance=1, CVdc=264, CAdc=32100, PerMax=80, State=3, "
                  "EnableAtPO=1, AutoRechg=0, ForcedChrg=0\n"));
  console.SetDebugLevel(3);
  console.text.clear();
  SetRVCPGN1FFC7(m, 1, 0xFFFF, 31900, 80, RVCBCM_Absorption, true, false, RVCCFC_NotForced);
  Deliver(m);
  EXPECT_EQ("", console.text);
  EXPECT_FLOAT_EQ(13.2f, ro500->Model().Ast().Field(13));  // not available: kept
  EXPECT_FLOAT_EQ(-5.0f, ro500->Model().Ast().Field(3));
}

TEST_F(tHandlers, ChargerStatus2IsTheHeartbeatEvenAtLevelZero) {
  tN2kMsg m;
  rt.now += 1400;
  SetRVCPGN1FEA3(m, 1, 255, 100, 284, 32600, 75);
  Deliver(m);
  rt.now += 1400;
  devices.poll(rt.now);
  EXPECT_EQ(ro500, devices.Find(140));
  EXPECT_FLOAT_EQ(14.2f, ro500->Model().Ast().Field(13));
  EXPECT_FLOAT_EQ(30.0f, ro500->Model().Ast().Field(3));
  EXPECT_FLOAT_EQ(35.0f, ro500->Model().Ast().Field(11));  // byte 75: 35 C
  EXPECT_EQ("", console.text);

  console.SetDebugLevel(8);
  SetRVCPGN1FEA3(m, 1, 255, 100, 284, 32600, 255);
  Deliver(m);
  EXPECT_FLOAT_EQ(35.0f, ro500->Model().Ast().Field(11));
  EXPECT_TRUE(console.Has(
      "RVCChargerStatus2(140): ChrgType=0, ChrgInst=1, DCInst=255, DevPri=100, Vdc=284, "
      "Adc=32600, Temp=255\n"));
  // Another sender: logged, and nothing else.
  Deliver(m, 141);
  EXPECT_EQ(nullptr, devices.Find(141));
}

TEST_F(tHandlers, ConfigurationChangesAskForStatusAndTheRestIsOnlyLogged) {
  tN2kMsg m;
  SetRVCPGN1FFC6(m, 1, RVCCA_3Stage, RVCCM_Standalone, true, RVCCL_Line1, RVCBT_AGM, 200, 32800);
  rt.now += 50;
  devices.poll(rt.now);  // the registration's "$RAS:@" goes out
  ASSERT_FALSE(ro500->Bridge().Sending());
  console.SetDebugLevel(8);
  Deliver(m);
  EXPECT_FALSE(ro500->Bridge().Sending());
  EXPECT_EQ(
      "RVCChargerConfigStat(140): Type=0, Instance=1, ChrgAlg=2, ChrgMode=0, BatSense=1, "
      "Line=0, Linked=0, BatType=2, BatSize=200, MaxAmps=40\n",
      console.text);
  console.SetDebugLevel(0);
  SetRVCPGN1FFC6(m, 1, RVCCA_3Stage, RVCCM_Standalone, true, RVCCL_Line1, RVCBT_Gel, 200, 32800);
  Deliver(m);
  ASSERT_TRUE(ro500->Bridge().Sending());
  EXPECT_EQ("$RAS:@", ro500->Bridge().CommandText());
  console.text.clear();

  // The other configuration and equalization messages are only logged, from level 8.
  tN2kMsg c3;
  SetRVCPGN1FECC(c3, 1, 288, 284, 270, 20);
  console.SetDebugLevel(7);
  Deliver(c3);
  EXPECT_EQ("", console.text);
  console.SetDebugLevel(8);
  Deliver(c3);
  EXPECT_EQ(
      "RVCChargerConfigStat3(140): Type=0, Instance=1, BulkV=288, AbsorbV=284, FloatV=270, "
      "TempComp=20\n",
      console.text);
}

TEST_F(tHandlers, TerminalTextReachesTheSendersBridge) {
  tN2kMsg m;
  SetRVCPGN17E00(m, 177, 3, "xAO");
  Deliver(m);
  EXPECT_EQ("xAO", ro500->Bridge().ReceivedText());
  EXPECT_TRUE(ro500->Bridge().Suspended());
  SetRVCPGN17E00(m, 177, 8, "K;\r\nAST;");  // a full message: 8 characters
  Deliver(m);
  EXPECT_EQ("xAOK;\r\nAST;", ro500->Bridge().ReceivedText());
  EXPECT_FALSE(ro500->Bridge().Suspended());

  // From anyone else: logged at level 6, not routed.
  console.SetDebugLevel(6);
  SetRVCPGN17E00(m, 177, 2, "hi");
  Deliver(m, 141);
  EXPECT_EQ("RVCTerminal(141): Source=177, Count=2, Characters=hi\n", console.text);
  EXPECT_EQ("xAOK;\r\nAST;", ro500->Bridge().ReceivedText());
  console.SetDebugLevel(5);
  Deliver(m, 141);
  EXPECT_EQ("RVCTerminal(141): Source=177, Count=2, Characters=hi\n", console.text);
}

TEST_F(tHandlers, DiagnosticsLogTheWholeSpnAndReportFifteenBits) {
  console.SetDebugLevel(8);
  tN2kMsg m;
  SetISOPGN1FECA(m, true, true, false, true, 74, 32768 + 100, ISOFMI_Erratic, 1, 255, 15);
  Deliver(m);
  EXPECT_TRUE(
      console.Has("ISODiagnostics(140): On=1, Active=1, Red=0, Yellow=1, DSA=74, SPN=32868, FMI=2, "
                  "Count=1, DSA_ext=255, Bank=15\n"));
  EXPECT_EQ("FLT;,100,-99\n", port.Read());
  EXPECT_TRUE(
      console.Has("tDevices::UpdateDiag: UpdateDiag(140): On=1, Active=1, Red=0, "
                  "Yellow=1, DSA=74, SPN=100, FMI=2,"));
}

TEST_F(tHandlers, ProductIdIsOnlyAnnounced) {
  tN2kMsg m;
  m.SetPGN(130795, 6);
  m.DataLen = 8;
  Deliver(m);
  EXPECT_EQ("", console.text);
  console.SetDebugLevel(1);
  Deliver(m);
  EXPECT_EQ("RVCProdID: Not supported\r\n", console.text);
}
