// Every described message through the one encoder and decoder, against wire bytes written
// from protocol.md (canboat samples and the document's examples where it gives them,
// hand-built otherwise), field values as the descriptions must give them, and the
// library's own Set and Parse functions on the same bytes.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "CodecTestUtil.h"
#include "N2kDescriptions.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "RVCMessages.h"

namespace {

constexpr double NA = N2kDoubleNA;

// The decoder takes its own PGN from minLen bytes up, and nothing shorter.
template <typename Parse>
void ExpectOnlyOwnPgn(unsigned long pgn, int minLen, Parse parse) {
  EXPECT_TRUE(parse(Msg(pgn, Bytes(minLen, 0))));
  EXPECT_FALSE(parse(Msg(pgn + 1, Bytes(minLen, 0))));
  EXPECT_FALSE(parse(Msg(pgn, Bytes(minLen - 1, 0))));
}

// The decoder takes its own DGN in exactly 8 bytes and nothing else.
template <typename Parse>
void ExpectOnlyOwnFrame(unsigned long dgn, Parse parse) {
  EXPECT_TRUE(parse(Msg(dgn, Bytes(8, 0))));
  EXPECT_FALSE(parse(Msg(dgn - 1, Bytes(8, 0))));
  EXPECT_FALSE(parse(Msg(dgn, Bytes(7, 0))));
  EXPECT_FALSE(parse(Msg(dgn, Bytes(9, 0))));
}

struct tVector {
  const char *what;
  unsigned long pgn;
  int priority;
  Bytes wire;
  std::vector<double> values;  // physical, in field order; NA where the field holds no value
  std::vector<uint64_t> raw;   // instead, for fields a double does not carry whole
  bool decodeOnly;             // bytes the encoder does not make from these fields
  std::function<void(const Bytes &)> api;  // the library's own functions on these bytes
};

tVector Values(const char *what, unsigned long pgn, int priority, Bytes wire,
               std::vector<double> values, std::function<void(const Bytes &)> api = nullptr) {
  return {what, pgn, priority, std::move(wire), std::move(values), {}, false, std::move(api)};
}
tVector Raw(const char *what, unsigned long pgn, int priority, Bytes wire,
            std::vector<uint64_t> raw, std::function<void(const Bytes &)> api = nullptr) {
  return {what, pgn, priority, std::move(wire), {}, std::move(raw), false, std::move(api)};
}
tVector DecodeOnly(tVector v) {
  v.decodeOnly = true;
  return v;
}

const Bytes kDateTime = {0x18, 0x01, 0x01, 0x02, 0x0C, 0x22, 0x38, 0x05};
const Bytes kCanboatName = {0x58, 0x87, 0xB0, 0x2F, 0x00, 0x82, 0xAA, 0xC0};
constexpr uint64_t kCanboatNameValue = 0xC0AA82002FB08758ull;

std::vector<tVector> NmeaVectors() {
  return {
      Values("126992 canboat: SID 54, GPS, 2022-09-10 12:06:57 UTC", 126992, 3,
             {0x36, 0xF0, 0x2D, 0x4B, 0x10, 0x6D, 0xFF, 0x19}, {54, 0, 19245, 43617.0},
             [](const Bytes &wire) {
               unsigned char a;
               uint16_t date;
               double x;
               tN2kTimeSource source;
               auto parse = [&](const tN2kMsg &t) {
                 return ParseN2kPGN126992(t, a, date, x, source);
               };
               ASSERT_TRUE(parse(Msg(126992, wire)));
               EXPECT_EQ(std::tie(a, date, source), std::make_tuple(54, 19245, N2ktimes_GPS));
               EXPECT_NEAR(x, 43617.0, 1e-6);
               tN2kMsg m;
               SetN2kPGN126992(m, 54, 19245, 43617.0, N2ktimes_GPS);
               ExpectWire(m, 126992, 3, wire);
               ExpectOnlyOwnPgn(126992, 8, parse);
             }),
      Values("127488 canboat: instance 0, 804.5 rpm, boost and trim n/a", 127488, 2,
             {0x00, 0x92, 0x0C, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}, {0, 804.5, NA, NA},
             [](const Bytes &wire) {
               unsigned char a;
               double x, y;
               int8_t trim;
               auto parse = [&](const tN2kMsg &t) { return ParseN2kPGN127488(t, a, x, y, trim); };
               ASSERT_TRUE(parse(Msg(127488, wire)));
               EXPECT_EQ(std::tie(a, x, y, trim), std::make_tuple(0, 804.5, N2kDoubleNA, 0x7F));
               tN2kMsg m;
               SetN2kPGN127488(m, 0, 804.5, N2kDoubleNA, 0x7F);
               ExpectWire(m, 127488, 2, wire);
               ExpectOnlyOwnPgn(127488, 8, parse);
             }),
      // Indicator 1 on, 2 off, 3 error, 4..28 n/a.
      Raw("127501 bank 2", 127501, 3, {0x02, 0xE1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
          {2, 0x00FFFFFFFFFFFFE1ull},
          [](const Bytes &wire) {
            tN2kMsg m;
            SetN2kPGN127501(m, 2, 0x00FFFFFFFFFFFFE1ull);
            ExpectWire(m, 127501, 3, wire);
            unsigned char bank;
            uint64_t status;
            auto parse = [&](const tN2kMsg &t) { return ParseN2kPGN127501(t, bank, status); };
            ASSERT_TRUE(parse(m));
            EXPECT_EQ(std::tie(bank, status), std::make_tuple(2, 0x00FFFFFFFFFFFFE1ull));
            ExpectOnlyOwnPgn(127501, 8, parse);
          }),
      DecodeOnly(Values("127506 canboat, 9-byte form: 1407 min, ripple and capacity n/a", 127506, 6,
                        {0x00, 0x0A, 0x00, 0x64, 0x00, 0x7F, 0x05, 0xFF, 0xFF},
                        {0, 10, 0, 100, 0, 1407 * 60.0, NA, NA},
                        [](const Bytes &wire) {
                          unsigned char sid, instance, soc, soh;
                          tN2kDCType type;
                          double remaining, ripple, capacity;
                          auto parse = [&](const tN2kMsg &t) {
                            return ParseN2kPGN127506(t, sid, instance, type, soc, soh, remaining,
                                                     ripple, capacity);
                          };
                          ASSERT_TRUE(parse(Msg(127506, wire)));
                          EXPECT_EQ(
                              std::tie(sid, instance, type, soc, soh, remaining, ripple, capacity),
                              std::make_tuple(0, 10, N2kDCt_Battery, 100, 0, 1407 * 60.0,
                                              N2kDoubleNA, N2kDoubleNA));
                          ExpectOnlyOwnPgn(127506, 9, parse);
                        })),
      Values("127506 11 bytes: 60 min, 0.050 V ripple, 100 Ah", 127506, 6,
             {0x01, 0x02, 0x00, 0x57, 0x5F, 0x3C, 0x00, 0x32, 0x00, 0x64, 0x00},
             {1, 2, 0, 87, 95, 3600.0, 0.05, 360000.0},
             [](const Bytes &wire) {
               tN2kMsg m;
               SetN2kPGN127506(m, 1, 2, N2kDCt_Battery, 87, 95, 3600, 0.05, 100 * 3600.0);
               ExpectWire(m, 127506, 6, wire);
               unsigned char sid, instance, soc, soh;
               tN2kDCType type;
               double remaining, ripple, capacity;
               ASSERT_TRUE(ParseN2kPGN127506(m, sid, instance, type, soc, soh, remaining, ripple,
                                             capacity));
               EXPECT_EQ(std::tie(remaining, capacity), std::make_tuple(3600.0, 360000.0));
               EXPECT_NEAR(ripple, 0.05, 1e-12);
             }),
      // One fast-packet frame in the document.
      Values("127507: instance 49, battery 0, disabled, standalone, off, pending n/a", 127507, 6,
             {0x31, 0x00, 0x08, 0xFC, 0xFF, 0xFF}, {49, 0, 8, 0, 0, NA, NA},
             [](const Bytes &wire) {
               unsigned char a, b;
               double x;
               tN2kChargeState state;
               tN2kChargerMode mode;
               tN2kOnOff on, pending;
               auto parse = [&](const tN2kMsg &t) {
                 return ParseN2kPGN127507(t, a, b, state, mode, on, pending, x);
               };
               ASSERT_TRUE(parse(Msg(127507, wire)));
               EXPECT_EQ(std::tie(a, b, state, mode, on, pending, x),
                         std::make_tuple(49, 0, N2kCS_Disabled, N2kCM_Standalone, N2kOnOff_Off,
                                         N2kOnOff_Unavailable, N2kDoubleNA));
               tN2kMsg m;
               SetN2kPGN127507(m, 49, 0, N2kCS_Disabled, N2kCM_Standalone, N2kOnOff_Off,
                               N2kOnOff_Unavailable, N2kDoubleNA);
               ExpectWire(m, 127507, 6, wire);
               ExpectOnlyOwnPgn(127507, 6, parse);
             }),
      Values("127508 canboat: 26.11 V, -1.9 A, 289.30 K, SID n/a", 127508, 6,
             {0x00, 0x33, 0x0A, 0xED, 0xFF, 0x02, 0x71, 0xFF}, {0, 26.11, -1.9, 289.30, NA},
             [](const Bytes &wire) {
               unsigned char a, b;
               double x, y, z;
               auto parse = [&](const tN2kMsg &t) { return ParseN2kPGN127508(t, a, x, y, z, b); };
               ASSERT_TRUE(parse(Msg(127508, wire)));
               EXPECT_NEAR(x, 26.11, 1e-9);
               EXPECT_NEAR(y, -1.9, 1e-9);
               EXPECT_NEAR(z, 289.30, 1e-9);
               EXPECT_EQ(b, 0xFF);
               tN2kMsg m;
               SetN2kPGN127508(m, 0, 26.11, -1.9, 289.30, 0xFF);
               ExpectWire(m, 127508, 6, wire);
               ExpectOnlyOwnPgn(127508, 8, parse);
             }),
      Values("127510: on, 80 %, 3-stage, primary, warm, equalize off, overcharge on, 120 min",
             127510, 6, {0x01, 0x02, 0xFD, 0x50, 0x13, 0x41, 0x78, 0x00},
             {1, 2, 1, 80, 3, 1, 1, 0, 1, 7200.0},
             [](const Bytes &wire) {
               tN2kMsg m;
               SetN2kPGN127510(m, 1, 2, N2kOnOff_On, 80, N2kCA_3Stage, N2kCM_Primary, N2kBT_Warm,
                               N2kOnOff_Off, N2kOnOff_On, 7200);
               ExpectWire(m, 127510, 6, wire);
               unsigned char charger, battery;
               tN2kOnOff enable, eq, over;
               double limit, time;
               tN2kChargingAlgorithm alg;
               tN2kChargerMode mode;
               tBattTempNoSensor temp;
               auto parse = [&](const tN2kMsg &t) {
                 return ParseN2kPGN127510(t, charger, battery, enable, limit, alg, mode, temp, eq,
                                          over, time);
               };
               ASSERT_TRUE(parse(m));
               EXPECT_EQ(std::tie(charger, battery, enable, limit, alg, mode, temp, eq, over, time),
                         std::make_tuple(1, 2, N2kOnOff_On, 80.0, N2kCA_3Stage, N2kCM_Primary,
                                         N2kBT_Warm, N2kOnOff_Off, N2kOnOff_On, 7200.0));
               ExpectOnlyOwnPgn(127510, 8, parse);
             }),
      Values("127513: AGM, equalization yes, 12 V, lead acid, 200 Ah, 5 %/C, Peukert 1.25, 95 %",
             127513, 6, {0x01, 0xD2, 0x01, 0xC8, 0x00, 0x05, 0x7D, 0x5F},
             {1, 2, 1, 1, 0, 720000.0, 5, 1.25, 95},
             [](const Bytes &wire) {
               tN2kMsg m;
               SetN2kPGN127513(m, 1, N2kBT_AGM, N2kBES_Yes, N2kBNV_12V, N2kBC_LeadAcid,
                               200 * 3600.0, 5, 1.25, 95);
               ExpectWire(m, 127513, 6, wire);
             }),
      Values("127513: a Peukert exponent below 1.0 cannot be sent", 127513, 6,
             {0x01, 0xD2, 0x01, 0xFF, 0xFF, 0x7F, 0xFF, 0x7F}, {1, 2, 1, 1, 0, NA, NA, NA, NA},
             [](const Bytes &wire) {
               tN2kMsg m;
               SetN2kPGN127513(m, 1, N2kBT_AGM, N2kBES_Yes, N2kBNV_12V, N2kBC_LeadAcid, N2kDoubleNA,
                               0x7F, 0.9, 0x7F);
               ExpectWire(m, 127513, 6, wire);
             }),
      // An unsupported coefficient sent as 0xFF reads as -1, not n/a.
      Values(
          "127513 canboat issue #316", 127513, 6, {0x00, 0xCF, 0x1F, 0x14, 0x00, 0xFF, 0x00, 0x62},
          {0, NA, 0, NA, 1, 72000.0, -1, 1.0, 98},
          [](const Bytes &wire) {
            unsigned char instance;
            tN2kBatType type;
            tN2kBatEqSupport eq;
            tN2kBatNomVolt nominal;
            tN2kBatChem chem;
            double capacity, peukert;
            int8_t coefficient, efficiency;
            auto parse = [&](const tN2kMsg &t) {
              return ParseN2kPGN127513(t, instance, type, eq, nominal, chem, capacity, coefficient,
                                       peukert, efficiency);
            };
            ASSERT_TRUE(parse(Msg(127513, wire)));
            EXPECT_EQ(std::tie(type, eq, nominal, chem, capacity, coefficient, peukert, efficiency),
                      std::make_tuple(N2kBT_TypeUnavailable, N2kBES_No, N2kBNV_Unavailable,
                                      N2kBC_LiIon, 20 * 3600.0, -1, 1.0, 98));
            ExpectOnlyOwnPgn(127513, 8, parse);
          }),
      // Temperature good, overload warning, low DC error, ripple n/a.
      Raw("127750: SID 10, connection 1, float", 127750, 6,
          {0x0A, 0x01, 0x05, 0xE4, 0xFF, 0xFF, 0xFF, 0xFF}, {10, 1, 5, 0, 1, 2, 3},
          [](const Bytes &wire) {
            tN2kMsg m;
            SetN2kPGN127750(m, 10, 1, N2kConvM_Float, N2kTS_Good, N2kOS_Warning, N2kDCVS_Error,
                            N2kRS_Unavailable);
            ExpectWire(m, 127750, 6, wire);
            unsigned char sid, connection;
            tN2kConvMode state;
            tN2kTemperatureState temp;
            tN2kOverloadState overload;
            tN2kDCVolgateState lowDC;
            tN2kRippleState ripple;
            auto parse = [&](const tN2kMsg &t) {
              return ParseN2kPGN127750(t, sid, connection, state, temp, overload, lowDC, ripple);
            };
            ASSERT_TRUE(parse(m));
            EXPECT_EQ(std::tie(sid, connection, state, temp, overload, lowDC, ripple),
                      std::make_tuple(10, 1, N2kConvM_Float, N2kTS_Good, N2kOS_Warning,
                                      N2kDCVS_Error, N2kRS_Unavailable));
            ExpectOnlyOwnPgn(127750, 8, parse);
          }),
  };
}

}  // namespace

namespace {

// 2024-01-01, Monday, 12:34:56, Eastern Standard Time, under each of the three DGNs; each
// decoder takes its own DGN only.
template <typename Set, typename Parse>
std::function<void(const Bytes &)> DateTimeApi(unsigned long dgn, int priority, Set set,
                                               Parse parse) {
  return [=](const Bytes &wire) {
    tN2kMsg m;
    set(m, 24, 1, 1, 2, 12, 34, 56, RVCTZ_EST);
    ExpectWire(m, dgn, priority, wire);
    uint8_t y, mo, d, dow, h, mi, s;
    tRVCTimeZone tz;
    ASSERT_TRUE(parse(m, y, mo, d, dow, h, mi, s, tz));
    EXPECT_EQ(std::tie(y, mo, d, dow, h, mi, s, tz), std::make_tuple(24, 1, 1, 2, 12, 34, 56, 5));
    ExpectOnlyOwnFrame(dgn,
                       [&](const tN2kMsg &x) { return parse(x, y, mo, d, dow, h, mi, s, tz); });
  };
}
#define RVC_DATE_TIME(n) \
  SetRVCPGN##n, [](const tN2kMsg &m, auto &...a) { return ParseRVCPGN##n(m, a...); }

std::vector<tVector> RvcVectors() {
  return {
      Values("1FFFF DATE_TIME_STATUS", 0x1FFFF, 6, kDateTime, {2024, 1, 1, 2, 12, 34, 56, 5},
             DateTimeApi(0x1FFFF, 6, RVC_DATE_TIME(1FFFF))),
      Values("1FFFE SET_DATE_TIME_COMMAND", 0x1FFFE, 5, kDateTime, {2024, 1, 1, 2, 12, 34, 56, 5},
             DateTimeApi(0x1FFFE, 5, RVC_DATE_TIME(1FFFE))),
      Values("1FFA0 read as a date and time", 0x1FFA0, 6, kDateTime, {2024, 1, 1, 2, 12, 34, 56, 5},
             DateTimeApi(0x1FFA0, 6, RVC_DATE_TIME(1FFA0))),
      Values("1FFC7: 14.2 V, 30 A, 100 %, float, enabled at power-up, no auto-recharge", 0x1FFC7, 6,
             {0x01, 0x1C, 0x01, 0x58, 0x7F, 0xC8, 0x06, 0x01}, {1, 14.2, 30, 100, 6, 1, 0, 0},
             [](const Bytes &wire) {
               tN2kMsg m;
               tRVCChrgType t;
               uint8_t i, a;
               uint16_t u, v;
               tRVCBatChrgMode state;
               bool f1, f2;
               tRVCChrgForceChrg forced;
               auto parse = [&](const tN2kMsg &x) {
                 return ParseRVCPGN1FFC7(x, t, i, u, v, a, state, f1, f2, forced);
               };
               SetRVCPGN1FFC7(m, 1, 284, 32600, 200, RVCBCM_Float, true, false, RVCCFC_NotForced);
               ExpectWire(m, 0x1FFC7, 6, wire);
               ASSERT_TRUE(parse(m));
               EXPECT_EQ(std::tie(t, i, u, v, a, state, f1, f2, forced),
                         std::make_tuple(RVCCT_Charger, 1, 284, 32600, 200, RVCBCM_Float, true,
                                         false, RVCCFC_NotForced));
               // Only 01b is "on": 10b (error) and 11b (n/a) read as off.
               m.Data[7] = 0xF6;
               ASSERT_TRUE(parse(m));
               EXPECT_EQ(std::tie(f1, f2, forced),
                         std::make_tuple(false, true, RVCCFC_Unavailable));
               m.Data[7] = 0xFB;
               ASSERT_TRUE(parse(m));
               EXPECT_EQ(std::tie(f1, f2), std::make_tuple(false, false));
               ExpectOnlyOwnFrame(0x1FFC7, parse);
             }),
      Values("1FEA3 document example", 0x1FEA3, 6, {0x01, 0xFF, 0x64, 0x1C, 0x01, 0x58, 0x7F, 0x4B},
             {1, NA, 100, 14.2, 30, 35},
             [](const Bytes &wire) {
               tN2kMsg m;
               tRVCChrgType t;
               uint8_t i, a, b, c;
               uint16_t u, v;
               SetRVCPGN1FEA3(m, 1, 0xFF, 100, 284, 32600, 75);
               ExpectWire(m, 0x1FEA3, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FEA3(m, t, i, a, b, u, v, c));
               EXPECT_EQ(std::tie(t, i, a, b, u, v, c),
                         std::make_tuple(RVCCT_Charger, 1, 0xFF, 100, 284, 32600, 75));
             }),
      Values("1FFC6: 3-stage, linked to DC source, sensor, line 2, AGM, 200 Ah, 40 A max", 0x1FFC6,
             6, {0x01, 0x02, 0x03, 0x25, 0xC8, 0x00, 0x20, 0x80}, {1, 2, 3, 1, 1, 2, 200, 40},
             [](const Bytes &wire) {
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
                 return ParseRVCPGN1FFC6(x, t, i, alg, mode, sense, line, linked, battery, size,
                                         amps);
               };
               SetRVCPGN1FFC6(m, 1, RVCCA_3Stage, RVCCM_LinkedToDC, true, RVCCL_Line2, RVCBT_AGM,
                              200, 32800);
               ExpectWire(m, 0x1FFC6, 6, wire);
               ASSERT_TRUE(parse(m));
               EXPECT_EQ(std::tie(t, i, alg, mode, sense, line, linked, battery, size, amps),
                         std::make_tuple(RVCCT_Charger, 1, RVCCA_3Stage, RVCCM_LinkedToDC, true,
                                         RVCCL_Line2, true, RVCBT_AGM, 200, 40));
               ExpectOnlyOwnFrame(0x1FFC6, parse);
               // Whole amperes, clamped to 0..254, 255 when not available; linked only in
               // mode 3.
               const std::pair<uint16_t, int> currents[] = {
                   {0xFFFF, 255}, {32000 - 200, 0}, {32000, 0},   {32000 + 20 * 253 + 19, 253},
                   {37080, 254},  {38000, 254},     {0xFFFE, 254}};
               for (const auto &c : currents) {
                 SetRVCPGN1FFC6(m, 1, RVCCA_3Stage, RVCCM_Primary, true, RVCCL_Line2, RVCBT_AGM,
                                200, c.first);
                 ASSERT_TRUE(parse(m));
                 EXPECT_EQ(amps, c.second) << c.first;
                 EXPECT_FALSE(linked);
               }
             }),
      Values("1FF96: 100 %, 50 %, 30 A breaker, 25 C, recharge at 12.5 V", 0x1FF96, 6,
             {0x01, 0xC8, 0x64, 0x1E, 0x41, 0xFA, 0x00, 0xFF}, {1, 100, 50, 30, 25, 12.5},
             [](const Bytes &wire) {
               tN2kMsg m;
               tRVCChrgType t;
               uint8_t i, a, b, c, d;
               uint16_t u;
               SetRVCPGN1FF96(m, 1, 200, 100, 30, 65, 250);
               ExpectWire(m, 0x1FF96, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FF96(m, t, i, a, b, c, d, u));
               EXPECT_EQ(std::tie(t, i, a, b, c, d, u),
                         std::make_tuple(RVCCT_Charger, 1, 200, 100, 30, 65, 250));
             }),
      Values("1FECC: bulk 14.4 V, absorption 14.2 V, float 13.6 V, 5 mV/K", 0x1FECC, 6,
             {0x01, 0x20, 0x01, 0x1C, 0x01, 0x10, 0x01, 0x05}, {1, 14.4, 14.2, 13.6, 5},
             [](const Bytes &wire) {
               tN2kMsg m;
               tRVCChrgType t;
               uint8_t i, a;
               uint16_t u, v, w;
               SetRVCPGN1FECC(m, 1, 288, 284, 272, 5);
               ExpectWire(m, 0x1FECC, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FECC(m, t, i, u, v, w, a));
               EXPECT_EQ(std::tie(i, u, v, w, a), std::make_tuple(1, 288, 284, 272, 5));
             }),
      Values("1FEBF: bulk 120 min, absorption 240 min, float n/a", 0x1FEBF, 6,
             {0x01, 0x78, 0x00, 0xF0, 0x00, 0xFF, 0xFF, 0xFF}, {1, 120, 240, NA},
             [](const Bytes &wire) {
               tN2kMsg m;
               tRVCChrgType t;
               uint8_t i;
               uint16_t u, v, w;
               SetRVCPGN1FEBF(m, 1, 120, 240, 0xFFFF);
               ExpectWire(m, 0x1FEBF, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FEBF(m, t, i, u, v, w));
               EXPECT_EQ(std::tie(i, u, v, w), std::make_tuple(1, 120, 240, 0xFFFF));
             }),
      Values("1FF99: 90 min left, pre-charging", 0x1FF99, 6,
             {0x01, 0x5A, 0x00, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF}, {1, 90, 1},
             [](const Bytes &wire) {
               tN2kMsg m;
               tRVCChrgType t;
               uint8_t i;
               uint16_t u;
               bool f;
               SetRVCPGN1FF99(m, 1, 90, true);
               ExpectWire(m, 0x1FF99, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FF99(m, t, i, u, f));
               EXPECT_EQ(std::tie(i, u, f), std::make_tuple(1, 90, true));
             }),
      Values("1FF98: 15.5 V for 120 min", 0x1FF98, 6,
             {0x01, 0x36, 0x01, 0x78, 0x00, 0xFF, 0xFF, 0xFF}, {1, 15.5, 120},
             [](const Bytes &wire) {
               tN2kMsg m;
               tRVCChrgType t;
               uint8_t i;
               uint16_t u, v;
               SetRVCPGN1FF98(m, 1, 310, 120);
               ExpectWire(m, 0x1FF98, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FF98(m, t, i, u, v));
               EXPECT_EQ(std::tie(i, u, v), std::make_tuple(1, 310, 120));
             }),
      Values("1FFFD document example: 13.25 V, -12.5 A", 0x1FFFD, 6,
             {0x01, 0x64, 0x09, 0x01, 0x2C, 0x63, 0x35, 0x77}, {1, 100, 13.25, -12.5},
             [](const Bytes &wire) {
               tN2kMsg m;
               uint8_t i, p;
               uint16_t u;
               uint32_t big;
               SetRVCPGN1FFFD(m, 1, 100, 265, 1999987500u);
               ExpectWire(m, 0x1FFFD, 6, wire);
               auto parse1 = [&](const tN2kMsg &x) { return ParseRVCPGN1FFFD(x, i, p, u, big); };
               ASSERT_TRUE(parse1(m));
               EXPECT_EQ(std::tie(i, p, u, big), std::make_tuple(1, 100, 265, 1999987500u));
               ExpectOnlyOwnFrame(0x1FFFD, parse1);
             }),
      Values("1FFFC document example: 25 C, 87.5 %, 600 min to empty", 0x1FFFC, 6,
             {0x01, 0x64, 0x40, 0x25, 0xAF, 0x58, 0x02, 0xFC}, {1, 100, 25, 87.5, 600, 0},
             [](const Bytes &wire) {
               tN2kMsg m;
               uint8_t i, p, a;
               uint16_t u, v;
               SetRVCPGN1FFFC(m, 1, 100, 9536, 175, 600);
               ExpectWire(m, 0x1FFFC, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FFFC(m, i, p, u, a, v));
               EXPECT_EQ(std::tie(u, a, v), std::make_tuple(9536, 175, 600));
             }),
      Values("1FFFB: SOH 95 %, 180 Ah left, 85.5 %, 25 mV ripple", 0x1FFFB, 6,
             {0x01, 0x78, 0xBE, 0xB4, 0x00, 0xAB, 0x19, 0x00}, {1, 120, 95, 180, 85.5, 25},
             [](const Bytes &wire) {
               tN2kMsg m;
               uint8_t i, p, a, b;
               uint16_t u, v;
               SetRVCPGN1FFFB(m, 1, 120, 190, 180, 171, 25);
               ExpectWire(m, 0x1FFFB, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FFFB(m, i, p, a, u, b, v));
               EXPECT_EQ(std::tie(p, a, u, b, v), std::make_tuple(120, 190, 180, 171, 25));
             }),
      Values("1FEC9: asks for absorption at 14.4 V, 20 A, LiFePO4", 0x1FEC9, 6,
             {0x01, 0x78, 0x03, 0x20, 0x01, 0x90, 0x7E, 0xF3}, {1, 120, 3, 14.4, 20, 3},
             [](const Bytes &wire) {
               tN2kMsg m;
               uint8_t i, p;
               uint16_t u, v;
               tRVCBatChrgMode desired;
               tRVCBatType battery;
               SetRVCPGN1FEC9(m, 1, 120, RVCBCM_Absorption, 288, 32400, RVCBT_LiFePO4);
               ExpectWire(m, 0x1FEC9, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FEC9(m, i, p, desired, u, v, battery));
               EXPECT_EQ(std::tie(desired, u, v, battery),
                         std::make_tuple(RVCBCM_Absorption, 288, 32400, RVCBT_LiFePO4));
             }),
      Values("1FEC8: 13.250 V, dV/dt left at its default n/a", 0x1FEC8, 6,
             {0x01, 0x78, 0xC2, 0x33, 0x00, 0x00, 0xFF, 0xFF}, {1, 120, 13.25, NA},
             [](const Bytes &wire) {
               tN2kMsg m;
               uint8_t i, p;
               uint16_t u;
               uint32_t big;
               SetRVCPGN1FEC8(m, 1, 120, 13250);
               ExpectWire(m, 0x1FEC8, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FEC8(m, i, p, big, u));
               EXPECT_EQ(std::tie(big, u), std::make_tuple(13250u, 0xFFFF));
             }),
      Values("1FEC7: high-voltage limit reached, low-voltage disconnect", 0x1FEC7, 6,
             {0x01, 0x78, 0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
             {1, 120, 1, 0, 0, 1, NA, NA, NA, NA, NA, NA},
             [](const Bytes &wire) {
               tN2kMsg m;
               uint8_t i, p;
               bool f1, f2, f3, f4;
               SetRVCPGN1FEC7(m, 1, 120, true, false, false, true);
               ExpectWire(m, 0x1FEC7, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FEC7(m, i, p, f1, f2, f3, f4));
               EXPECT_EQ(std::tie(f1, f2, f3, f4), std::make_tuple(true, false, false, true));
             }),
      Values("1FEA5: discharge and charge buses connected, 200 Ah, 350 W", 0x1FEA5, 6,
             {0x01, 0x78, 0x05, 0xC8, 0x00, 0x5E, 0x01, 0xFF}, {1, 120, 1, 1, 0, 0, 200, 350},
             [](const Bytes &wire) {
               tN2kMsg m;
               uint8_t i, p;
               uint16_t u, v;
               bool f1, f2, f3, f4;
               SetRVCPGN1FEA5(m, 1, 120, true, true, false, false, 200, 350);
               ExpectWire(m, 0x1FEA5, 6, wire);
               ASSERT_TRUE(ParseRVCPGN1FEA5(m, i, p, f1, f2, f3, f4, u, v));
               EXPECT_EQ(std::tie(f1, f2, f3, f4, u, v),
                         std::make_tuple(true, true, false, false, 200, 350));
             }),
      // The text is the caller's: the encoder leaves it 0xFF.
      DecodeOnly(Values(
          "17E00 TERMINAL: AOK", 0x17E00, 7, {'A', 'O', 'K', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {3},
          [](const Bytes &wire) {
            tN2kMsg m;
            SetRVCPGN17E00(m, 0x42, 3, "AOK");
            ExpectWire(m, 0x17E00, 7, wire);
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
            const std::pair<Bytes, int> counts[] = {{Bytes(8, 'x'), 8},
                                                    {Bytes(8, 0xFF), 0},
                                                    {{'O', 'K'}, 2}};  // short: stops at DataLen
            for (const auto &c : counts) {
              ASSERT_TRUE(ParseRVCPGN17E00(Msg(0x17E00, c.first), address, count, chars));
              EXPECT_EQ(count, c.second);
            }
            EXPECT_FALSE(ParseRVCPGN17E00(Msg(0x17E00, {}), address, count, chars));
            EXPECT_FALSE(ParseRVCPGN17E00(Msg(0x17E00, Bytes(9, 'x')), address, count, chars));
            EXPECT_FALSE(ParseRVCPGN17E00(Msg(0x17F00, Bytes(8, 'x')), address, count, chars));
          })),
      Values("1FECA document example: on, active, no fault, converter #1", 0x1FECA, 6,
             {0x05, 0x4A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {1, 1, 0, 0, 74, NA, NA, NA, NA, NA},
             [](const Bytes &wire) {
               tN2kMsg m;
               bool on, active, red, yellow;
               uint8_t dsa, count, ext, bank;
               uint32_t spn;
               tISOFMIType fmi;
               auto parse = [&](const tN2kMsg &x) {
                 return ParseISOPGN1FECA(x, on, active, red, yellow, dsa, spn, fmi, count, ext,
                                         bank);
               };
               SetISOPGN1FECA(m, true, true, false, false, 74, 0x7FFFF, ISOFMI_Unavailable, 0x7F,
                              0xFF, 0x0F);
               ExpectWire(m, 0x1FECA, 6, wire);
               ASSERT_TRUE(parse(m));
               EXPECT_EQ(std::tie(on, active, red, yellow, dsa, spn, fmi, count, ext, bank),
                         std::make_tuple(true, true, false, false, 74, 0x7FFFFu, ISOFMI_Unavailable,
                                         0x7F, 0xFF, 0x0F));
               ExpectOnlyOwnFrame(0x1FECA, parse);
             }),
      // SPN example b2 01, b3 03, b4 C0: SPN 2078, FMI 0.
      Values("1FECA document SPN: red lamp, 3 times, bank 2", 0x1FECA, 6,
             {0x40, 0x4A, 0x01, 0x03, 0xC0, 0x83, 0xFF, 0xF2}, {0, 0, 0, 1, 74, 2078, 0, 3, NA, 2},
             [](const Bytes &wire) {
               tN2kMsg m;
               bool on, active, red, yellow;
               uint8_t dsa, count, ext, bank;
               uint32_t spn;
               tISOFMIType fmi;
               SetISOPGN1FECA(m, false, false, true, false, 74, 2078, ISOFMI_AboveNormal, 3, 0xFF,
                              2);
               ExpectWire(m, 0x1FECA, 6, wire);
               ASSERT_TRUE(
                   ParseISOPGN1FECA(m, on, active, red, yellow, dsa, spn, fmi, count, ext, bank));
               EXPECT_EQ(std::tie(on, red, yellow, spn, fmi, count, bank),
                         std::make_tuple(false, true, false, 2078u, ISOFMI_AboveNormal, 3, 2));
             }),
      // Yellow lamp alone is 01b in bits 4-5; SPN 100, FMI 4.
      Values("1FECA yellow lamp", 0x1FECA, 6, {0x10, 0x4A, 0x00, 0x0C, 0x84, 0x81, 0x00, 0xF0},
             {0, 0, 1, 0, 74, 100, 4, 1, 0, 0},
             [](const Bytes &wire) {
               tN2kMsg m;
               bool on, active, red, yellow;
               uint8_t dsa, count, ext, bank;
               uint32_t spn;
               tISOFMIType fmi;
               SetISOPGN1FECA(m, false, false, false, true, 74, 100, ISOFMI_ShortLow, 1, 0, 0);
               ExpectWire(m, 0x1FECA, 6, wire);
               ASSERT_TRUE(
                   ParseISOPGN1FECA(m, on, active, red, yellow, dsa, spn, fmi, count, ext, bank));
               EXPECT_EQ(std::tie(red, yellow), std::make_tuple(false, true));
             }),
  };
}

}  // namespace

namespace {

std::vector<tVector> IsoVectors() {
  Bytes commanded = kCanboatName;
  commanded.push_back(0x42);
  return {
      // Unique number 1083224, manufacturer 381, function 130, class 85, industry 4, AAC.
      Raw("60928 canboat NAME", 60928, 6, kCanboatName, {1083224, 381, 0, 0, 130, 0, 85, 0, 4, 1},
          [](const Bytes &wire) {
            uint64_t name;
            ASSERT_TRUE(ParseN2kPGN60928(Msg(60928, wire), name));
            EXPECT_EQ(name, kCanboatNameValue);
            EXPECT_FALSE(ParseN2kPGN60928(Msg(60928, Bytes(7, 0)), name));
            tN2kName n = tN2kName::Unpack(name);
            EXPECT_EQ(std::tie(n.UniqueNumber, n.ManufacturerCode, n.DeviceInstanceLower,
                               n.DeviceInstanceUpper, n.DeviceFunction, n.DeviceClass,
                               n.SystemInstance, n.IndustryGroup, n.ArbitraryAddressCapable),
                      std::make_tuple(1083224u, 381, 0, 0, 130, 85, 0, 4, true));
            EXPECT_EQ(n.Pack(), name);
            tN2kMsg m;
            SetN2kPGN60928(m, name);
            ExpectWire(m, 60928, 6, 255, wire);
            // Oversized fields are cut to their widths: unique 0x1FFFFF, lower instance 7,
            // class 127 (reserved bit 48 stays 0), industry group 7.
            tN2kName big;
            big.UniqueNumber = 0x3FFFFF;
            big.DeviceInstanceLower = 0x0F;
            big.DeviceClass = 0xFF;
            big.IndustryGroup = 0x0F;
            big.ArbitraryAddressCapable = false;
            EXPECT_EQ(big.Pack(), 0x70FE0007001FFFFFull);
          }),
      Values("59904 request for the address claim", 59904, 6, {0x00, 0xEE, 0x00}, {60928},
             [](const Bytes &wire) {
               tN2kMsg m;
               unsigned long pgn = 0;
               SetN2kPGN59904(m, 0x23, 60928);
               ExpectWire(m, 59904, 6, 0x23, wire);
               ASSERT_TRUE(ParseN2kPGN59904(Msg(59904, {0x14, 0xF0, 0x01}), pgn));
               EXPECT_EQ(pgn, 126996u);
               for (const Bytes &bad : {Bytes{0x00, 0xEE}, Bytes(9, 0)})
                 EXPECT_FALSE(ParseN2kPGN59904(Msg(59904, bad), pgn));
               EXPECT_FALSE(ParseN2kPGN59904(Msg(59392, {0x00, 0xEE, 0x00}), pgn));
             }),
      // The RV-C form pads the request with instance bytes.
      DecodeOnly(Values("59904 RV-C form", 59904, 6,
                        {0x00, 0xEE, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {60928},
                        [](const Bytes &wire) {
                          unsigned long pgn = 0;
                          ASSERT_TRUE(ParseN2kPGN59904(Msg(59904, wire), pgn));
                          EXPECT_EQ(pgn, 60928u);
                        })),
      Values("59392 NAK of a product information request", 59392, 6,
             {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x14, 0xF0, 0x01}, {1, NA, 126996},
             [](const Bytes &nak) {
               tN2kMsg m;
               unsigned long pgn = 0;
               SetN2kPGN59392(m, 0x10, N2kAck_NAK, 0xFF, 126996);
               ExpectWire(m, 59392, 6, 0x10, nak);
               tN2kAckControl control;
               unsigned char group;
               ASSERT_TRUE(ParseN2kPGN59392(m, control, group, pgn));
               EXPECT_EQ(std::tie(control, group, pgn),
                         std::make_tuple(N2kAck_NAK, 0xFF, 126996ul));
               // RV-C code 7 ("needs more time") has no NMEA equivalent; 7 bytes are too few.
               EXPECT_FALSE(ParseN2kPGN59392(
                   Msg(59392, {7, 0xFF, 0xFF, 0xFF, 0xFF, 0x14, 0xF0, 0x01}), control, group, pgn));
               EXPECT_FALSE(ParseN2kPGN59392(Msg(59392, Bytes(nak.begin(), nak.end() - 1)), control,
                                             group, pgn));
             }),
      Raw("65240 commanded address", 65240, 6, commanded, {kCanboatNameValue, 0x42},
          [](const Bytes &wire) {
            tN2kMsg m;
            SetN2kPGN65240(m, kCanboatNameValue, 0x42);
            ExpectWire(m, 65240, 6, 255, wire);
            uint64_t name;
            unsigned char address;
            ASSERT_TRUE(ParseN2kPGN65240(m, name, address));
            EXPECT_EQ(std::tie(name, address), std::make_tuple(kCanboatNameValue, 0x42));
            EXPECT_FALSE(ParseN2kPGN65240(Msg(65240, kCanboatName), name, address));
          }),
      // Controller 1 error active, controller 2 n/a, equipment operational.
      Values("126993 canboat heartbeat: 60 s, counter 155", 126993, 7,
             {0x60, 0xEA, 0x9B, 0xCC, 0xFF, 0xFF, 0xFF, 0xFF}, {60.0, 155, 0, NA, 0},
             [](const Bytes &wire) {
               tN2kMsg m;
               SetN2kPGN126993(m, 60000, 155);
               ExpectWire(m, 126993, 7, 255, wire);
               uint32_t interval;
               unsigned char counter;
               ASSERT_TRUE(ParseN2kPGN126993(Msg(126993, wire), interval, counter));
               EXPECT_EQ(std::tie(interval, counter), std::make_tuple(60000u, 155));
               EXPECT_FALSE(ParseN2kPGN126993(Msg(126993, Bytes(7, 0)), interval, counter));
               SetN2kPGN126993(m, 70000, 0);  // does not fit the 16-bit field
               EXPECT_EQ(std::tie(m.Data[0], m.Data[1]), std::make_tuple(0xFF, 0xFF));
             }),
  };
}

}  // namespace

TEST(MessageTable, EveryDescribedMessageOnTheWire) {
  std::set<unsigned long> covered;
  for (const auto &vectors : {IsoVectors(), NmeaVectors(), RvcVectors()}) {
    for (const tVector &v : vectors) {
      SCOPED_TRACE(v.what);
      const tN2kMsgDesc *desc = N2kFindDesc(v.pgn);
      ASSERT_NE(desc, nullptr);
      covered.insert(v.pgn);
      EXPECT_EQ(desc->FastPacket, IsDefaultFastPacketMessage(v.pgn));
      const size_t n = v.raw.empty() ? v.values.size() : v.raw.size();
      ASSERT_EQ(desc->FieldCount, n);
      tN2kFieldValue f[kN2kMaxFields];
      ASSERT_TRUE(N2kDecodeFields(*desc, Msg(v.pgn, v.wire), f));
      for (size_t i = 0; i < n; i++) {
        if (v.raw.empty())
          ExpectSameValue(f[i].Value, v.values[i], i);
        else
          EXPECT_EQ(f[i].Raw, v.raw[i]) << "field " << i;
      }
      if (!v.decodeOnly) {
        tN2kMsg m;
        if (v.raw.empty())
          N2kEncode(*desc, v.values.data(), static_cast<int>(n), m);
        else
          N2kEncodeRaw(*desc, v.raw.data(), static_cast<int>(n), m);
        ExpectWire(m, v.pgn, v.priority, v.wire);
      }
      if (v.api) v.api(v.wire);
    }
  }
  int count = 0;
  const tN2kMsgDesc *const *all = N2kAllDescs(count);
  EXPECT_EQ(count, 34);
  for (int i = 0; i < count; i++) EXPECT_EQ(covered.count(all[i]->Pgn), 1u) << all[i]->Name;
}

// What a log line or a published value reads: a field by name, its unit, and whether it
// holds a value.
TEST(MessageTable, FieldsByNameWithUnitsAndCodes) {
  tN2kFieldValue f[kN2kMaxFields];
  // DC source status 1: voltage not available, current at its error code.
  ASSERT_TRUE(N2kDecodeFields(kRvcDescDCSourceStatus1,
                              Msg(0x1FFFD, {0x01, 0x64, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}), f));
  const int vdc = N2kFieldIndex(kRvcDescDCSourceStatus1, "Vdc");
  const int adc = N2kFieldIndex(kRvcDescDCSourceStatus1, "Adc");
  ASSERT_EQ(std::tie(vdc, adc), std::make_tuple(2, 3));
  EXPECT_EQ(std::string(f[vdc].Field->Unit) + f[adc].Field->Unit, "VA");
  EXPECT_EQ(std::tie(f[vdc].NotAvailable, f[vdc].Error, f[vdc].Value),
            std::make_tuple(true, false, NA));
  EXPECT_EQ(std::tie(f[adc].NotAvailable, f[adc].Error, f[adc].Raw, f[adc].Value),
            std::make_tuple(false, true, uint64_t{0xFFFFFFFE}, NA));
  EXPECT_EQ(N2kFieldIndex(kRvcDescDCSourceStatus1, "Volts"), -1);

  // Battery status: the library's units; a reserved raw is no value but not "not available".
  ASSERT_TRUE(N2kDecodeFields(kN2kDescBatteryStatus,
                              Msg(127508, {0x00, 0x33, 0x0A, 0xFD, 0x7F, 0x02, 0x71, 0xFF}), f));
  const int volts = N2kFieldIndex(kN2kDescBatteryStatus, "BatteryVoltage");
  const int amps = N2kFieldIndex(kN2kDescBatteryStatus, "BatteryCurrent");
  const int kelvin = N2kFieldIndex(kN2kDescBatteryStatus, "BatteryTemperature");
  EXPECT_EQ(std::string(f[volts].Field->Unit) + f[amps].Field->Unit + f[kelvin].Field->Unit, "VAK");
  EXPECT_EQ(std::tie(f[amps].NotAvailable, f[amps].Error, f[amps].Value),
            std::make_tuple(false, false, NA));

  // A field past a short message's end reads as not available; another PGN is refused.
  ASSERT_TRUE(N2kDecodeFields(kN2kDescDCDetailedStatus,
                              Msg(127506, {0, 1, 0, 50, 90, 0x3C, 0x00, 0x32, 0x00, 0x64}), f));
  EXPECT_EQ(std::tie(f[7].NotAvailable, f[7].Value), std::make_tuple(true, NA));
  EXPECT_FALSE(N2kDecodeFields(kN2kDescDCDetailedStatus, Msg(127507, Bytes(11, 0)), f));
}
