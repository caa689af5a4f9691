// The NMEA 2000 power handlers through HandleN2kMsg, with a fake RAW link and a fake
// runtime catching bus sends: forwarding, converter requests, the RO500 battery
// relay, the engine speed, log lines.
#include <gtest/gtest.h>

#include <algorithm>

#include "ChargerAt140.h"
#include "CodecTestUtil.h"
#include "FakeRawLink.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "RVCMessages.h"

namespace {

// The other senders are plain nodes; RAW lines go to a fake link.
class PowerHandlers : public tChargerAt140 {
 protected:
  void SetUp() override {
    tChargerAt140::SetUp();
    settings.udpPort = 10110;
    link.interfaces = {"10.77.0.255"};
  }
  void Converter(unsigned char sid, uint8_t source = 0x40) {
    tN2kMsg m;
    SetN2kPGN127750(m, sid, 1, N2kConvM_Float, N2kTS_Good, N2kOS_Good, N2kDCVS_Good, N2kRS_Good);
    Deliver(m, source);
  }
  void Battery(unsigned char instance, uint8_t source) {
    tN2kMsg m;
    SetN2kPGN127508(m, instance, 26.11, -1.9, 289.30, 7);  // .. 33 0a ed ff 02 71 07
    Deliver(m, source);
  }
};

}  // namespace

TEST_F(PowerHandlers, ConverterAskedOncePerSidCycle) {
  Converter(0);  // whatever earlier tests left behind
  console.SetDebugLevel(4);
  for (unsigned char sid : {9, 10, 10, 11, 12, 12}) Converter(sid);
  ASSERT_EQ(rt.sent.size(), 2u);
  // ISO requests to the converter (0x40) for 127513 (19 F2 01), then 127510 (16 F2 01).
  const Bytes wanted[2] = {{0x19, 0xF2, 0x01}, {0x16, 0xF2, 0x01}};
  for (int i = 0; i < 2; i++) {
    EXPECT_EQ(rt.sent[i].PGN, 59904u);
    EXPECT_EQ(rt.sent[i].Destination, 0x40);
    EXPECT_EQ(rt.sent[i].Priority, 6);
    EXPECT_EQ(Bytes(rt.sent[i].Data, rt.sent[i].Data + rt.sent[i].DataLen), wanted[i]);
  }
  EXPECT_TRUE(
      console.Has("N2kConverterStatus(64): SID=10, ConnectionNumber=1, OperatingState=5, "
                  "TemperatureState=0, OverloadState=0, LowDcVoltageState=0, "
                  "RippleState=0\nN2kConverterStatus(64): Requesting PGN 127513\n"));
  EXPECT_TRUE(console.Has("N2kConverterStatus(64): Requesting PGN 127510\n"));
  // All seven forwarded, as received: single frames from the node's own address.
  ASSERT_EQ(link.Lines().size(), 7u);
  EXPECT_EQ(link.Lines()[2], "19f30623 0a 01 05 00 ff ff ff ff\r\n");

  // SID 10 again from another converter: the SID remembered is shared, so no request.
  Converter(10);
  Converter(10, 0x41);
  EXPECT_EQ(rt.sent.size(), 3u);
  EXPECT_EQ(rt.sent[2].Destination, 0x40);
}

TEST_F(PowerHandlers, RO500BatteryRelayedAsItsOwnBatteryStatus) {
  ro500->Model().Update(
      tChargerStatus2{0, 1, 1, 80, 13.95f, 4.5f, 40.0f});  // as charger status 2 delivered it
  Battery(0, 140);
  // The message as received, then instance 100 with 13.95 V, 4.5 A, 313.15 K, SID 7.
  EXPECT_EQ(link.Lines(), (std::vector<std::string>{"19f21423 00 33 0a ed ff 02 71 07\r\n",
                                                    "19f21423 64 73 05 2d 00 53 7a 07\r\n"}));
  link.sent.clear();
  Battery(150, 140);
  Battery(200, 140);
  ASSERT_EQ(link.Lines().size(), 4u);
  EXPECT_EQ(link.Lines()[1].substr(0, 11), "19f21423 00");
  EXPECT_EQ(link.Lines()[3].substr(0, 11), "19f21423 32");
  // A temperature that is not available stays so.
  link.sent.clear();
  ro500->Bridge().UpdTerminalFromCAN(
      "AST;,1, ,2,4.5,4,5, ,6,7,8,9, ,10,-1e9, ,12, ,13.95,14,15,16\n", rt.now);
  ro500->Bridge().poll_serialOut(rt.now);
  Battery(1, 140);
  EXPECT_EQ(link.Lines().back(), "19f21423 65 73 05 2d 00 ff ff 07\r\n");
  EXPECT_TRUE(rt.sent.empty());  // never on the bus

  // From charger status 2: 14.2 V, 30 A and byte 75, which is 35 C, relayed as 308.15 K.
  link.sent.clear();
  tN2kMsg status2;
  SetRVCPGN1FEA3(status2, 1, 1, 80, 284, 32600, 75);
  Deliver(status2, 140);
  Battery(0, 140);
  EXPECT_EQ(link.Lines().back(), "19f21423 64 8c 05 2c 01 5f 78 07\r\n");

  // Any other sender: its message only.
  link.sent.clear();
  Battery(0, 0x50);
  EXPECT_EQ(link.Lines().size(), 1u);
}

TEST_F(PowerHandlers, EngineSpeedNotAvailableKeepsTheField) {
  ro500->Model().Update(tEngineSpeed{0, 1800.0, 0, 0});
  tN2kMsg m;
  SetN2kPGN127488(m, 0, N2kDoubleNA, N2kDoubleNA, 0x7F);
  Deliver(m, 140);
  m.Data[1] = 0xFE;  // 0xFFFE: error
  Deliver(m, 140);
  EXPECT_FLOAT_EQ(ro500->Model().Ast().Field(12), 1800.0f);
  SetN2kPGN127488(m, 0, 804.5, N2kDoubleNA, 0x7F);
  Deliver(m, 140);
  EXPECT_FLOAT_EQ(ro500->Model().Ast().Field(12), 804.5f);
  // Priority 2: the identifier has 7 digits.
  EXPECT_EQ(link.Lines().back(), "9f20023 00 92 0c ff ff 7f ff ff\r\n");
  EXPECT_EQ(link.Lines().size(), 3u);
}

TEST_F(PowerHandlers, RequestsOnlyLoggedSwitchBankAlwaysForwarded) {
  console.SetDebugLevel(4);
  tN2kMsg request;
  SetN2kPGN59904(request, 0x23, 126996);
  Deliver(request, 0x50);
  EXPECT_EQ(console.text, "N2kISORequest(80): PGN=126996\n");
  EXPECT_TRUE(link.sent.empty());
  EXPECT_TRUE(rt.sent.empty());

  // Three bytes of switch bank status: nothing decodes it, it goes out as it is.
  tN2kMsg bank(15, 3, 127501, 3);
  bank.Data[0] = 1;
  bank.Data[1] = 0xF1;
  bank.Data[2] = 0xFF;
  console.text.clear();
  Deliver(bank, 0x51);
  EXPECT_TRUE(console.Has("N2kBinaryStatusReport(81):\n"));
  EXPECT_EQ(link.Lines(), std::vector<std::string>{"df20d23 01 f1 ff\r\n"});
}

TEST_F(PowerHandlers, ChargerStatusForwardedAsFastPacketLines) {
  // Charger instance 49, battery 0, disabled, standalone, off, equalization n/a.
  tN2kMsg charger(15, 6, 127507, 6);
  const uint8_t wire[6] = {0x31, 0x00, 0x08, 0xFC, 0xFF, 0xFF};
  std::copy(wire, wire + 6, charger.Data);
  Deliver(charger, 0x50);
  // From our own address 0x23; frame 0 carries the length and all six bytes.
  EXPECT_EQ(link.Lines(),
            (std::vector<std::string>{"19f21323 00 06 31 00 08 fc ff ff\r\n", "19f21323 01\r\n"}));
  EXPECT_TRUE(rt.sent.empty());
}

TEST_F(PowerHandlers, UndecodableMessagesDoNothing) {
  console.SetDebugLevel(9);
  for (unsigned long pgn : {127506ul, 127507ul, 127508ul, 127510ul, 127513ul, 127750ul, 127488ul}) {
    tN2kMsg m(15, 6, pgn, 5);  // shorter than any of them
    Deliver(m, 140);
  }
  tN2kMsg request(15, 6, 59904, 2);
  Deliver(request, 0x50);
  EXPECT_EQ(console.text, "");
  EXPECT_TRUE(link.sent.empty());
  EXPECT_TRUE(rt.sent.empty());
}

TEST_F(PowerHandlers, LogLinesAndTheirLevels) {
  tN2kMsg dc, charger, config, batConfig, engine;
  SetN2kPGN127506(dc, 1, 2, N2kDCt_Battery, 87, 95, 3600, 0.05);
  SetN2kPGN127507(charger, 49, 0, N2kCS_Float, N2kCM_Primary, N2kOnOff_On, N2kOnOff_Off, 600);
  SetN2kPGN127510(config, 1, 2, N2kOnOff_On, 80, N2kCA_3Stage, N2kCM_Primary, N2kBT_Warm,
                  N2kOnOff_Off, N2kOnOff_On, 7200);
  SetN2kPGN127513(batConfig, 1, N2kBT_AGM, N2kBES_Yes, N2kBNV_12V, N2kBC_LeadAcid, 720000, 5, 1.25,
                  95);
  SetN2kPGN127488(engine, 0, 804.5, N2kDoubleNA, 0x7F);
  settings.udpPort = -1;  // the handlers' own lines only
  console.SetDebugLevel(4);
  for (tN2kMsg *m : {&dc, &charger, &config, &batConfig, &engine}) Deliver(*m, 0x50);
  EXPECT_EQ(console.text,
            "N2kDCDetailStat(80): SID=1, DCInstance=2, DCType=0, StateOfCharge=87, "
            "StateOfHealth=95, TimeRemaining=3600, RippleVoltage=0.05\n"
            "N2kChargerStatus(80): Instance=49, BatteryInstance=0, ChargeState=5, "
            "tN2kChargerMode=1, Enabled=1, EqualizationPending=0, EqualizationTimeRemaining=600\n"
            "N2kChargerConfigStatus(80): ChargerInsance=1, BatteryInstance=2, Enable=1, "
            "ChargeCurrentLimit=80, ChargingAlgorithm=3, ChargerMode=1, BatteryTemperature=1, "
            "EqualizationEnabled=0, OverChargeEnable=1, EqualizationTimeRemaining=7200\n");
  console.text.clear();
  console.SetDebugLevel(8);
  for (tN2kMsg *m : {&batConfig, &engine}) Deliver(*m, 0x50);
  EXPECT_EQ(console.text,
            "N2kBatConfigStat(80): BatInstance=1, BatType=2, SupportsEqual=1, "
            "BatNominalVoltage=1, BatChemistry=0, BatCapacity=720000, "
            "BatTemperatureCoefficient=5, PeukertExponent=1.25, ChargeEfficiencyFactor=95\n"
            "N2kEngParamRapid(80): EngineInstance=0, EngineSpeed=804.5, "
            "EngineBoostPressure=-1e+09, EngineTiltTrim=127\n");
}
