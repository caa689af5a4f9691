#include "VendorInfo.h"

#include "N2kPgns.h"

const unsigned long TransmitPGNs[] = {kPgnChargerStatus, 12510, 0};
const unsigned long ReceivePGNs[] = {kPgnDCDetailedStatus,    kPgnBatteryStatus,
                                     kPgnBatteryConfigStatus, kPgnEngineRapid,
                                     kPgnSystemTime,          0};
