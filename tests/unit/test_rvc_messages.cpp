// RV-C data groups and DM_RV at the edges of their fields, against byte vectors written
// from protocol.md; each message's worked example is in test_message_table.cpp.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "CodecTestUtil.h"
#include "RVCMessages.h"

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
      {T{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, RVCTZ_Unavailable}, Bytes(8, 0xFF)},
      {T{0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, Code<tRVCTimeZone>(0xFE)}, Bytes(8, 0xFE)},
      {T{250, 12, 31, 7, 23, 59, 59, RVCTZ_CEST}, {0xFA, 0x0C, 0x1F, 0x07, 0x17, 0x3B, 0x3B, 0x16}},
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
           {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0}},
          {T{0xFE, 0xFFFE, 0xFFFE, 0xFE, Code<tRVCBatChrgMode>(0xFE), true, true,
             Code<tRVCChrgForceChrg>(14)},
           {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFE, 0xE5}},
          {T{250, 0xFFFC, 0, 1, RVCBCM_ConstantVI, false, true, RVCCFC_Float},
           {0xFA, 0xFC, 0xFF, 0x00, 0x00, 0x01, 0x07, 0x24}},
          {T{1, 1, 32001, 0, RVCBCM_Disabled, false, false, Code<tRVCChrgForceChrg>(0x1F)},
           {0x01, 0x01, 0x00, 0x01, 0x7D, 0x00, 0x00, 0xF0},
           T{1, 1, 32001, 0, RVCBCM_Disabled, false, false, RVCCFC_Unavailable}},
      });
}

TEST(RvcMessagesPins, ChargerStatus2) {
  using T = std::tuple<uint8_t, uint8_t, uint8_t, uint16_t, uint16_t, uint8_t>;
  RunPins<T, T>(
      0x1FEA3, 6, RVC_CHARGER_CODEC(1FEA3),
      {
          {T{0xFF, 0xFF, 0xFF, 0xFFFF, 0xFFFF, 0xFF}, Bytes(8, 0xFF)},
          {T{0xFE, 0xFE, 0xFE, 0xFFFE, 0xFFFE, 0xFE},
           {0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE}},
          {T{250, 0, 252, 0xFFFC, 0, 0}, {0xFA, 0x00, 0xFC, 0xFC, 0xFF, 0x00, 0x00, 0x00}},
          {T{1, 1, 1, 1, 32001, 1}, {0x01, 0x01, 0x01, 0x01, 0x00, 0x01, 0x7D, 0x01}},
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
           Out{0xFF, RVCCA_Unavailable, RVCCM_Unavailable, false, RVCCL_Unavailable, false,
               RVCBT_Unavailable, 0xFFFF, 255}},
          {In{0xFE, Code<tRVCChrgAlg>(0xFE), Code<tRVCChrgMode>(0xFE), true, Code<tRVCChrgLine>(2),
              Code<tRVCBatType>(14), 0xFFFE, 0xFFFE},
           {0xFE, 0xFE, 0xFE, 0xE9, 0xFE, 0xFF, 0xFE, 0xFF},
           Out{0xFE, Code<tRVCChrgAlg>(0xFE), Code<tRVCChrgMode>(0xFE), true, Code<tRVCChrgLine>(2),
               false, Code<tRVCBatType>(14), 0xFFFE, 254}},
          {In{250, RVCCA_Custom1, RVCCM_LinkedToDC, false, RVCCL_Line1, RVCBT_LiFePO4, 0xFFFC, 0},
           {0xFA, 0xFA, 0x03, 0x30, 0xFC, 0xFF, 0x00, 0x00},
           Out{250, RVCCA_Custom1, RVCCM_LinkedToDC, false, RVCCL_Line1, true, RVCBT_LiFePO4,
               0xFFFC, 0}},
          {In{1, RVCCA_Trickle, RVCCM_Primary, true, Code<tRVCChrgLine>(7), Code<tRVCBatType>(0x1F),
              1, 32019},
           {0x01, 0x04, 0x01, 0xFD, 0x01, 0x00, 0x13, 0x7D},
           Out{1, RVCCA_Trickle, RVCCM_Primary, true, RVCCL_Unavailable, false, RVCBT_Unavailable,
               1, 0}},
      });
}

TEST(RvcMessagesPins, ChargerConfigurationAndEqualizationGroups) {
  using T2 = std::tuple<uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, uint16_t>;
  RunPins<T2, T2>(
      0x1FF96, 6, RVC_CHARGER_CODEC(1FF96),
      {
          {T2{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFFFF}, Bytes(8, 0xFF)},
          {T2{0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFFFE},
           {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFF}},
          {T2{250, 250, 1, 0, 0, 0xFFFC}, {0xFA, 0xFA, 0x01, 0x00, 0x00, 0xFC, 0xFF, 0xFF}},
      });
  using T3 = std::tuple<uint8_t, uint16_t, uint16_t, uint16_t, uint8_t>;
  RunPins<T3, T3>(
      0x1FECC, 6, RVC_CHARGER_CODEC(1FECC),
      {
          {T3{0xFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFF}, Bytes(8, 0xFF)},
          {T3{0xFE, 0xFFFE, 0xFFFE, 0xFFFE, 0xFE},
           {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE}},
          {T3{250, 0xFFFC, 1, 0, 250}, {0xFA, 0xFC, 0xFF, 0x01, 0x00, 0x00, 0x00, 0xFA}},
      });
  using T4 = std::tuple<uint8_t, uint16_t, uint16_t, uint16_t>;
  RunPins<T4, T4>(
      0x1FEBF, 6, RVC_CHARGER_CODEC(1FEBF),
      {
          {T4{0xFF, 0xFFFF, 0xFFFF, 0xFFFF}, Bytes(8, 0xFF)},
          {T4{0xFE, 0xFFFE, 0xFFFE, 0xFFFE}, {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF}},
          {T4{250, 0xFFFC, 1, 0}, {0xFA, 0xFC, 0xFF, 0x01, 0x00, 0x00, 0x00, 0xFF}},
      });
  using TE = std::tuple<uint8_t, uint16_t, bool>;
  RunPins<TE, TE>(0x1FF99, 6, RVC_CHARGER_CODEC(1FF99),
                  {
                      {TE{0xFF, 0xFFFF, false}, {0xFF, 0xFF, 0xFF, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF}},
                      {TE{0xFE, 0xFFFE, true}, {0xFE, 0xFE, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF}},
                      {{}, {0x01, 0xFC, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}, TE{1, 0xFFFC, false}},
                  });
  using TC = std::tuple<uint8_t, uint16_t, uint16_t>;
  RunPins<TC, TC>(0x1FF98, 6, RVC_CHARGER_CODEC(1FF98),
                  {
                      {TC{0xFF, 0xFFFF, 0xFFFF}, Bytes(8, 0xFF)},
                      {TC{0xFE, 0xFFFE, 0xFFFE}, {0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF}},
                      {TC{250, 0xFFFC, 1}, {0xFA, 0xFC, 0xFF, 0x01, 0x00, 0xFF, 0xFF, 0xFF}},
                  });
}

TEST(RvcMessagesPins, DCSourceStatus) {
  using T1 = std::tuple<uint8_t, uint8_t, uint16_t, uint32_t>;
  RunPins<T1, T1>(
      0x1FFFD, 6, RVC_CODEC(1FFFD),
      {
          {T1{0xFF, 0xFF, 0xFFFF, 0xFFFFFFFF}, Bytes(8, 0xFF)},
          {T1{0xFE, 0xFE, 0xFFFE, 0xFFFFFFFE}, {0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
          {T1{250, 120, 0xFFFC, 0}, {0xFA, 0x78, 0xFC, 0xFF, 0x00, 0x00, 0x00, 0x00}},
          {T1{1, 0, 1, 0x77359401}, {0x01, 0x00, 0x01, 0x00, 0x01, 0x94, 0x35, 0x77}},
      });
  using T2 = std::tuple<uint8_t, uint8_t, uint16_t, uint8_t, uint16_t>;
  RunPins<T2, T2>(
      0x1FFFC, 6, RVC_CODEC(1FFFC),
      {
          {T2{0xFF, 0xFF, 0xFFFF, 0xFF, 0xFFFF}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFC}},
          {T2{0xFE, 0xFE, 0xFFFE, 0xFE, 0xFFFE}, {0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFE, 0xFF, 0xFC}},
          {T2{250, 0, 0, 1, 0xFFFC}, {0xFA, 0x00, 0x00, 0x00, 0x01, 0xFC, 0xFF, 0xFC}},
      });
  using T3 = std::tuple<uint8_t, uint8_t, uint8_t, uint16_t, uint8_t, uint16_t>;
  RunPins<T3, T3>(
      0x1FFFB, 6, RVC_CODEC(1FFFB),
      {
          {T3{0xFF, 0xFF, 0xFF, 0xFFFF, 0xFF, 0xFFFF}, Bytes(8, 0xFF)},
          {T3{0xFE, 0xFE, 0xFE, 0xFFFE, 0xFE, 0xFFFE},
           {0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFE, 0xFF}},
          {T3{250, 120, 250, 0xFFFC, 1, 0xFFFC}, {0xFA, 0x78, 0xFA, 0xFC, 0xFF, 0x01, 0xFC, 0xFF}},
      });
  using T4 = std::tuple<uint8_t, uint8_t, tRVCBatChrgMode, uint16_t, uint16_t, tRVCBatType>;
  RunPins<T4, T4>(
      0x1FEC9, 6, RVC_CODEC(1FEC9),
      {
          {T4{0xFF, 0xFF, RVCBCM_Unavailable, 0xFFFF, 0xFFFF, RVCBT_Unavailable}, Bytes(8, 0xFF)},
          {T4{0xFE, 0xFE, Code<tRVCBatChrgMode>(0xFE), 0xFFFE, 0xFFFE, Code<tRVCBatType>(14)},
           {0xFE, 0xFE, 0xFE, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE}},
          {T4{250, 0, RVCBCM_ConstantVI, 0xFFFC, 0, RVCBT_LiFePO4},
           {0xFA, 0x00, 0x07, 0xFC, 0xFF, 0x00, 0x00, 0xF3}},
          {T4{1, 0, RVCBCM_Disabled, 1, 32001, Code<tRVCBatType>(0x1F)},
           {0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x7D, 0xFF},
           T4{1, 0, RVCBCM_Disabled, 1, 32001, RVCBT_Unavailable}},
      });
  using T5 = std::tuple<uint8_t, uint8_t, uint32_t, uint16_t>;
  RunPins<T5, T5>(
      0x1FEC8, 6, RVC_CODEC(1FEC8),
      {
          {T5{0xFF, 0xFF, 0xFFFFFFFF, 0xFFFF}, Bytes(8, 0xFF)},
          {T5{0xFE, 0xFE, 0xFFFFFFFE, 0xFFFE}, {0xFE, 0xFE, 0xFE, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF}},
          {T5{250, 0, 0xFFFFFFFC, 0}, {0xFA, 0x00, 0xFC, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      });
  using T6 = std::tuple<uint8_t, uint8_t, bool, bool, bool, bool>;
  RunPins<T6, T6>(0x1FEC7, 6, RVC_CODEC(1FEC7),
                  {
                      {T6{0xFF, 0xFF, false, false, false, false},
                       {0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                      {T6{0xFE, 0xFE, true, true, true, true},
                       {0xFE, 0xFE, 0x55, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                      {{}, Bytes(8, 0xFF), T6{0xFF, 0xFF, false, false, false, false}},
                      {{},
                       {0x01, 0x02, 0xAA, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                       T6{1, 2, false, false, false, false}},
                  });
  using T11 = std::tuple<uint8_t, uint8_t, bool, bool, bool, bool, uint16_t, uint16_t>;
  RunPins<T11, T11>(0x1FEA5, 6, RVC_CODEC(1FEA5),
                    {
                        {T11{0xFF, 0xFF, false, false, false, false, 0xFFFF, 0xFFFF},
                         {0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
                        {T11{0xFE, 0xFE, true, true, true, true, 0xFFFE, 0xFFFE},
                         {0xFE, 0xFE, 0x55, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF}},
                        {T11{250, 0, true, false, true, false, 0xFFFC, 0},
                         {0xFA, 0x00, 0x11, 0xFC, 0xFF, 0x00, 0x00, 0xFF}},
                        {{},
                         {0x01, 0x02, 0xAA, 0x00, 0x00, 0x00, 0x00, 0xFF},
                         T11{1, 2, false, false, false, false, 0, 0}},
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
           T{true, false, true, false, 0xFF, 0x7FFFF, ISOFMI_Unavailable, 0x7F, 0xFF, 0x0F}},
          {T{false, false, false, false, 0, 0, ISOFMI_AboveNormal, 0, 0, 0},
           {0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0xF0}},
          {T{false, true, false, true, 74, 0x40001, ISOFMI_BelowNormal, 126, 1, 13},
           {0x14, 0x4A, 0x80, 0x00, 0x21, 0xFE, 0x01, 0xFD}},
          {{},
           {0xAA, 0x4A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           T{false, false, false, false, 74, 0x7FFFF, ISOFMI_Unavailable, 0x7F, 0xFF, 0x0F}},
      });
}
