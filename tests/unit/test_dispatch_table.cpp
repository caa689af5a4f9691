// Routing through the dispatch table: a message of each handled PGN in, its handler's
// log line out (every handler names itself at debug level 9); a PGN without a row does
// nothing. And the catalogue of names against the standards' numbers.
#include <gtest/gtest.h>

#include <functional>

#include "ChargerAt140.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "N2kPgns.h"
#include "RVCMessages.h"

namespace {
struct tRoute {
  unsigned long pgn;  // as the standard numbers it
  std::function<void(tN2kMsg &)> build;
  const char *handler;  // the start of its log line
};

class Dispatch : public tChargerAt140 {};
}  // namespace

TEST_F(Dispatch, EachPgnReachesItsOwnHandler) {
  const tRoute routes[] = {
      {59904, [](tN2kMsg &m) { SetN2kPGN59904(m, 0x23, 127508); }, "N2kISORequest(48)"},
      {127501, [](tN2kMsg &m) { SetN2kPGN127501(m, 1, 0); }, "N2kBinaryStatusReport(48)"},
      {127506, [](tN2kMsg &m) { SetN2kPGN127506(m, 1, 0, N2kDCt_Battery, 80, 90, 60, 0.1); },
       "N2kDCDetailStat(48)"},
      {127507,
       [](tN2kMsg &m) {
         SetN2kPGN127507(m, 1, 1, N2kCS_Float, N2kCM_Primary, N2kOnOff_On, N2kOnOff_Off, 0);
       },
       "N2kChargerStatus(48)"},
      {127508, [](tN2kMsg &m) { SetN2kPGN127508(m, 1, 13.2, 1.5, 300, 1); }, "N2kBatStat(48)"},
      {127510,
       [](tN2kMsg &m) {
         SetN2kPGN127510(m, 1, 1, N2kOnOff_On, 20, N2kCA_Trickle, N2kCM_Primary, N2kBT_Warm,
                         N2kOnOff_Off, N2kOnOff_Off, 0);
       },
       "N2kChargerConfigStatus(48)"},
      {127513,
       [](tN2kMsg &m) {
         SetN2kPGN127513(m, 1, N2kBT_AGM, N2kBES_No, N2kBNV_12V, N2kBC_LeadAcid, 360000, 5, 1.2,
                         90);
       },
       "N2kBatConfigStat(48)"},
      {127750,
       [](tN2kMsg &m) {
         SetN2kPGN127750(m, 1, 1, N2kConvM_Float, N2kTS_Good, N2kOS_Good, N2kDCVS_Good, N2kRS_Good);
       },
       "N2kConverterStatus(48)"},
      {127488, [](tN2kMsg &m) { SetN2kPGN127488(m, 0, 1800, N2kDoubleNA, 0); },
       "N2kEngParamRapid(48)"},
      {126992, [](tN2kMsg &m) { SetN2kPGN126992(m, 1, 19723, 43200, N2ktimes_GPS); },
       "N2kSysDateTime(48)"},
      {0x1FFFF, [](tN2kMsg &m) { SetRVCPGN1FFFF(m, 24, 1, 1, 2, 0, 0, 0, RVCTZ_GMT); },
       "RVCDateTime(48)"},
      {0x1FFFE, [](tN2kMsg &m) { SetRVCPGN1FFFE(m, 24, 1, 1, 2, 0, 0, 0, RVCTZ_GMT); },
       "RVCDateTime(48)"},
      {0x1FFA0, [](tN2kMsg &m) { SetRVCPGN1FFA0(m, 24, 1, 1, 2, 0, 0, 0, RVCTZ_GMT); },
       "RVCDateTime(48)"},
      {0x1FFC7,
       [](tN2kMsg &m) {
         SetRVCPGN1FFC7(m, 1, 282, 32250, 80, RVCBCM_Float, true, true, RVCCFC_NotForced);
       },
       "RVCChrgStat(48)"},
      {0x1FEA3, [](tN2kMsg &m) { SetRVCPGN1FEA3(m, 1, 1, 80, 279, 32090, 80); },
       "RVCChargerStatus2(48)"},
      {0x1FFFD, [](tN2kMsg &m) { SetRVCPGN1FFFD(m, 1, 120, 265, 2000000000u); },
       "RVCDCStatus1(48)"},
      {0x1FFFC, [](tN2kMsg &m) { SetRVCPGN1FFFC(m, 1, 120, 9536, 175, 600); }, "RVCDCStatus2(48)"},
      {0x1FFFB, [](tN2kMsg &m) { SetRVCPGN1FFFB(m, 1, 120, 190, 150, 166, 120); },
       "RVCDCStatus3: "},
      {0x1FEC9, [](tN2kMsg &m) { SetRVCPGN1FEC9(m, 1, 120, RVCBCM_Bulk, 288, 35000, RVCBT_AGM); },
       "RVCDCStatus4: "},
      {0x1FEC8, [](tN2kMsg &m) { SetRVCPGN1FEC8(m, 1, 120, 13250, 32500); }, "RVCDCStatus5(48)"},
      {0x1FEC7, [](tN2kMsg &m) { SetRVCPGN1FEC7(m, 1, 120, true, false, false, false); },
       "RVCDCStatus6(48)"},
      {0x1FEA5, [](tN2kMsg &m) { SetRVCPGN1FEA5(m, 1, 120, true, true, false, false, 200, 60); },
       "RVCDCStatus11(48)"},
      {0x1FFC6,
       [](tN2kMsg &m) {
         SetRVCPGN1FFC6(m, 1, RVCCA_3Stage, RVCCM_Standalone, true, RVCCL_Line1, RVCBT_AGM, 200,
                        32800);
       },
       "RVCChargerConfigStat(48)"},
      {0x1FF96, [](tN2kMsg &m) { SetRVCPGN1FF96(m, 1, 100, 50, 16, 25, 270); },
       "RVCChargerConfigStat2(48)"},
      {0x1FECC, [](tN2kMsg &m) { SetRVCPGN1FECC(m, 1, 288, 284, 270, 20); },
       "RVCChargerConfigStat3(48)"},
      {0x1FEBF, [](tN2kMsg &m) { SetRVCPGN1FEBF(m, 1, 60, 120, 240); },
       "RVCChargerConfigStat4(48)"},
      {0x1FF99, [](tN2kMsg &m) { SetRVCPGN1FF99(m, 1, 30, false); }, "RVCChargerEqualStat(48)"},
      {0x1FF98, [](tN2kMsg &m) { SetRVCPGN1FF98(m, 1, 310, 60); }, "RVCChargerEqualConfigStat(48)"},
      {0x1FEEB,
       [](tN2kMsg &m) {
         m.SetPGN(0x1FEEB, 6);
         m.Add2ByteUInt(0);
       },
       "RVCProdID: Not supported"},
      {0x17E00, [](tN2kMsg &m) { SetRVCPGN17E00(m, 177, 2, "hi"); }, "RVCTerminal(48)"},
      {0x1FECA,
       [](tN2kMsg &m) {
         SetISOPGN1FECA(m, true, true, true, false, 74, 100, ISOFMI_Erratic, 1, 255, 15);
       },
       "ISODiagnostics(48)"},
  };
  console.SetDebugLevel(9);
  for (const tRoute &route : routes) {
    tN2kMsg m;
    route.build(m);
    ASSERT_EQ(route.pgn, m.PGN) << route.handler;
    console.text.clear();
    Deliver(m, 0x30);
    EXPECT_EQ(0u, console.text.find(route.handler))
        << std::hex << route.pgn << " gave: " << console.text.substr(0, 80);
  }
  // Anything else: nothing at all.
  tN2kMsg other;
  other.SetPGN(127250, 2);
  other.Add2ByteUInt(0);
  console.text.clear();
  Deliver(other, 0x30);
  EXPECT_EQ("", console.text);
  EXPECT_TRUE(link.sent.empty());
}

TEST(PgnCatalogue, NamesAreTheStandardsNumbers) {
  const unsigned long names[] = {kPgnIsoAcknowledgement,
                                 kPgnIsoRequest,
                                 kPgnIsoTpData,
                                 kPgnIsoTpControl,
                                 kPgnIsoAddressClaim,
                                 kPgnCommandedAddress,
                                 kPgnPgnList,
                                 kPgnSystemTime,
                                 kPgnHeartbeat,
                                 kPgnProductInformation,
                                 kPgnConfigurationInformation,
                                 kPgnEngineRapid,
                                 kPgnBinarySwitchStatus,
                                 kPgnDCDetailedStatus,
                                 kPgnChargerStatus,
                                 kPgnBatteryStatus,
                                 kPgnChargerConfigStatus,
                                 kPgnBatteryConfigStatus,
                                 kPgnConverterStatus,
                                 kDgnDateTimeStatus,
                                 kDgnSetDateTimeCommand,
                                 kDgnDateTime1FFA0,
                                 kDgnChargerStatus,
                                 kDgnChargerStatus2,
                                 kDgnChargerConfigStatus,
                                 kDgnChargerConfigStatus2,
                                 kDgnChargerConfigStatus3,
                                 kDgnChargerConfigStatus4,
                                 kDgnChargerEqualStatus,
                                 kDgnChargerEqualConfigStatus,
                                 kDgnDCSourceStatus1,
                                 kDgnDCSourceStatus2,
                                 kDgnDCSourceStatus3,
                                 kDgnDCSourceStatus4,
                                 kDgnDCSourceStatus5,
                                 kDgnDCSourceStatus6,
                                 kDgnDCSourceStatus11,
                                 kDgnProductIdentification,
                                 kDgnTerminal,
                                 kDgnDMRV};
  const unsigned long numbers[] = {
      59392,   59904,   60160,   60416,   60928,   65240,   126464,  126992,  126993,  126996,
      126998,  127488,  127501,  127506,  127507,  127508,  127510,  127513,  127750,  0x1FFFF,
      0x1FFFE, 0x1FFA0, 0x1FFC7, 0x1FEA3, 0x1FFC6, 0x1FF96, 0x1FECC, 0x1FEBF, 0x1FF99, 0x1FF98,
      0x1FFFD, 0x1FFFC, 0x1FFFB, 0x1FEC9, 0x1FEC8, 0x1FEC7, 0x1FEA5, 0x1FEEB, 0x17E00, 0x1FECA};
  static_assert(sizeof(names) == sizeof(numbers), "one number per name");
  for (size_t i = 0; i < sizeof(names) / sizeof(names[0]); i++)
    EXPECT_EQ(numbers[i], names[i]) << "entry " << i;
}
