// Handlers of the NMEA 2000 power and engine messages: each logs its message and
// (except the ISO request) hands it unchanged to the LAN forwarder (MsgForwarder.h).
// The converter status handler asks the converter for its battery and charger
// configuration, the battery status handler relays a RO500's own battery values as a
// battery status of its own, and the engine handler hands the engine speed to the
// RO500 registry. A message that does not decode is dropped silently.
#ifndef HANDLERS_N2KPOWERHANDLERS_H
#define HANDLERS_N2KPOWERHANDLERS_H

#include "HandlerContext.h"
#include "N2kMsg.h"

void N2kISORequest(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kBinaryStatusReport(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kDCDetailStat(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kChargerStatus(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kBatStat(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kChargerConfigStatus(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kBatConfigStat(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kConverterStatus(tHandlerContext &ctx, const tN2kMsg &msg);
void N2kEngParamRapid(tHandlerContext &ctx, const tN2kMsg &msg);

#endif
