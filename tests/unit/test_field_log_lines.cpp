// Log lines the handlers make from the messages' descriptions, from wire bytes: every
// field named as the line has always named it, bit pairs as flags (01b only) on the
// RV-C lines and as codes on the NMEA 2000 ones, values of NMEA 2000 fields that have
// none as -1e+09, and the lines no other test spells out in full.
#include <gtest/gtest.h>

#include <cstring>

#include "ChargerAt140.h"

namespace {
class tFieldLogLines : public tChargerAt140 {
 protected:
  void SetUp() override {
    tChargerAt140::SetUp();
    console.SetDebugLevel(8);
  }
  void Wire(unsigned long pgn, const uint8_t (&bytes)[8], uint8_t source = 140) {
    tN2kMsg m(15, 6, pgn, 8);
    std::memcpy(m.Data, bytes, 8);
    Deliver(m, source);
  }
};
}  // namespace

TEST_F(tFieldLogLines, RVCDateTime) {
  Wire(0x1FFFF, {24, 5, 17, 6, 13, 5, 9, 255});
  EXPECT_TRUE(
      console.Has("RVCDateTime(140): Year=24, Month=5, Date=17, DayOfWeek=6, Hour=13, "
                  "Minute=5, Second=9, TimeZone=255\n"));
}

TEST_F(tFieldLogLines, ChargerConfigurationAndEqualization) {
  Wire(0x1FF96, {0x01, 0xC8, 0x64, 0x1E, 0x41, 0x04, 0x01, 0xFF});
  Wire(0x1FEBF, {0x01, 0x3C, 0x00, 0x78, 0x00, 0xFF, 0xFF, 0xFF});
  Wire(0x1FF98, {0x01, 0x36, 0x01, 0x3C, 0x00, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(console.text,
            "RVCChargerConfigStat2(140): Type=0, Instance=1, PerMaxAmps=200, PerMaxShore=100, "
            "ShorBr=30, DefBatTemp=65, RchgVolt=260\n"
            "RVCChargerConfigStat4(140): Type=0, Instance=1, BulkT=60, AbsorbT=120, "
            "FloatT=65535\n"
            "RVCChargerEqualConfigStat(140): Type=0, Instance=1, Volts=310, Time=60\n");
}

TEST_F(tFieldLogLines, RVCBitPairsAreFlagsSetFor01bOnly) {
  Wire(0x1FF99, {0x01, 0x1E, 0x00, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF});  // 01b
  Wire(0x1FF99, {0x01, 0x1E, 0x00, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF});  // 10b: error
  Wire(0x1FF99, {0x01, 0x1E, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});  // 11b: not available
  EXPECT_EQ(console.text,
            "RVCChargerEqualStat(140): Type=0, Instance=1, Time=30, PreChrg=1\n"
            "RVCChargerEqualStat(140): Type=0, Instance=1, Time=30, PreChrg=0\n"
            "RVCChargerEqualStat(140): Type=0, Instance=1, Time=30, PreChrg=0\n");
  console.text.clear();
  // Enable at power-on 11b, auto recharge 10b, forced charge 15 (a nibble: its code).
  Wire(0x1FFC7, {0x01, 0x08, 0x01, 0x64, 0x7D, 0xA0, 0x03, 0xFB});
  EXPECT_TRUE(
      console.Has("RVCChrgStat(140): Type=0, Instance=1, CVdc=264, CAdc=32100, "
                  "PerMax=160, State=3, EnableAtPO=0, AutoRechg=0, ForcedChrg=15\n"));
}

TEST_F(tFieldLogLines, NMEA2000ValuesAndTheirAbsence) {
  Wire(127508, {0x00, 0x33, 0x0A, 0xED, 0xFF, 0x02, 0x71, 0x07}, 0x50);
  Wire(127508, {0x00, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0xFF, 0x07}, 0x50);
  // 2880 Ah, temperature coefficient -5 %, Peukert 1.25, efficiency -1 % (signed codes).
  tN2kMsg config(15, 6, 127513, 8);
  const uint8_t bytes[8] = {0x01, 0x12, 0x01, 0x40, 0x0B, 0xFB, 0x7D, 0xFF};
  std::memcpy(config.Data, bytes, 8);
  Deliver(config, 0x50);
  EXPECT_EQ(console.text,
            "N2kBatStat(80): BatteryInstance=0, BatteryVoltage=26.11, BatteryCurrent=-1.9, "
            "BatteryTemperature=289.3, SID=7\n"
            "N2kBatStat(80): BatteryInstance=0, BatteryVoltage=-1e+09, BatteryCurrent=-1e+09, "
            "BatteryTemperature=-1e+09, SID=7\n"
            "N2kBatConfigStat(80): BatInstance=1, BatType=2, SupportsEqual=1, "
            "BatNominalVoltage=1, BatChemistry=0, BatCapacity=1.0368e+07, "
            "BatTemperatureCoefficient=-5, PeukertExponent=1.25, ChargeEfficiencyFactor=-1\n");
}
