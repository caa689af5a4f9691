// The whole dispatch table against its 31 rows, in order, with the terminator and no
// PGN twice.
#include <gtest/gtest.h>

#include <set>

#include "Dispatch.h"
#include "N2kPowerHandlers.h"
#include "RVCDCSource.h"
#include "RVCHandlers.h"
#include "SystemClock.h"

TEST(DispatchTable, AllRowsInOrder) {
  int rows = 0;
  while (DispatchTable[rows].PGN != 0) rows++;
  const tDispatchRow expected[] = {
      {59904, N2kISORequest},
      {127501, N2kBinaryStatusReport},
      {127506, N2kDCDetailStat},
      {127507, N2kChargerStatus},
      {127508, N2kBatStat},
      {127510, N2kChargerConfigStatus},
      {127513, N2kBatConfigStat},
      {127750, N2kConverterStatus},
      {127488, N2kEngParamRapid},
      {126992, N2kSysDateTime},
      {131071, RVCDateTime},
      {131070, RVCDateTime},
      {130976, RVCDateTime},
      {131015, RVCChrgStat},
      {130723, RVCChargerStatus2},
      {131069, RVCDCStatus1},
      {131068, RVCDCStatus2},
      {131067, RVCDCStatus3},
      {130761, RVCDCStatus4},
      {130760, RVCDCStatus5},
      {130759, RVCDCStatus6},
      {130725, RVCDCStatus11},
      {131014, RVCChargerConfigStat},
      {130966, RVCChargerConfigStat2},
      {130764, RVCChargerConfigStat3},
      {130751, RVCChargerConfigStat4},
      {130969, RVCChargerEqualStat},
      {130968, RVCChargerEqualConfigStat},
      {130795, RVCProdID},
      {97792, RVCTerminal},
      {130762, ISODiagnostics},
  };
  ASSERT_EQ(rows, 31);
  std::set<unsigned long> seen;
  for (int i = 0; i < 31; i++) {
    EXPECT_EQ(DispatchTable[i].PGN, expected[i].PGN) << "row " << i + 1;
    EXPECT_EQ(DispatchTable[i].Handler, expected[i].Handler) << "row " << i + 1;
    EXPECT_TRUE(seen.insert(DispatchTable[i].PGN).second) << "PGN twice: " << DispatchTable[i].PGN;
  }
  EXPECT_EQ(DispatchTable[31].Handler, nullptr);
}
