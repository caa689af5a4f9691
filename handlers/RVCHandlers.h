// Handlers of the RV-C messages that concern chargers and the RO500 itself: charger
// status and status 2 (the RO500's heartbeat), charger configuration and equalization,
// TERMINAL text, DM_RV diagnostics and product identification. Each decodes its
// message by its description or with the bus library's parser (a message that does not
// decode is dropped silently), logs it at its own debug level and hands the values to
// the RO500 registry. None forwards to the LAN or sends on the bus.
#ifndef HANDLERS_RVCHANDLERS_H
#define HANDLERS_RVCHANDLERS_H

#include "HandlerContext.h"
#include "N2kMsg.h"

void RVCChrgStat(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCChargerStatus2(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCChargerConfigStat(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCChargerConfigStat2(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCChargerConfigStat3(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCChargerConfigStat4(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCChargerEqualStat(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCChargerEqualConfigStat(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCProdID(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCTerminal(tHandlerContext &ctx, const tN2kMsg &msg);
void ISODiagnostics(tHandlerContext &ctx, const tN2kMsg &msg);

#endif
