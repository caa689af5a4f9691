// "send" builds messages with the library's encoders: what the library's decoder reads
// back must be the fields given, and missing fields must read as not available.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "MessageBuilder.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "RVCMessages.h"
#include "SimText.h"

using namespace simtext;

namespace {

tN2kMsg Build(unsigned long pgn, const tFieldList &fields) {
  tN2kMsg msg;
  std::string error;
  EXPECT_TRUE(BuildPgnMessage(pgn, fields, msg, error)) << pgn << ": " << error;
  return msg;
}

}  // namespace

TEST(SimMessageBuilder, EveryEncodedPgnHasABuilderWithDistinctFieldNames) {
  const unsigned long required[] = {
      126992,  127488,  127501,  127506,  127507,  127508,  127510,  127513,  127750,  0x1FFFF,
      0x1FFFE, 0x1FFA0, 0x1FFC7, 0x1FEA3, 0x1FFC6, 0x1FF96, 0x1FECC, 0x1FEBF, 0x1FF99, 0x1FF98,
      0x1FFFD, 0x1FFFC, 0x1FFFB, 0x1FEC9, 0x1FEC8, 0x1FEC7, 0x1FEA5, 0x17E00, 0x1FECA, 59904};
  for (unsigned long pgn : required) EXPECT_NE(FindPgnBuilder(pgn), nullptr) << pgn;

  size_t count;
  const tPgnBuilder *all = PgnBuilders(count);
  for (size_t i = 0; i < count; i++) {
    std::set<std::string> names;
    for (int f = 0; all[i].fields[f].name != nullptr; f++) {
      std::string lower = all[i].fields[f].name;
      for (char &c : lower) c = static_cast<char>(tolower(c));
      EXPECT_TRUE(names.insert(lower).second) << all[i].pgn << " " << lower;
    }
    // With every field missing the encoder still makes its PGN.
    tN2kMsg msg = Build(all[i].pgn, {});
    EXPECT_EQ(msg.PGN, all[i].pgn);
  }
}

TEST(SimMessageBuilder, NmeaMessagesDecodeToTheGivenFields) {
  tN2kMsg m = Build(
      127508,
      {{"BatteryInstance", "3"}, {"BatteryVoltage", "13.25"}, {"BatteryTemperature", "0x12C"}});
  unsigned char inst, sid;
  double volts, amps, temp;
  ASSERT_TRUE(ParseN2kPGN127508(m, inst, volts, amps, temp, sid));
  EXPECT_EQ(inst, 3);
  EXPECT_DOUBLE_EQ(volts, 13.25);
  EXPECT_TRUE(N2kIsNA(amps));
  EXPECT_DOUBLE_EQ(temp, 300);
  EXPECT_EQ(sid, 0xff);

  m = Build(127507, {{"instance", "1"}, {"ChargeState", "5"}, {"ENABLED", "1"}});
  unsigned char batInst;
  tN2kChargeState state;
  tN2kChargerMode mode;
  tN2kOnOff enabled, eqPending;
  double eqTime;
  ASSERT_TRUE(ParseN2kPGN127507(m, inst, batInst, state, mode, enabled, eqPending, eqTime));
  EXPECT_EQ(inst, 1);
  EXPECT_EQ(batInst, 0xff);
  EXPECT_EQ(state, N2kCS_Float);
  EXPECT_EQ(mode, N2kCM_Unavailable);
  EXPECT_EQ(enabled, N2kOnOff_On);
  EXPECT_EQ(eqPending, N2kOnOff_Unavailable);

  m = Build(127513, {{"BatInstance", "0"},
                     {"BatCapacity", "720000"},
                     {"BatTemperatureCoefficient", "-5"},
                     {"PeukertExponent", "1.25"},
                     {"ChargeEfficiencyFactor", "na"}});
  tN2kBatType type;
  tN2kBatEqSupport eq;
  tN2kBatNomVolt nominal;
  tN2kBatChem chem;
  double capacity, peukert;
  int8_t coefficient, efficiency;
  ASSERT_TRUE(ParseN2kPGN127513(m, inst, type, eq, nominal, chem, capacity, coefficient, peukert,
                                efficiency));
  EXPECT_DOUBLE_EQ(capacity, 720000);
  EXPECT_EQ(coefficient, -5);
  EXPECT_NEAR(peukert, 1.25, 0.002);
  EXPECT_EQ(type, N2kBT_TypeUnavailable);

  m = Build(127501, {{"DeviceBankInstance", "4"}, {"Status", "0x5"}});
  uint64_t status;
  ASSERT_TRUE(ParseN2kPGN127501(m, inst, status));
  EXPECT_EQ(inst, 4);
  EXPECT_EQ(status, 5u);

  m = Build(126992, {{"SystemDate", "19000"}, {"SystemTime", "3600.5"}, {"TimeSource", "0"}});
  uint16_t date;
  double time;
  tN2kTimeSource source;
  ASSERT_TRUE(ParseN2kPGN126992(m, sid, date, time, source));
  EXPECT_EQ(date, 19000);
  EXPECT_DOUBLE_EQ(time, 3600.5);
  EXPECT_EQ(source, N2ktimes_GPS);
}

TEST(SimMessageBuilder, RvcMessagesDecodeToTheGivenFields) {
  tN2kMsg m = Build(0x1FFC7, {{"Instance", "1"},
                              {"CVdc", "270"},
                              {"CAdc", "32200"},
                              {"State", "3"},
                              {"EnableAtPO", "on"},
                              {"ForcedChrg", "2"}});
  tRVCChrgType type;
  uint8_t inst, perMax;
  uint16_t cv, ca;
  tRVCBatChrgMode state;
  bool atPo, auto_;
  tRVCChrgForceChrg forced;
  ASSERT_TRUE(ParseRVCPGN1FFC7(m, type, inst, cv, ca, perMax, state, atPo, auto_, forced));
  EXPECT_EQ(cv, 270);
  EXPECT_EQ(ca, 32200);
  EXPECT_EQ(perMax, 0xff);
  EXPECT_EQ(state, RVCBCM_Absorption);
  EXPECT_TRUE(atPo);
  EXPECT_FALSE(auto_);
  EXPECT_EQ(forced, RVCCFC_Float);

  m = Build(0x1FECA, {{"On", "1"},
                      {"Red", "yes"},
                      {"DSA", "0x42"},
                      {"SPN", "0x12345"},
                      {"FMI", "4"},
                      {"Count", "3"},
                      {"Bank", "1"}});
  bool on, active, red, yellow;
  uint8_t dsa, count, dsaExt, bank;
  uint32_t spn;
  tISOFMIType fmi;
  ASSERT_TRUE(ParseISOPGN1FECA(m, on, active, red, yellow, dsa, spn, fmi, count, dsaExt, bank));
  EXPECT_TRUE(on && red);
  EXPECT_FALSE(active || yellow);
  EXPECT_EQ(dsa, 0x42);
  EXPECT_EQ(spn, 0x12345u);
  EXPECT_EQ(fmi, ISOFMI_ShortLow);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(bank, 1);

  // Text only: the count is the text's length.
  m = Build(0x17E00, {{"Destination", "0x23"}, {"Chars", "$RAS"}});
  unsigned char to;
  int n;
  char chars[8];
  ASSERT_TRUE(ParseRVCPGN17E00(m, to, n, chars));
  EXPECT_EQ(to, 0x23);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(0, memcmp(chars, "$RAS", 4));

  m = Build(0x1FFFF, {{"Year", "24"},
                      {"Month", "6"},
                      {"Date", "30"},
                      {"Hour", "23"},
                      {"Minute", "59"},
                      {"Second", "58"},
                      {"TimeZone", "5"}});
  uint8_t y, mo, d, dow, h, mi, s;
  tRVCTimeZone tz;
  ASSERT_TRUE(ParseRVCPGN1FFFF(m, y, mo, d, dow, h, mi, s, tz));
  EXPECT_EQ(y, 24);
  EXPECT_EQ(d, 30);
  EXPECT_EQ(s, 58);
  EXPECT_EQ(dow, 0xff);
  EXPECT_EQ(tz, RVCTZ_EST);

  m = Build(0x1FEA5, {{"Instance", "2"}, {"ChrgOnOff", "1"}, {"BatAHCap", "400"}});
  uint8_t devPri;
  bool pwr, chrg, det, resv;
  uint16_t ah, power;
  ASSERT_TRUE(ParseRVCPGN1FEA5(m, inst, devPri, pwr, chrg, det, resv, ah, power));
  EXPECT_TRUE(chrg);
  EXPECT_FALSE(pwr);
  EXPECT_EQ(ah, 400);
  EXPECT_EQ(power, 0xffff);
}

TEST(SimMessageBuilder, NetworkMessagesDecodeToTheGivenFields) {
  tN2kMsg m = Build(59904, {{"Destination", "0x42"}, {"RequestedPGN", "126996"}});
  unsigned long requested;
  ASSERT_TRUE(ParseN2kPGN59904(m, requested));
  EXPECT_EQ(requested, 126996u);
  EXPECT_EQ(m.Destination, 0x42);

  m = Build(126996, {{"ModelID", "RO500 sim"}, {"ProductCode", "500"}});
  tN2kProductInfo info;
  ASSERT_TRUE(ParseN2kPGN126996(m, info));
  EXPECT_STREQ(info.ModelID, "RO500 sim");
  EXPECT_EQ(info.ProductCode, 500);

  m = Build(126464, {{"Function", "1"}, {"PGNs", "127508,1FFC7h"}});
  tN2kPGNList function;
  unsigned long pgns[8];
  ASSERT_TRUE(ParseN2kPGN126464(m, function, pgns, 8));
  EXPECT_EQ(function, N2kpgnl_receive);
  EXPECT_EQ(pgns[0], 127508u);
  EXPECT_EQ(pgns[1], 0x1FFC7u);
  EXPECT_EQ(pgns[2], 0u);
}

TEST(SimMessageBuilder, RawPayloadsAreFramedAsTheirPgnNeeds) {
  tN2kMsg m;
  std::string error;
  ASSERT_TRUE(BuildRawPgnMessage(127508, "0102030405060708", m, error));
  EXPECT_EQ(m.PGN, 127508u);
  EXPECT_EQ(m.DataLen, 8);
  EXPECT_EQ(m.Data[7], 8);
  EXPECT_FALSE(BuildRawPgnMessage(127508, "010203040506070809", m, error));
  std::string long_(2 * kN2kMaxDataLen, 'F');
  EXPECT_TRUE(BuildRawPgnMessage(126996, long_, m, error));
  EXPECT_EQ(m.DataLen, kN2kMaxDataLen);
  EXPECT_FALSE(BuildRawPgnMessage(126996, long_ + "FF", m, error));
  EXPECT_TRUE(BuildRawPgnMessage(0x1FF00, "", m, error));  // unknown PGN: priority 6
  EXPECT_EQ(m.Priority, 6);
}

TEST(SimText, NumbersAndPgnsParseStrictly) {
  uint64_t u;
  EXPECT_TRUE(ParseUnsigned("0xFF", 255, u));
  EXPECT_FALSE(ParseUnsigned("0x100", 255, u));
  EXPECT_FALSE(ParseUnsigned("18446744073709551616", ~0ull, u));  // overflow
  EXPECT_FALSE(ParseUnsigned("12a", 1000, u));
  EXPECT_FALSE(ParseUnsigned("", 1000, u));
  int64_t i;
  EXPECT_TRUE(ParseSigned("-128", -128, 127, i));
  EXPECT_FALSE(ParseSigned("128", -128, 127, i));
  double d;
  EXPECT_TRUE(ParseNumber("-1.5e2", d));
  EXPECT_DOUBLE_EQ(d, -150);
  for (const char *bad : {"inf", "nan", "1e999", "0x1p3", " 1", "1 "})
    EXPECT_FALSE(ParseNumber(bad, d)) << bad;
  unsigned long pgn;
  EXPECT_TRUE(ParsePgn("126208", pgn));
  EXPECT_EQ(pgn, 126208u);
  EXPECT_FALSE(ParsePgn("0x40000", pgn));
  EXPECT_FALSE(ParsePgn("1FG00", pgn));
  EXPECT_FALSE(ParsePgn("h", pgn));

  std::vector<std::string> words;
  std::string error;
  ASSERT_TRUE(SplitWords("send a  model=\"R O\\x35\\\"\" # comment", words, error));
  EXPECT_EQ(words, (std::vector<std::string>{"send", "a", "model=R O5\""}));
}
