// RV-C data groups against byte vectors written from protocol.md (section E examples
// where given, hand-built otherwise).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "CodecTestUtil.h"
#include "RVCMessages.h"

namespace {

// The decoder takes its own DGN in exactly 8 bytes and nothing else.
template <typename Parse>
void ExpectOnlyOwnFrame(unsigned long dgn, Parse parse) {
  EXPECT_TRUE(parse(Msg(dgn, Bytes(8, 0))));
  EXPECT_FALSE(parse(Msg(dgn - 1, Bytes(8, 0))));
  EXPECT_FALSE(parse(Msg(dgn, Bytes(7, 0))));
  EXPECT_FALSE(parse(Msg(dgn, Bytes(9, 0))));
}

}  // namespace

TEST(RvcMessages, DateTimeUnderThreeDgns) {
  // 2024-01-01, Monday, 12:34:56, Eastern Standard Time.
  const Bytes wire = {0x18, 0x01, 0x01, 0x02, 0x0C, 0x22, 0x38, 0x05};
  tN2kMsg status, command, other;
  SetRVCPGN1FFFF(status, 24, 1, 1, 2, 12, 34, 56, RVCTZ_EST);
  SetRVCPGN1FFFE(command, 24, 1, 1, 2, 12, 34, 56, RVCTZ_EST);
  SetRVCPGN1FFA0(other, 24, 1, 1, 2, 12, 34, 56, RVCTZ_EST);
  ExpectWire(status, 0x1FFFF, 6, wire);
  ExpectWire(command, 0x1FFFE, 5, wire);
  ExpectWire(other, 0x1FFA0, 6, wire);

  uint8_t y, mo, d, dow, h, mi, s;
  tRVCTimeZone tz;
  ASSERT_TRUE(ParseRVCPGN1FFFF(status, y, mo, d, dow, h, mi, s, tz));
  EXPECT_EQ(std::tie(y, mo, d, dow, h, mi, s, tz), std::make_tuple(24, 1, 1, 2, 12, 34, 56, 5));
  // Each decoder takes its own DGN only.
  ExpectOnlyOwnFrame(
      0x1FFFF, [&](const tN2kMsg &x) { return ParseRVCPGN1FFFF(x, y, mo, d, dow, h, mi, s, tz); });
  ExpectOnlyOwnFrame(
      0x1FFFE, [&](const tN2kMsg &x) { return ParseRVCPGN1FFFE(x, y, mo, d, dow, h, mi, s, tz); });
  ExpectOnlyOwnFrame(
      0x1FFA0, [&](const tN2kMsg &x) { return ParseRVCPGN1FFA0(x, y, mo, d, dow, h, mi, s, tz); });
}

TEST(RvcMessages, ChargerStatus) {
  tN2kMsg m;
  tRVCChrgType t;
  uint8_t i, a, b, c;
  uint16_t u, v;
  tRVCBatChrgMode state;
  bool f1, f2;
  tRVCChrgForceChrg forced;
  auto parse = [&](const tN2kMsg &x) {
    return ParseRVCPGN1FFC7(x, t, i, u, v, a, state, f1, f2, forced);
  };
  // 14.2 V, 30 A, 100 %, float, enabled at power-up, no auto-recharge.
  SetRVCPGN1FFC7(m, 1, 284, 32600, 200, RVCBCM_Float, true, false, RVCCFC_NotForced);
  ExpectWire(m, 0x1FFC7, 6, {0x01, 0x1C, 0x01, 0x58, 0x7F, 0xC8, 0x06, 0x01});
  ASSERT_TRUE(parse(m));
  EXPECT_EQ(std::tie(t, i, u, v, a, state, f1, f2, forced),
            std::make_tuple(RVCCT_Charger, 1, 284, 32600, 200, RVCBCM_Float, true, false,
                            RVCCFC_NotForced));
  // Only 01b is "on": 10b (error) and 11b (n/a) read as off.
  m.Data[7] = 0xF6;
  ASSERT_TRUE(parse(m));
  EXPECT_EQ(std::tie(f1, f2, forced), std::make_tuple(false, true, RVCCFC_Unavailable));
  m.Data[7] = 0xFB;
  ASSERT_TRUE(parse(m));
  EXPECT_EQ(std::tie(f1, f2), std::make_tuple(false, false));
  ExpectOnlyOwnFrame(0x1FFC7, parse);

  // CHARGER_STATUS_2, document example.
  SetRVCPGN1FEA3(m, 1, 0xFF, 100, 284, 32600, 75);
  ExpectWire(m, 0x1FEA3, 6, {0x01, 0xFF, 0x64, 0x1C, 0x01, 0x58, 0x7F, 0x4B});
  ASSERT_TRUE(ParseRVCPGN1FEA3(m, t, i, a, b, u, v, c));
  EXPECT_EQ(std::tie(t, i, a, b, u, v, c),
            std::make_tuple(RVCCT_Charger, 1, 0xFF, 100, 284, 32600, 75));
}

TEST(RvcMessages, ChargerConfigurationStatus) {
  tN2kMsg m;
  tRVCChrgType t;
  uint8_t i, amps;
  tRVCChrgAlg alg;
  tRVCChrgMode mode;
  bool sense, linked;
  tRVCChrgLine line;
  tRVCBatType battery;
  uint16_t size;
  auto parse = [&](const tN2kMsg &x) {
    return ParseRVCPGN1FFC6(x, t, i, alg, mode, sense, line, linked, battery, size, amps);
  };
  // 3-stage, linked to DC source, sensor present, line 2, AGM, 200 Ah, 40 A max.
  SetRVCPGN1FFC6(m, 1, RVCCA_3Stage, RVCCM_LinkedToDC, true, RVCCL_Line2, RVCBT_AGM, 200, 32800);
  ExpectWire(m, 0x1FFC6, 6, {0x01, 0x02, 0x03, 0x25, 0xC8, 0x00, 0x20, 0x80});
  ASSERT_TRUE(parse(m));
  EXPECT_EQ(std::tie(t, i, alg, mode, sense, line, linked, battery, size, amps),
            std::make_tuple(RVCCT_Charger, 1, RVCCA_3Stage, RVCCM_LinkedToDC, true, RVCCL_Line2,
                            true, RVCBT_AGM, 200, 40));
  ExpectOnlyOwnFrame(0x1FFC6, parse);

  // Whole amperes, clamped to 0..254, 255 when not available; linked only in mode 3.
  const std::pair<uint16_t, int> currents[] = {
      {0xFFFF, 255}, {32000 - 200, 0}, {32000, 0},   {32000 + 20 * 253 + 19, 253},
      {37080, 254},  {38000, 254},     {0xFFFE, 254}};
  for (const auto &c : currents) {
    SetRVCPGN1FFC6(m, 1, RVCCA_3Stage, RVCCM_Primary, true, RVCCL_Line2, RVCBT_AGM, 200, c.first);
    ASSERT_TRUE(parse(m));
    EXPECT_EQ(amps, c.second) << c.first;
    EXPECT_FALSE(linked);
  }
}

TEST(RvcMessages, ChargerConfigurationAndEqualizationGroups) {
  tN2kMsg m;
  tRVCChrgType t;
  uint8_t i, a, b, c, d;
  uint16_t u, v, w;
  bool f;

  // Status 2: 100 %, 50 %, 30 A breaker, 25 C, recharge at 12.5 V.
  SetRVCPGN1FF96(m, 1, 200, 100, 30, 65, 250);
  ExpectWire(m, 0x1FF96, 6, {0x01, 0xC8, 0x64, 0x1E, 0x41, 0xFA, 0x00, 0xFF});
  ASSERT_TRUE(ParseRVCPGN1FF96(m, t, i, a, b, c, d, u));
  EXPECT_EQ(std::tie(t, i, a, b, c, d, u),
            std::make_tuple(RVCCT_Charger, 1, 200, 100, 30, 65, 250));

  // Status 3: bulk 14.4 V, absorption 14.2 V, float 13.6 V, 5 mV/K.
  SetRVCPGN1FECC(m, 1, 288, 284, 272, 5);
  ExpectWire(m, 0x1FECC, 6, {0x01, 0x20, 0x01, 0x1C, 0x01, 0x10, 0x01, 0x05});
  ASSERT_TRUE(ParseRVCPGN1FECC(m, t, i, u, v, w, a));
  EXPECT_EQ(std::tie(i, u, v, w, a), std::make_tuple(1, 288, 284, 272, 5));

  // Status 4: bulk 120 min, absorption 240 min, float n/a.
  SetRVCPGN1FEBF(m, 1, 120, 240, 0xFFFF);
  ExpectWire(m, 0x1FEBF, 6, {0x01, 0x78, 0x00, 0xF0, 0x00, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(ParseRVCPGN1FEBF(m, t, i, u, v, w));
  EXPECT_EQ(std::tie(i, u, v, w), std::make_tuple(1, 120, 240, 0xFFFF));

  // Equalization: 90 min left, pre-charging.
  SetRVCPGN1FF99(m, 1, 90, true);
  ExpectWire(m, 0x1FF99, 6, {0x01, 0x5A, 0x00, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(ParseRVCPGN1FF99(m, t, i, u, f));
  EXPECT_EQ(std::tie(i, u, f), std::make_tuple(1, 90, true));

  // Equalization configuration: 15.5 V for 120 min.
  SetRVCPGN1FF98(m, 1, 310, 120);
  ExpectWire(m, 0x1FF98, 6, {0x01, 0x36, 0x01, 0x78, 0x00, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(ParseRVCPGN1FF98(m, t, i, u, v));
  EXPECT_EQ(std::tie(i, u, v), std::make_tuple(1, 310, 120));
}

TEST(RvcMessages, DCSourceStatus) {
  tN2kMsg m;
  uint8_t i, p, a, b;
  uint16_t u, v;
  uint32_t big;
  bool f1, f2, f3, f4;
  tRVCBatChrgMode desired;
  tRVCBatType battery;

  // Document examples for 1 (13.25 V, -12.5 A) and 2 (25 C, 87.5 %, 600 min).
  SetRVCPGN1FFFD(m, 1, 100, 265, 1999987500u);
  ExpectWire(m, 0x1FFFD, 6, {0x01, 0x64, 0x09, 0x01, 0x2C, 0x63, 0x35, 0x77});
  auto parse1 = [&](const tN2kMsg &x) { return ParseRVCPGN1FFFD(x, i, p, u, big); };
  ASSERT_TRUE(parse1(m));
  EXPECT_EQ(std::tie(i, p, u, big), std::make_tuple(1, 100, 265, 1999987500u));
  ExpectOnlyOwnFrame(0x1FFFD, parse1);

  SetRVCPGN1FFFC(m, 1, 100, 9536, 175, 600);
  ExpectWire(m, 0x1FFFC, 6, {0x01, 0x64, 0x40, 0x25, 0xAF, 0x58, 0x02, 0xFC});
  ASSERT_TRUE(ParseRVCPGN1FFFC(m, i, p, u, a, v));
  EXPECT_EQ(std::tie(u, a, v), std::make_tuple(9536, 175, 600));

  // 3: SOH 95 %, 180 Ah left, 85.5 %, 25 mV ripple.
  SetRVCPGN1FFFB(m, 1, 120, 190, 180, 171, 25);
  ExpectWire(m, 0x1FFFB, 6, {0x01, 0x78, 0xBE, 0xB4, 0x00, 0xAB, 0x19, 0x00});
  ASSERT_TRUE(ParseRVCPGN1FFFB(m, i, p, a, u, b, v));
  EXPECT_EQ(std::tie(p, a, u, b, v), std::make_tuple(120, 190, 180, 171, 25));

  // 4: asks for absorption at 14.4 V, 20 A, LiFePO4.
  SetRVCPGN1FEC9(m, 1, 120, RVCBCM_Absorption, 288, 32400, RVCBT_LiFePO4);
  ExpectWire(m, 0x1FEC9, 6, {0x01, 0x78, 0x03, 0x20, 0x01, 0x90, 0x7E, 0xF3});
  ASSERT_TRUE(ParseRVCPGN1FEC9(m, i, p, desired, u, v, battery));
  EXPECT_EQ(std::tie(desired, u, v, battery),
            std::make_tuple(RVCBCM_Absorption, 288, 32400, RVCBT_LiFePO4));

  // 5: 13.250 V, dV/dt left at its default n/a.
  SetRVCPGN1FEC8(m, 1, 120, 13250);
  ExpectWire(m, 0x1FEC8, 6, {0x01, 0x78, 0xC2, 0x33, 0x00, 0x00, 0xFF, 0xFF});
  ASSERT_TRUE(ParseRVCPGN1FEC8(m, i, p, big, u));
  EXPECT_EQ(std::tie(big, u), std::make_tuple(13250u, 0xFFFF));

  // 6: high-voltage limit reached, low-voltage disconnect.
  SetRVCPGN1FEC7(m, 1, 120, true, false, false, true);
  ExpectWire(m, 0x1FEC7, 6, {0x01, 0x78, 0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(ParseRVCPGN1FEC7(m, i, p, f1, f2, f3, f4));
  EXPECT_EQ(std::tie(f1, f2, f3, f4), std::make_tuple(true, false, false, true));

  // 11: discharge and charge buses connected, 200 Ah, 350 W.
  SetRVCPGN1FEA5(m, 1, 120, true, true, false, false, 200, 350);
  ExpectWire(m, 0x1FEA5, 6, {0x01, 0x78, 0x05, 0xC8, 0x00, 0x5E, 0x01, 0xFF});
  ASSERT_TRUE(ParseRVCPGN1FEA5(m, i, p, f1, f2, f3, f4, u, v));
  EXPECT_EQ(std::tie(f1, f2, f3, f4, u, v), std::make_tuple(true, true, false, false, 200, 350));
}

TEST(RvcMessages, Terminal) {
  tN2kMsg m;
  SetRVCPGN17E00(m, 0x42, 3, "AOK");
  ExpectWire(m, 0x17E00, 7, {'A', 'O', 'K', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_EQ(m.Destination, 0x42);
  SetRVCPGN17E00(m, 0x42, 0, nullptr);
  ExpectWire(m, 0x17E00, 7, Bytes(8, 0xFF));
  SetRVCPGN17E00(m, 0x42, -1, "AOK");
  ExpectWire(m, 0x17E00, 7, Bytes(8, 0xFF));
  SetRVCPGN17E00(m, 0x42, 12, "$RAS:@ABCDEF");
  ExpectWire(m, 0x17E00, 7, {'$', 'R', 'A', 'S', ':', '@', 'A', 'B'});

  unsigned char address;
  int count;
  char chars[8];
  m = Msg(0x17E00, {'A', 'O', 'K', ';', 0xFF, 0xFF, 0xFF, 0xFF});
  m.Destination = 0x80;
  ASSERT_TRUE(ParseRVCPGN17E00(m, address, count, chars));
  EXPECT_EQ(std::tie(address, count), std::make_tuple(0x80, 4));
  EXPECT_EQ(std::string(chars, 4), "AOK;");
  const std::pair<Bytes, int> counts[] = {
      {Bytes(8, 'x'), 8}, {Bytes(8, 0xFF), 0}, {{'O', 'K'}, 2}};  // short frame: stops at DataLen
  for (const auto &c : counts) {
    ASSERT_TRUE(ParseRVCPGN17E00(Msg(0x17E00, c.first), address, count, chars));
    EXPECT_EQ(count, c.second);
  }
  EXPECT_FALSE(ParseRVCPGN17E00(Msg(0x17E00, {}), address, count, chars));
  EXPECT_FALSE(ParseRVCPGN17E00(Msg(0x17E00, Bytes(9, 'x')), address, count, chars));
  EXPECT_FALSE(ParseRVCPGN17E00(Msg(0x17F00, Bytes(8, 'x')), address, count, chars));
}

TEST(RvcMessages, DiagnosticMessage) {
  tN2kMsg m;
  bool on, active, red, yellow;
  uint8_t dsa, count, ext, bank;
  uint32_t spn;
  tISOFMIType fmi;
  auto parse = [&](const tN2kMsg &x) {
    return ParseISOPGN1FECA(x, on, active, red, yellow, dsa, spn, fmi, count, ext, bank);
  };
  // Document example: on, active, no fault, converter #1.
  SetISOPGN1FECA(m, true, true, false, false, 74, 0x7FFFF, ISOFMI_Unavailable, 0x7F, 0xFF, 0x0F);
  ExpectWire(m, 0x1FECA, 6, {0x05, 0x4A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(parse(m));
  EXPECT_EQ(std::tie(on, active, red, yellow, dsa, spn, fmi, count, ext, bank),
            std::make_tuple(true, true, false, false, 74, 0x7FFFFu, ISOFMI_Unavailable, 0x7F, 0xFF,
                            0x0F));
  // Document SPN example (b2 01, b3 03, b4 C0: SPN 2078, FMI 0); red lamp, 3 times, bank 2.
  SetISOPGN1FECA(m, false, false, true, false, 74, 2078, ISOFMI_AboveNormal, 3, 0xFF, 2);
  ExpectWire(m, 0x1FECA, 6, {0x40, 0x4A, 0x01, 0x03, 0xC0, 0x83, 0xFF, 0xF2});
  ASSERT_TRUE(parse(m));
  EXPECT_EQ(std::tie(on, red, yellow, spn, fmi, count, bank),
            std::make_tuple(false, true, false, 2078u, ISOFMI_AboveNormal, 3, 2));
  // Yellow lamp alone is 01b in bits 4-5.
  SetISOPGN1FECA(m, false, false, false, true, 74, 100, ISOFMI_ShortLow, 1, 0, 0);
  EXPECT_EQ(m.Data[0], 0x10);
  ASSERT_TRUE(parse(m));
  EXPECT_EQ(std::tie(red, yellow), std::make_tuple(false, true));
  ExpectOnlyOwnFrame(0x1FECA, parse);
}

// ---- Pins: not-available, error, maximum, negative (raw below a field's offset) and
// half-step (odd raw) values travel raw, masked to their fields. A row without
// arguments only decodes.

namespace {
#define RVC_CODEC(n)                                    \
  [](tN2kMsg &m, auto... a) { SetRVCPGN##n(m, a...); }, \
      [](const tN2kMsg &m, auto &...a) { return ParseRVCPGN##n(m, a...); }
// The charger decoders lead with a type that is always 0.
#define RVC_CHARGER_CODEC(n)                                                               \
  [](tN2kMsg &m, auto... a) { SetRVCPGN##n(m, a...); }, [](const tN2kMsg &m, auto &...a) { \
    tRVCChrgType type = static_cast<tRVCChrgType>(7);                                      \
    const bool ok = ParseRVCPGN##n(m, type, a...);                                         \
    EXPECT_EQ(type, RVCCT_Charger);                                                        \
    return ok;                                                                             \
  }
template <typename T>
T Code(int v) {
  return static_cast<T>(v);
}
}  // namespace

TEST(RvcMessagesPins, DateTime) {
  using T = std::tuple<uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, tRVCTimeZone>;
  const std::vector<tPin<T>> pins = {
      {T{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, RVCTZ_Unavailable},
       Bytes(8, 0xFF),
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, RVCTZ_Unavailable}},
      {T{0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, Code<tRVCTimeZone>(0xFE)},
       Bytes(8, 0xFE),
       {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, Code<tRVCTimeZone>(0xFE)}},
      {T{250, 12, 31, 7, 23, 59, 59, RVCTZ_CEST},
       {0xFA, 0x0C, 0x1F, 0x07, 0x17, 0x3B, 0x3B, 0x16},
       {250, 12, 31, 7, 23, 59, 59, RVCTZ_CEST}},
  };
  RunPins(0x1FFFF, 6, RVC_CODEC(1FFFF), pins);
  RunPins(0x1FFFE, 5, RVC_CODEC(1FFFE), pins);
  RunPins(0x1FFA0, 6, RVC_CODEC(1FFA0), pins);
}

TEST(RvcMessagesPins, ChargerStatus) {
  using T = std::tuple<uint8_t, uint16_t, uint16_t, uint8_t, tRVCBatChrgMode, bool, bool,
                       tRVCChrgForceChrg>;
  RunPins<T, T>(
      0x1FFC7, 6, RVC_CHARGER_CODEC(1FFC7),
      {
          {T{0xFF, 0xFFFF, 0xFFFF, 0xFF, RVCBCM_Unavailable, false, false, RVCCFC_Unavailable},
           {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0},
           {0xFF, 0xFFFF, 0xFFFF, 0xFF, RVCBCM_Unavailable, false, false, RVCCFC_Unavailable}},
          {T{0xFE, 0xFFFE, 0xFFFE, 0xFE, Code<tRVCBatChrgMode>(0xFE), true, true,
             Code<tRVCChrgForceChrg>(14)},
           {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFE, 0xE5},
           {0xFE, 0xFFFE, 0xFFFE, 0xFE, Code<tRVCBatChrgMode>(0xFE), true, true,
            Code<tRVCChrgForceChrg>(14)}},
          {T{250, 0xFFFC, 0, 1, RVCBCM_ConstantVI, false, true, RVCCFC_Float},
           {0xFA, 0xFC, 0xFF, 0x00, 0x00, 0x01, 0x07, 0x24},
           {250, 0xFFFC, 0, 1, RVCBCM_ConstantVI, false, true, RVCCFC_Float}},
          {T{1, 1, 32001, 0, RVCBCM_Disabled, false, false, Code<tRVCChrgForceChrg>(0x1F)},
           {0x01, 0x01, 0x00, 0x01, 0x7D, 0x00, 0x00, 0xF0},
           {1, 1, 32001, 0, RVCBCM_Disabled, false, false, RVCCFC_Unavailable}},
      });
}

TEST(RvcMessagesPins, ChargerStatus2) {
  using T = std::tuple<uint8_t, uint8_t, uint8_t, uint16_t, uint16_t, uint8_t>;
  RunPins<T, T>(0x1FEA3, 6, RVC_CHARGER_CODEC(1FEA3),
                {
                    {T{0xFF, 0xFF, 0xFF, 0xFFFF, 0xFFFF, 0xFF},
                     Bytes(8, 0xFF),
                     {0xFF, 0xFF, 0xFF, 0xFFFF, 0xFFFF, 0xFF}},
                    {T{0xFE, 0xFE, 0xFE, 0xFFFE, 0xFFFE, 0xFE},
                     {0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE},
                     {0xFE, 0xFE, 0xFE, 0xFFFE, 0xFFFE, 0xFE}},
                    {T{250, 0, 252, 0xFFFC, 0, 0},
                     {0xFA, 0x00, 0xFC, 0xFC, 0xFF, 0x00, 0x00, 0x00},
                     {250, 0, 252, 0xFFFC, 0, 0}},
                    {T{1, 1, 1, 1, 32001, 1},
                     {0x01, 0x01, 0x01, 0x01, 0x00, 0x01, 0x7D, 0x01},
                     {1, 1, 1, 1, 32001, 1}},
                });
}

TEST(RvcMessagesPins, ChargerConfigurationStatus) {
  using In = std::tuple<uint8_t, tRVCChrgAlg, tRVCChrgMode, bool, tRVCChrgLine, tRVCBatType,
                        uint16_t, uint16_t>;
  using Out = std::tuple<uint8_t, tRVCChrgAlg, tRVCChrgMode, bool, tRVCChrgLine, bool, tRVCBatType,
                         uint16_t, uint8_t>;
  RunPins<In, Out>(
      0x1FFC6, 6, RVC_CHARGER_CODEC(1FFC6),
      {
          {In{0xFF, RVCCA_Unavailable, RVCCM_Unavailable, false, RVCCL_Unavailable,
              RVCBT_Unavailable, 0xFFFF, 0xFFFF},
           {0xFF, 0xFF, 0xFF, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF},
           {0xFF, RVCCA_Unavailable, RVCCM_Unavailable, false, RVCCL_Unavailable, false,
            RVCBT_Unavailable, 0xFFFF, 255}},
          {In{0xFE, Code<tRVCChrgAlg>(0xFE), Code<tRVCChrgMode>(0xFE), true, Code<tRVCChrgLine>(2),
              Code<tRVCBatType>(14), 0xFFFE, 0xFFFE},
           {0xFE, 0xFE, 0xFE, 0xE9, 0xFE, 0xFF, 0xFE, 0xFF},
           {0xFE, Code<tRVCChrgAlg>(0xFE), Code<tRVCChrgMode>(0xFE), true, Code<tRVCChrgLine>(2),
            false, Code<tRVCBatType>(14), 0xFFFE, 254}},
          {In{250, RVCCA_Custom1, RVCCM_LinkedToDC, false, RVCCL_Line1, RVCBT_LiFePO4, 0xFFFC, 0},
           {0xFA, 0xFA, 0x03, 0x30, 0xFC, 0xFF, 0x00, 0x00},
           {250, RVCCA_Custom1, RVCCM_LinkedToDC, false, RVCCL_Line1, true, RVCBT_LiFePO4, 0xFFFC,
            0}},
          {In{1, RVCCA_Trickle, RVCCM_Primary, true, Code<tRVCChrgLine>(7), Code<tRVCBatType>(0x1F),
              1, 32019},
           {0x01, 0x04, 0x01, 0xFD, 0x01, 0x00, 0x13, 0x7D},
           {1, RVCCA_Trickle, RVCCM_Primary, true, RVCCL_Unavailable, false, RVCBT_Unavailable, 1,
            0}},
      });
}

TEST(RvcMessagesPins, ChargerConfigurationAndEqualizationGroups) {
  using T2 = std::tuple<uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint16_t>;
  RunPins<T2, T2>(0x1FF96, 6, RVC_CHARGER_CODEC(1FF96),
                  {
                      {T2{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFFFF},
                       Bytes(8, 0xFF),
                       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFFFF}},
                      {T2{0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFFFE},
                       {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFF},
                       {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFFFE}},
                      {T2{250, 250, 1, 0, 0, 0xFFFC},
                       {0xFA, 0xFA, 0x01, 0x00, 0x00, 0xFC, 0xFF, 0xFF},
                       {250, 250, 1, 0, 0, 0xFFFC}},
                  });
  using T3 = std::tuple<uint8_t, uint16_t, uint16_t, uint16_t, uint8_t>;
  RunPins<T3, T3>(0x1FECC, 6, RVC_CHARGER_CODEC(1FECC),
                  {
                      {T3{0xFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFF},
                       Bytes(8, 0xFF),
                       {0xFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFF}},
                      {T3{0xFE, 0xFFFE, 0xFFFE, 0xFFFE, 0xFE},
                       {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE},
                       {0xFE, 0xFFFE, 0xFFFE, 0xFFFE, 0xFE}},
                      {T3{250, 0xFFFC, 1, 0, 250},
                       {0xFA, 0xFC, 0xFF, 0x01, 0x00, 0x00, 0x00, 0xFA},
                       {250, 0xFFFC, 1, 0, 250}},
                  });
  using T4 = std::tuple<uint8_t, uint16_t, uint16_t, uint16_t>;
  RunPins<T4, T4>(
      0x1FEBF, 6, RVC_CHARGER_CODEC(1FEBF),
      {
          {T4{0xFF, 0xFFFF, 0xFFFF, 0xFFFF}, Bytes(8, 0xFF), {0xFF, 0xFFFF, 0xFFFF, 0xFFFF}},
          {T4{0xFE, 0xFFFE, 0xFFFE, 0xFFFE},
           {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF},
           {0xFE, 0xFFFE, 0xFFFE, 0xFFFE}},
          {T4{250, 0xFFFC, 1, 0},
           {0xFA, 0xFC, 0xFF, 0x01, 0x00, 0x00, 0x00, 0xFF},
           {250, 0xFFFC, 1, 0}},
      });
  using TE = std::tuple<uint8_t, uint16_t, bool>;
  RunPins<TE, TE>(0x1FF99, 6, RVC_CHARGER_CODEC(1FF99),
                  {
                      {TE{0xFF, 0xFFFF, false},
                       {0xFF, 0xFF, 0xFF, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF},
                       {0xFF, 0xFFFF, false}},
                      {TE{0xFE, 0xFFFE, true},
                       {0xFE, 0xFE, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF},
                       {0xFE, 0xFFFE, true}},
                      {{}, {0x01, 0xFC, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}, {1, 0xFFFC, false}},
                  });
  using TC = std::tuple<uint8_t, uint16_t, uint16_t>;
  RunPins<TC, TC>(
      0x1FF98, 6, RVC_CHARGER_CODEC(1FF98),
      {
          {TC{0xFF, 0xFFFF, 0xFFFF}, Bytes(8, 0xFF), {0xFF, 0xFFFF, 0xFFFF}},
          {TC{0xFE, 0xFFFE, 0xFFFE},
           {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF},
           {0xFE, 0xFFFE, 0xFFFE}},
          {TC{250, 0xFFFC, 1}, {0xFA, 0xFC, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 0xFF}, {250, 0xFFFC, 1}},
      });
}

TEST(RvcMessagesPins, DCSourceStatus) {
  using T1 = std::tuple<uint8_t, uint8_t, uint16_t, uint32_t>;
  RunPins<T1, T1>(
      0x1FFFD, 6, RVC_CODEC(1FFFD),
      {
          {T1{0xFF, 0xFF, 0xFFFF, 0xFFFFFFFF}, Bytes(8, 0xFF), {0xFF, 0xFF, 0xFFFF, 0xFFFFFFFF}},
          {T1{0xFE, 0xFE, 0xFFFE, 0xFFFFFFFE},
           {0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF},
           {0xFE, 0xFE, 0xFFFE, 0xFFFFFFFE}},
          {T1{250, 120, 0xFFFC, 0},
           {0xFA, 0x78, 0xFC, 0xFF, 0x00, 0x00, 0x00, 0x00},
           {250, 120, 0xFFFC, 0}},
          {T1{1, 0, 1, 0x77359401},
           {0x01, 0x00, 0x01, 0x00, 0x01, 0x94, 0x35, 0x77},
           {1, 0, 1, 0x77359401}},
      });
  using T2 = std::tuple<uint8_t, uint8_t, uint16_t, uint8_t, uint16_t>;
  RunPins<T2, T2>(0x1FFFC, 6, RVC_CODEC(1FFFC),
                  {
                      {T2{0xFF, 0xFF, 0xFFFF, 0xFF, 0xFFFF},
                       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFC},
                       {0xFF, 0xFF, 0xFFFF, 0xFF, 0xFFFF}},
                      {T2{0xFE, 0xFE, 0xFFFE, 0xFE, 0xFFFE},
                       {0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFE, 0xFF, 0xFC},
                       {0xFE, 0xFE, 0xFFFE, 0xFE, 0xFFFE}},
                      {T2{250, 0, 0, 1, 0xFFFC},
                       {0xFA, 0x00, 0x00, 0x00, 0x01, 0xFC, 0xFF, 0xFC},
                       {250, 0, 0, 1, 0xFFFC}},
                  });
  using T3 = std::tuple<uint8_t, uint8_t, uint8_t, uint16_t, uint8_t, uint16_t>;
  RunPins<T3, T3>(0x1FFFB, 6, RVC_CODEC(1FFFB),
                  {
                      {T3{0xFF, 0xFF, 0xFF, 0xFFFF, 0xFF, 0xFFFF},
                       Bytes(8, 0xFF),
                       {0xFF, 0xFF, 0xFF, 0xFFFF, 0xFF, 0xFFFF}},
                      {T3{0xFE, 0xFE, 0xFE, 0xFFFE, 0xFE, 0xFFFE},
                       {0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFE, 0xFF},
                       {0xFE, 0xFE, 0xFE, 0xFFFE, 0xFE, 0xFFFE}},
                      {T3{250, 120, 250, 0xFFFC, 1, 0xFFFC},
                       {0xFA, 0x78, 0xFA, 0xFC, 0xFF, 0x01, 0xFC, 0xFF},
                       {250, 120, 250, 0xFFFC, 1, 0xFFFC}},
                  });
  using T4 = std::tuple<uint8_t, uint8_t, tRVCBatChrgMode, uint16_t, uint16_t, tRVCBatType>;
  RunPins<T4, T4>(
      0x1FEC9, 6, RVC_CODEC(1FEC9),
      {
          {T4{0xFF, 0xFF, RVCBCM_Unavailable, 0xFFFF, 0xFFFF, RVCBT_Unavailable},
           Bytes(8, 0xFF),
           {0xFF, 0xFF, RVCBCM_Unavailable, 0xFFFF, 0xFFFF, RVCBT_Unavailable}},
          {T4{0xFE, 0xFE, Code<tRVCBatChrgMode>(0xFE), 0xFFFE, 0xFFFE, Code<tRVCBatType>(14)},
           {0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE},
           {0xFE, 0xFE, Code<tRVCBatChrgMode>(0xFE), 0xFFFE, 0xFFFE, Code<tRVCBatType>(14)}},
          {T4{250, 0, RVCBCM_ConstantVI, 0xFFFC, 0, RVCBT_LiFePO4},
           {0xFA, 0x00, 0x07, 0xFC, 0xFF, 0x00, 0x00, 0xF3},
           {250, 0, RVCBCM_ConstantVI, 0xFFFC, 0, RVCBT_LiFePO4}},
          {T4{1, 0, RVCBCM_Disabled, 1, 32001, Code<tRVCBatType>(0x1F)},
           {0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x7D, 0xFF},
           {1, 0, RVCBCM_Disabled, 1, 32001, RVCBT_Unavailable}},
      });
  using T5 = std::tuple<uint8_t, uint8_t, uint32_t, uint16_t>;
  RunPins<T5, T5>(
      0x1FEC8, 6, RVC_CODEC(1FEC8),
      {
          {T5{0xFF, 0xFF, 0xFFFFFFFF, 0xFFFF}, Bytes(8, 0xFF), {0xFF, 0xFF, 0xFFFFFFFF, 0xFFFF}},
          {T5{0xFE, 0xFE, 0xFFFFFFFE, 0xFFFE},
           {0xFE, 0xFE, 0xFE, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF},
           {0xFE, 0xFE, 0xFFFFFFFE, 0xFFFE}},
          {T5{250, 0, 0xFFFFFFFC, 0},
           {0xFA, 0x00, 0xFC, 0xFF, 0xFF, 0xFF, 0x00, 0x00},
           {250, 0, 0xFFFFFFFC, 0}},
      });
  using T6 = std::tuple<uint8_t, uint8_t, bool, bool, bool, bool>;
  RunPins<T6, T6>(0x1FEC7, 6, RVC_CODEC(1FEC7),
                  {
                      {T6{0xFF, 0xFF, false, false, false, false},
                       {0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                       {0xFF, 0xFF, false, false, false, false}},
                      {T6{0xFE, 0xFE, true, true, true, true},
                       {0xFE, 0xFE, 0x55, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                       {0xFE, 0xFE, true, true, true, true}},
                      {{}, Bytes(8, 0xFF), {0xFF, 0xFF, false, false, false, false}},
                      {{},
                       {0x01, 0x02, 0xAA, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                       {1, 2, false, false, false, false}},
                  });
  using T11 = std::tuple<uint8_t, uint8_t, bool, bool, bool, bool, uint16_t, uint16_t>;
  RunPins<T11, T11>(0x1FEA5, 6, RVC_CODEC(1FEA5),
                    {
                        {T11{0xFF, 0xFF, false, false, false, false, 0xFFFF, 0xFFFF},
                         {0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                         {0xFF, 0xFF, false, false, false, false, 0xFFFF, 0xFFFF}},
                        {T11{0xFE, 0xFE, true, true, true, true, 0xFFFE, 0xFFFE},
                         {0xFE, 0xFE, 0x55, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF},
                         {0xFE, 0xFE, true, true, true, true, 0xFFFE, 0xFFFE}},
                        {T11{250, 0, true, false, true, false, 0xFFFC, 0},
                         {0xFA, 0x00, 0x11, 0xFC, 0xFF, 0x00, 0x00, 0xFF},
                         {250, 0, true, false, true, false, 0xFFFC, 0}},
                        {{},
                         {0x01, 0x02, 0xAA, 0x00, 0x00, 0x00, 0x00, 0xFF},
                         {1, 2, false, false, false, false, 0, 0}},
                    });
}

TEST(RvcMessagesPins, DiagnosticMessage) {
  using T =
      std::tuple<bool, bool, bool, bool, uint8_t, uint32_t, tISOFMIType, uint8_t, uint8_t, uint8_t>;
  RunPins<T, T>(
      0x1FECA, 6, [](tN2kMsg &m, auto... a) { SetISOPGN1FECA(m, a...); },
      [](const tN2kMsg &m, auto &...a) { return ParseISOPGN1FECA(m, a...); },
      {
          {T{true, false, true, false, 0xFF, 0xFFFFFFFF, Code<tISOFMIType>(0xFF), 0xFF, 0xFF, 0xFF},
           {0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           {true, false, true, false, 0xFF, 0x7FFFF, ISOFMI_Unavailable, 0x7F, 0xFF, 0x0F}},
          {T{false, false, false, false, 0, 0, ISOFMI_AboveNormal, 0, 0, 0},
           {0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0xF0},
           {false, false, false, false, 0, 0, ISOFMI_AboveNormal, 0, 0, 0}},
          {T{false, true, false, true, 74, 0x40001, ISOFMI_BelowNormal, 126, 1, 13},
           {0x14, 0x4A, 0x80, 0x00, 0x21, 0xFE, 0x01, 0xFD},
           {false, true, false, true, 74, 0x40001, ISOFMI_BelowNormal, 126, 1, 13}},
          {{},
           {0xAA, 0x4A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           {false, false, false, false, 74, 0x7FFFF, ISOFMI_Unavailable, 0x7F, 0xFF, 0x0F}},
      });
}
