#include "Dispatch.h"

#include "N2kPgns.h"
#include "N2kPowerHandlers.h"
#include "RVCDCSource.h"
#include "RVCHandlers.h"
#include "SystemClock.h"

// Searched in order; the first row whose PGN matches handles the message.
const tDispatchRow DispatchTable[] = {
    {kPgnIsoRequest, N2kISORequest},
    {kPgnBinarySwitchStatus, N2kBinaryStatusReport},
    {kPgnDCDetailedStatus, N2kDCDetailStat},
    {kPgnChargerStatus, N2kChargerStatus},
    {kPgnBatteryStatus, N2kBatStat},
    {kPgnChargerConfigStatus, N2kChargerConfigStatus},
    {kPgnBatteryConfigStatus, N2kBatConfigStat},
    {kPgnConverterStatus, N2kConverterStatus},
    {kPgnEngineRapid, N2kEngParamRapid},
    {kPgnSystemTime, N2kSysDateTime},
    {kDgnDateTimeStatus, RVCDateTime},
    {kDgnSetDateTimeCommand, RVCDateTime},
    {kDgnDateTime1FFA0, RVCDateTime},
    {kDgnChargerStatus, RVCChrgStat},
    {kDgnChargerStatus2, RVCChargerStatus2},
    {kDgnDCSourceStatus1, RVCDCStatus1},
    {kDgnDCSourceStatus2, RVCDCStatus2},
    {kDgnDCSourceStatus3, RVCDCStatus3},
    {kDgnDCSourceStatus4, RVCDCStatus4},
    {kDgnDCSourceStatus5, RVCDCStatus5},
    {kDgnDCSourceStatus6, RVCDCStatus6},
    {kDgnDCSourceStatus11, RVCDCStatus11},
    {kDgnChargerConfigStatus, RVCChargerConfigStat},
    {kDgnChargerConfigStatus2, RVCChargerConfigStat2},
    {kDgnChargerConfigStatus3, RVCChargerConfigStat3},
    {kDgnChargerConfigStatus4, RVCChargerConfigStat4},
    {kDgnChargerEqualStatus, RVCChargerEqualStat},
    {kDgnChargerEqualConfigStatus, RVCChargerEqualConfigStat},
    {kDgnProductIdentification, RVCProdID},
    {kDgnTerminal, RVCTerminal},
    {kDgnDMRV, ISODiagnostics},
    {0, nullptr},
};

void HandleN2kMsg(tHandlerContext &ctx, const tN2kMsg &msg) {
  for (const tDispatchRow *row = DispatchTable; row->PGN != 0; row++) {
    if (row->PGN == msg.PGN) {
      row->Handler(ctx, msg);
      return;
    }
  }
}
