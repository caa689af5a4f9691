// Handlers of the RV-C messages that concern chargers and the RO500 itself: charger
// status and status 2 (the RO500's heartbeat), charger configuration and equalization,
// TERMINAL text, DM_RV diagnostics and product identification. Each decodes its
// message with the bus library's parser (a message that does not decode is dropped
// silently), logs it at its own debug level and hands the values to the RO500
// registry. None forwards over UDP or sends on the bus.
#ifndef HANDLERS_RVCHANDLERS_H
#define HANDLERS_RVCHANDLERS_H

#include "N2kMsg.h"

void RVCChrgStat(const tN2kMsg &msg);
void RVCChargerStatus2(const tN2kMsg &msg);
void RVCChargerConfigStat(const tN2kMsg &msg);
void RVCChargerConfigStat2(const tN2kMsg &msg);
void RVCChargerConfigStat3(const tN2kMsg &msg);
void RVCChargerConfigStat4(const tN2kMsg &msg);
void RVCChargerEqualStat(const tN2kMsg &msg);
void RVCChargerEqualConfigStat(const tN2kMsg &msg);
void RVCProdID(const tN2kMsg &msg);
void RVCTerminal(const tN2kMsg &msg);
void ISODiagnostics(const tN2kMsg &msg);

#endif
