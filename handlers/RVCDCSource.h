// Handlers of the RV-C DC source (battery) status messages 1, 2, 3, 4, 5, 6 and 11.
// Each decodes its message by its description (a message that does not decode is
// dropped silently), logs it at its own debug level, converts the raw fields
// (RVCConversions.h) and hands them on: statuses 1, 2, 4 and 5 first to the RO500
// registry (a RO500 reports its battery too), then every status to the battery
// registry. None forwards to the LAN or sends on the bus.
#ifndef HANDLERS_RVCDCSOURCE_H
#define HANDLERS_RVCDCSOURCE_H

#include "HandlerContext.h"
#include "N2kMsg.h"

void RVCDCStatus1(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCDCStatus2(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCDCStatus3(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCDCStatus4(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCDCStatus5(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCDCStatus6(tHandlerContext &ctx, const tN2kMsg &msg);
void RVCDCStatus11(tHandlerContext &ctx, const tN2kMsg &msg);

#endif
