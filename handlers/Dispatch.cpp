#include "Dispatch.h"

#include "N2kPowerHandlers.h"
#include "RVCDCSource.h"
#include "RVCHandlers.h"
#include "SystemClock.h"

// Searched in order; the first row whose PGN matches handles the message.
const tDispatchRow DispatchTable[] = {
    {59904, N2kISORequest},               // 0xEA00 ISO request
    {127501, N2kBinaryStatusReport},      // 0x1F20D binary switch bank status
    {127506, N2kDCDetailStat},            // 0x1F212 DC detailed status
    {127507, N2kChargerStatus},           // 0x1F213 charger status
    {127508, N2kBatStat},                 // 0x1F214 battery status
    {127510, N2kChargerConfigStatus},     // 0x1F216 charger configuration status
    {127513, N2kBatConfigStat},           // 0x1F219 battery configuration status
    {127750, N2kConverterStatus},         // 0x1F306 converter status
    {127488, N2kEngParamRapid},           // 0x1F200 engine parameters, rapid update
    {126992, N2kSysDateTime},             // 0x1F010 system time
    {131071, RVCDateTime},                // 0x1FFFF DATE_TIME_STATUS
    {131070, RVCDateTime},                // 0x1FFFE SET_DATE_TIME_COMMAND
    {130976, RVCDateTime},                // 0x1FFA0 date and time, as 0x1FFFF
    {131015, RVCChrgStat},                // 0x1FFC7 CHARGER_STATUS
    {130723, RVCChargerStatus2},          // 0x1FEA3 CHARGER_STATUS_2
    {131069, RVCDCStatus1},               // 0x1FFFD DC_SOURCE_STATUS_1
    {131068, RVCDCStatus2},               // 0x1FFFC DC_SOURCE_STATUS_2
    {131067, RVCDCStatus3},               // 0x1FFFB DC_SOURCE_STATUS_3
    {130761, RVCDCStatus4},               // 0x1FEC9 DC_SOURCE_STATUS_4
    {130760, RVCDCStatus5},               // 0x1FEC8 DC_SOURCE_STATUS_5
    {130759, RVCDCStatus6},               // 0x1FEC7 DC_SOURCE_STATUS_6
    {130725, RVCDCStatus11},              // 0x1FEA5 DC_SOURCE_STATUS_11
    {131014, RVCChargerConfigStat},       // 0x1FFC6 CHARGER_CONFIGURATION_STATUS
    {130966, RVCChargerConfigStat2},      // 0x1FF96 CHARGER_CONFIGURATION_STATUS_2
    {130764, RVCChargerConfigStat3},      // 0x1FECC CHARGER_CONFIGURATION_STATUS_3
    {130751, RVCChargerConfigStat4},      // 0x1FEBF CHARGER_CONFIGURATION_STATUS_4
    {130969, RVCChargerEqualStat},        // 0x1FF99 CHARGER_EQUALIZATION_STATUS
    {130968, RVCChargerEqualConfigStat},  // 0x1FF98 CHARGER_EQUALIZATION_CONFIGURATION_STATUS
    {130795, RVCProdID},                  // 0x1FEEB product identification
    {97792, RVCTerminal},                 // 0x17E00 TERMINAL
    {130762, ISODiagnostics},             // 0x1FECA DM_RV
    {0, nullptr},
};

void HandleN2kMsg(const tN2kMsg &msg) {
  for (const tDispatchRow *row = DispatchTable; row->PGN != 0; row++) {
    if (row->PGN == msg.PGN) {
      row->Handler(msg);
      return;
    }
  }
}
