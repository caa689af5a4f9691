// NMEA 2000 data messages at the edges of their fields, against byte vectors written
// from protocol.md; each message's sample is in test_message_table.cpp.
#include <gtest/gtest.h>

#include <limits>
#include <tuple>

#include "CodecTestUtil.h"
#include "N2kMessages.h"

TEST(N2kMessages, BatteryStatusNotAvailable) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // 4000 is out of range for voltage, current and temperature alike; so is -5 K.
  for (double bad : {N2kDoubleNA, nan, inf, -inf, 4000.0}) {
    tN2kMsg m;
    SetN2kPGN127508(m, 1, bad, bad, bad, 7);
    ExpectWire(m, 127508, 6, {0x01, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0xFF, 0x07});
    unsigned char instance, sid;
    double volts, amps, kelvin;
    ASSERT_TRUE(ParseN2kPGN127508(m, instance, volts, amps, kelvin, sid));
    EXPECT_EQ(std::tie(volts, amps, kelvin),
              std::make_tuple(N2kDoubleNA, N2kDoubleNA, N2kDoubleNA));
  }
  tN2kMsg m;
  SetN2kPGN127508(m, 1, 12.0, 0.0, -5.0);
  EXPECT_EQ(std::tie(m.Data[5], m.Data[6]), std::make_tuple(0xFF, 0xFF));
}

// Values past a field's stated range go out as not available, and raws past it (the
// error and reserved codes included) read back as not available, never as values.
TEST(N2kMessages, OutOfRangeIsNotAvailableBothWays) {
  unsigned char a, b;
  uint16_t date;
  double x, y, z;
  tN2kTimeSource source;
  auto parseTime = [&](const tN2kMsg &t) { return ParseN2kPGN126992(t, a, date, x, source); };

  // 90000 s would be raw 900000000 (25:00:00 to a peer).
  tN2kMsg m;
  SetN2kPGN126992(m, 1, 19723, 90000.0, N2ktimes_GPS);
  ExpectWire(m, 126992, 3, {0x01, 0xF0, 0x0B, 0x4D, 0xFF, 0xFF, 0xFF, 0xFF});
  SetN2kPGN126992(m, 1, 19723, 86400.0001, N2ktimes_GPS);  // raw 864000001: a leap second
  ExpectWire(m, 126992, 3, {0x01, 0xF0, 0x0B, 0x4D, 0x01, 0x98, 0x7F, 0x33});
  SetN2kPGN126992(m, 1, 19723, 86401.0001, N2ktimes_GPS);
  ExpectWire(m, 126992, 3, {0x01, 0xF0, 0x0B, 0x4D, 0xFF, 0xFF, 0xFF, 0xFF});
  // Raw 900000000 = 0x35A4E900; raw 864010000 = 0x337FBF10 is the last valid one.
  ASSERT_TRUE(parseTime(Msg(126992, {0x01, 0xF0, 0x0B, 0x4D, 0x00, 0xE9, 0xA4, 0x35})));
  EXPECT_EQ(x, N2kDoubleNA);
  ASSERT_TRUE(parseTime(Msg(126992, {0x01, 0xF0, 0x0B, 0x4D, 0x11, 0xBF, 0x7F, 0x33})));
  EXPECT_EQ(x, N2kDoubleNA);
  ASSERT_TRUE(parseTime(Msg(126992, {0x01, 0xF0, 0x0B, 0x4D, 0x10, 0xBF, 0x7F, 0x33})));
  EXPECT_NEAR(x, 86401.0, 1e-6);

  // Peukert 1.502 would be raw 251; 1.500 is raw 250 (0xFA), the last valid one.
  SetN2kPGN127513(m, 1, N2kBT_AGM, N2kBES_Yes, N2kBNV_12V, N2kBC_LeadAcid, N2kDoubleNA, 0x7F, 1.502,
                  0x7F);
  EXPECT_EQ(m.Data[6], 0xFF);
  SetN2kPGN127513(m, 1, N2kBT_AGM, N2kBES_Yes, N2kBNV_12V, N2kBC_LeadAcid, N2kDoubleNA, 0x7F, 1.5,
                  0x7F);
  EXPECT_EQ(m.Data[6], 0xFA);
  tN2kBatType type;
  tN2kBatEqSupport eq;
  tN2kBatNomVolt nominal;
  tN2kBatChem chem;
  int8_t coefficient, efficiency;
  auto peukert = [&](uint8_t raw) {
    double p = 0;
    EXPECT_TRUE(ParseN2kPGN127513(Msg(127513, {0x01, 0xD2, 0x01, 0xFF, 0xFF, 0x7F, raw, 0x7F}), a,
                                  type, eq, nominal, chem, x, coefficient, p, efficiency));
    return p;
  };
  EXPECT_EQ(peukert(0xFB), N2kDoubleNA);
  EXPECT_EQ(peukert(0xFE), N2kDoubleNA);
  EXPECT_NEAR(peukert(0xFA), 1.5, 1e-12);

  // Error (0xFFFE) and reserved (0xFFFD) engine speeds; 0xFFFC is 16383 rpm.
  int8_t trim;
  for (uint8_t low : {0xFE, 0xFD}) {
    ASSERT_TRUE(ParseN2kPGN127488(Msg(127488, {0x00, low, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}), a,
                                  x, y, trim));
    EXPECT_EQ(x, N2kDoubleNA) << int(low);
  }
  ASSERT_TRUE(ParseN2kPGN127488(Msg(127488, {0x00, 0xFC, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}), a, x,
                                y, trim));
  EXPECT_EQ(x, 16383.0);

  // Battery voltage 0x7FFE (error) and temperature 0xFFFD (reserved).
  ASSERT_TRUE(ParseN2kPGN127508(Msg(127508, {0x00, 0xFE, 0x7F, 0x00, 0x00, 0xFD, 0xFF, 0x01}), a, x,
                                y, z, b));
  EXPECT_EQ(std::tie(x, y, z), std::make_tuple(N2kDoubleNA, 0.0, N2kDoubleNA));
}

// ---- Pins: not available, error, maximum, negative and half-step values as the codecs
// have always done them. A row without arguments only decodes.

namespace {
constexpr double NA = N2kDoubleNA;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
#define N2K_CODEC(n)                                    \
  [](tN2kMsg &m, auto... a) { SetN2kPGN##n(m, a...); }, \
      [](const tN2kMsg &m, auto &...a) { return ParseN2kPGN##n(m, a...); }
}  // namespace

TEST(N2kMessagesPins, SystemTime) {
  using T = std::tuple<unsigned char, uint16_t, double, tN2kTimeSource>;
  const auto src = [](int s) { return static_cast<tN2kTimeSource>(s); };
  RunPins<T, T>(
      126992, 3, N2K_CODEC(126992),
      {
          {T{0xFF, 0xFFFF, NA, N2ktimes_Unavailable},
           {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
          {T{0xFE, 0xFFFE, kNaN, src(14)},
           {0xFE, 0xFE, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           T{0xFE, 0xFFFE, NA, src(14)}},
          {T{0xFC, 0xFFFC, 86401.0, N2ktimes_LocalCrystalClock},
           {0xFC, 0xF5, 0xFC, 0xFF, 0x10, 0xBF, 0x7F, 0x33}},
          {T{1, 0, 0.00005, N2ktimes_GPS},
           {0x01, 0xF0, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},
           T{1, 0, 0.0001, N2ktimes_GPS}},
          {T{1, 0, -0.00004, N2ktimes_GPS},
           {0x01, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
           T{1, 0, 0.0, N2ktimes_GPS}},
          {T{1, 0, -0.0001, N2ktimes_GPS},
           {0x01, 0xF0, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},
           T{1, 0, NA, N2ktimes_GPS}},
          {{}, {0x01, 0xF0, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF}, T{1, 0, NA, N2ktimes_GPS}},
      });
}

TEST(N2kMessagesPins, EngineRapid) {
  using T = std::tuple<unsigned char, double, double, int8_t>;
  RunPins<T, T>(
      127488, 2, N2K_CODEC(127488),
      {
          {T{0xFF, NA, NA, 0x7F}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF}},
          {T{0xFC, 16383.0, 6553200.0, 124}, {0xFC, 0xFC, 0xFF, 0xFC, 0xFF, 0x7C, 0xFF, 0xFF}},
          {T{0xFE, 16383.25, 6553300.0, 0x7E},
           {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x7E, 0xFF, 0xFF},
           T{0xFE, NA, NA, 0x7E}},
          {T{0, -0.25, -100.0, -128},
           {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0xFF, 0xFF},
           T{0, NA, NA, -128}},
          {T{0, 0.125, 50.0, -1},
           {0x00, 0x01, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF},
           T{0, 0.25, 100.0, -1}},
          {{}, {0x00, 0x00, 0x00, 0xFD, 0xFF, 0x00, 0xFF, 0xFF}, T{0, 0.0, NA, 0}},
      });
}

TEST(N2kMessagesPins, BinarySwitchBank) {
  using T = std::tuple<unsigned char, uint64_t>;
  RunPins<T, T>(127501, 3, N2K_CODEC(127501),
                {
                    {T{0xFF, 0x00FFFFFFFFFFFFFFull}, Bytes(8, 0xFF)},
                    {T{1, 0xFFFFFFFFFFFFFFFFull},
                     {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                     T{1, 0x00FFFFFFFFFFFFFFull}},
                    {T{1, 0x00AAAAAAAAAAAAAAull}, {0x01, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}},
                    {T{1, 0x0040000000000000ull}, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40}},
                });
}

TEST(N2kMessagesPins, DCDetailedStatus) {
  using T = std::tuple<unsigned char, unsigned char, tN2kDCType, unsigned char, unsigned char,
                       double, double, double>;
  const auto type = [](int t) { return static_cast<tN2kDCType>(t); };
  RunPins<T, T>(
      127506, 6, N2K_CODEC(127506),
      {
          {T{0xFF, 0xFF, N2kDCt_Unavailable, 0xFF, 0xFF, NA, NA, NA}, Bytes(11, 0xFF)},
          {T{0xFE, 0xFE, type(254), 0xFE, 0xFE, kInf, kNaN, -kInf},
           {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           T{0xFE, 0xFE, type(254), 0xFE, 0xFE, NA, NA, NA}},
          {T{0xFC, 0xFC, N2kDCt_WindGenerator, 0xFC, 0xFC, 3931920.0, 65.532, 235915200.0},
           {0xFC, 0xFC, 0x04, 0xFC, 0xFC, 0xFC, 0xFF, 0xFC, 0xFF, 0xFC, 0xFF}},
          {T{0, 1, N2kDCt_Battery, 0, 0, 30.0, 0.0005, 1800.0},
           {0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00},
           T{0, 1, N2kDCt_Battery, 0, 0, 60.0, 0.001, 3600.0}},
          {T{0, 1, N2kDCt_Battery, 0, 0, -60.0, -0.001, -3600.0},
           {0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           T{0, 1, N2kDCt_Battery, 0, 0, NA, NA, NA}},
          {{},
           {0x00, 0x01, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFD, 0xFF, 0x64},
           T{0, 1, N2kDCt_Battery, 0, 0, NA, NA, NA}},
      });
}

TEST(N2kMessagesPins, ChargerStatus) {
  using T = std::tuple<unsigned char, unsigned char, tN2kChargeState, tN2kChargerMode, tN2kOnOff,
                       tN2kOnOff, double>;
  const auto mode = [](int m) { return static_cast<tN2kChargerMode>(m); };
  RunPins<T, T>(127507, 6, N2K_CODEC(127507),
                {
                    {T{0xFF, 0xFF, N2kCS_Unavailable, N2kCM_Unavailable, N2kOnOff_Unavailable,
                       N2kOnOff_Unavailable, NA},
                     Bytes(6, 0xFF)},
                    {T{0xFE, 0xFE, N2kCS_Error, mode(14), N2kOnOff_Error, N2kOnOff_Error, kNaN},
                     {0xFE, 0xFE, 0xEE, 0xFA, 0xFF, 0xFF},
                     T{0xFE, 0xFE, N2kCS_Error, mode(14), N2kOnOff_Error, N2kOnOff_Error, NA}},
                    {T{0xFC, 0xFC, N2kCS_Fault, N2kCM_Echo, N2kOnOff_On, N2kOnOff_On, 3931920.0},
                     {0xFC, 0xFC, 0x39, 0xF5, 0xFC, 0xFF}},
                    {T{1, 2, N2kCS_Bulk, N2kCM_Primary, N2kOnOff_Off, N2kOnOff_On, 30.0},
                     {0x01, 0x02, 0x11, 0xF4, 0x01, 0x00},
                     T{1, 2, N2kCS_Bulk, N2kCM_Primary, N2kOnOff_Off, N2kOnOff_On, 60.0}},
                    {T{1, 2, N2kCS_Bulk, N2kCM_Primary, N2kOnOff_Off, N2kOnOff_On, -30.0},
                     {0x01, 0x02, 0x11, 0xF4, 0xFF, 0xFF},
                     T{1, 2, N2kCS_Bulk, N2kCM_Primary, N2kOnOff_Off, N2kOnOff_On, NA}},
                });
}

TEST(N2kMessagesPins, BatteryStatus) {
  using T = std::tuple<unsigned char, double, double, double, unsigned char>;
  RunPins<T, T>(
      127508, 6, N2K_CODEC(127508),
      {
          {T{1, NA, NA, NA, 0xFF}, {0x01, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF}},
          {T{252, 327.64, 3276.4, 655.32, 252}, {0xFC, 0xFC, 0x7F, 0xFC, 0x7F, 0xFC, 0xFF, 0xFC}},
          {T{1, 327.65, 3276.5, 655.33, 1},
           {0x01, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0xFF, 0x01},
           T{1, NA, NA, NA, 1}},
          {T{1, -327.68, -3276.8, 0.0, 1}, {0x01, 0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x01}},
          {T{1, -327.69, -3276.9, -0.01, 1},
           {0x01, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0xFF, 0x01},
           T{1, NA, NA, NA, 1}},
          {T{1, 0.005, -0.05, 0.005, 1},
           {0x01, 0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x01},
           T{1, 0.01, -0.1, 0.01, 1}},
          {{}, {0x01, 0xFE, 0x7F, 0xFD, 0x7F, 0xFE, 0xFF, 0x01}, T{1, NA, NA, NA, 1}},
      });
}

TEST(N2kMessagesPins, ChargerConfigurationStatus) {
  using T = std::tuple<unsigned char, unsigned char, tN2kOnOff, double, tN2kChargingAlgorithm,
                       tN2kChargerMode, tBattTempNoSensor, tN2kOnOff, tN2kOnOff, double>;
  const auto mode = [](int m) { return static_cast<tN2kChargerMode>(m); };
  const auto temp = [](int t) { return static_cast<tBattTempNoSensor>(t); };
  const tN2kOnOff off = N2kOnOff_Off, on = N2kOnOff_On, err = N2kOnOff_Error,
                  na = N2kOnOff_Unavailable;
  RunPins<T, T>(
      127510, 6, N2K_CODEC(127510),
      {
          {T{0xFF, 0xFF, na, NA, N2kCA_Unavailable, N2kCM_Unavailable, N2kBT_Unavailable, na, na,
             NA},
           Bytes(8, 0xFF)},
          {T{0xFE, 0xFE, err, kNaN, N2kCA_Error, mode(14), temp(14), err, err, kInf},
           {0xFE, 0xFE, 0xFE, 0xFF, 0xEE, 0xAE, 0xFF, 0xFF},
           T{0xFE, 0xFE, err, NA, N2kCA_Error, mode(14), temp(14), err, err, NA}},
          {T{0xFC, 0xFC, on, 252.0, N2kCA_3Stage, N2kCM_Echo, N2kBT_Hot, on, on, 3931920.0},
           {0xFC, 0xFC, 0xFD, 0xFC, 0x33, 0x52, 0xFC, 0xFF}},
          {T{1, 2, off, 0.5, N2kCA_Trickle, N2kCM_Standalone, N2kBT_Cold, off, off, 30.0},
           {0x01, 0x02, 0xFC, 0x01, 0x00, 0x00, 0x01, 0x00},
           T{1, 2, off, 1.0, N2kCA_Trickle, N2kCM_Standalone, N2kBT_Cold, off, off, 60.0}},
          {T{1, 2, off, -0.5, N2kCA_Trickle, N2kCM_Standalone, N2kBT_Cold, off, off, -30.0},
           {0x01, 0x02, 0xFC, 0xFF, 0x00, 0x00, 0xFF, 0xFF},
           T{1, 2, off, NA, N2kCA_Trickle, N2kCM_Standalone, N2kBT_Cold, off, off, NA}},
          {T{1, 2, off, 253.0, N2kCA_Trickle, N2kCM_Standalone, N2kBT_Cold, off, off, 0.0},
           {0x01, 0x02, 0xFC, 0xFF, 0x00, 0x00, 0x00, 0x00},
           T{1, 2, off, NA, N2kCA_Trickle, N2kCM_Standalone, N2kBT_Cold, off, off, 0.0}},
          {{},
           {0x01, 0x02, 0xFC, 0xFD, 0x00, 0x00, 0xFE, 0xFF},
           T{1, 2, off, NA, N2kCA_Trickle, N2kCM_Standalone, N2kBT_Cold, off, off, NA}},
      });
}

TEST(N2kMessagesPins, BatteryConfigurationStatus) {
  using T = std::tuple<unsigned char, tN2kBatType, tN2kBatEqSupport, tN2kBatNomVolt, tN2kBatChem,
                       double, int8_t, double, int8_t>;
  const auto type = [](int t) { return static_cast<tN2kBatType>(t); };
  const auto volt = [](int v) { return static_cast<tN2kBatNomVolt>(v); };
  const auto chem = [](int c) { return static_cast<tN2kBatChem>(c); };
  RunPins<T, T>(
      127513, 6, N2K_CODEC(127513),
      {
          {T{0xFF, N2kBT_TypeUnavailable, N2kBES_Unavailable, N2kBNV_Unavailable, N2kBC_Unavailable,
             NA, 0x7F, NA, 0x7F},
           {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x7F}},
          {T{0xFE, type(14), N2kBES_Error, volt(14), chem(14), kNaN, 0x7E, kInf, 0x7E},
           {0xFE, 0xEE, 0xEE, 0xFF, 0xFF, 0x7E, 0xFF, 0x7E},
           T{0xFE, type(14), N2kBES_Error, volt(14), chem(14), NA, 0x7E, NA, 0x7E}},
          {T{0xFC, N2kBT_AGM, N2kBES_Yes, N2kBNV_48V, N2kBC_NiMh, 235915200.0, 124, 1.5, 124},
           {0xFC, 0xD2, 0x46, 0xFC, 0xFF, 0x7C, 0xFA, 0x7C}},
          {T{1, N2kBT_Flooded, N2kBES_No, N2kBNV_6V, N2kBC_LeadAcid, -3600.0, -128, 0.998, -128},
           {0x01, 0xC0, 0x00, 0xFF, 0xFF, 0x80, 0xFF, 0x80},
           T{1, N2kBT_Flooded, N2kBES_No, N2kBNV_6V, N2kBC_LeadAcid, NA, -128, NA, -128}},
          {T{1, N2kBT_Flooded, N2kBES_No, N2kBNV_6V, N2kBC_LeadAcid, 1800.0, 0, 1.001, 0},
           {0x01, 0xC0, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00},
           T{1, N2kBT_Flooded, N2kBES_No, N2kBNV_6V, N2kBC_LeadAcid, 3600.0, 0, 1.0, 0}},
          {{},
           {0x01, 0xC0, 0x00, 0xFD, 0xFF, 0x00, 0x00, 0x00},
           T{1, N2kBT_Flooded, N2kBES_No, N2kBNV_6V, N2kBC_LeadAcid, NA, 0, 1.0, 0}},
      });
}

TEST(N2kMessagesPins, ConverterStatus) {
  using T = std::tuple<unsigned char, unsigned char, tN2kConvMode, tN2kTemperatureState,
                       tN2kOverloadState, tN2kDCVolgateState, tN2kRippleState>;
  RunPins<T, T>(127750, 6, N2K_CODEC(127750),
                {
                    {T{0xFF, 0xFF, N2kConvM_Unavailable, N2kTS_Unavailable, N2kOS_Unavailable,
                       N2kDCVS_Unavailable, N2kRS_Unavailable},
                     Bytes(8, 0xFF)},
                    {T{0xFE, 0xFE, static_cast<tN2kConvMode>(254), N2kTS_Error, N2kOS_Error,
                       N2kDCVS_Error, N2kRS_Error},
                     {0xFE, 0xFE, 0xFE, 0xAA, 0xFF, 0xFF, 0xFF, 0xFF}},
                    {T{0xFC, 0xFC, N2kConvM_Assisting, N2kTS_Warning, N2kOS_Warning,
                       N2kDCVS_Warning, N2kRS_Warning},
                     {0xFC, 0xFC, 0x0A, 0x55, 0xFF, 0xFF, 0xFF, 0xFF}},
                });
}
