// Charger status, status 2, configuration and equalization messages.
#include "Console.h"
#include "DecodedFields.h"
#include "HandlerContext.h"
#include "N2kDescriptions.h"
#include "RVCConversions.h"
#include "RVCHandlers.h"
#include "RVCMessages.h"

namespace {
constexpr int kChargerStatusLogLevel = 4;
constexpr int kChargerDetailLogLevel = 8;

// A charger's line: the charger type first (the one type there is: no field on the
// bus carries it), then every field's code.
void LogCharger(tConsole &console, const char *name, const char *typeLabel, const tN2kMsg &msg,
                const tN2kMsgDesc &desc, const tN2kFieldValue *f) {
  LogFields(console, f, desc.FieldCount, tFieldShow::kCodes, "%s(%d): %s=%d, ", name, msg.Source,
            typeLabel, RVCCT_Charger);
}

// The configuration and equalization messages the daemon only logs.
void LogOnly(tConsole &console, const char *name, const tN2kMsgDesc &desc, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(desc, msg, f)) return;
  if (console.Logging(kChargerDetailLogLevel)) LogCharger(console, name, "Type", msg, desc, f);
}
}  // namespace

void RVCChrgStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescChargerStatus, msg, f)) return;
  if (ctx.console.Logging(kChargerStatusLogLevel))
    LogCharger(ctx.console, "RVCChrgStat", "Type", msg, kRvcDescChargerStatus, f);
  ctx.devices.Update(msg.Source,
                     tChargerStatus{RVCCT_Charger, Code8(f[0]), RVCValue(f[1]), RVCValue(f[2]),
                                    Code8(f[3]), Code(f[4]), Flag(f[5]), Flag(f[6]), Code(f[7])});
}

void RVCChargerStatus2(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescChargerStatus2, msg, f)) return;
  if (ctx.console.Logging(kChargerDetailLogLevel))
    LogCharger(ctx.console, "RVCChargerStatus2", "ChrgType", msg, kRvcDescChargerStatus2, f);
  // The RO500's heartbeat, whatever the values say.
  ctx.devices.heartbeat(msg.Source, ctx.now);
  ctx.devices.Update(msg.Source,
                     tChargerStatus2{RVCCT_Charger, Code8(f[0]), Code8(f[1]), Code8(f[2]),
                                     RVCValue(f[3]), RVCValue(f[4]), RVCValue(f[5])});
}

// Its line is the charger record's own text; the library works out Linked and MaxAmps.
void RVCChargerConfigStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t instance, maxAmps;
  tRVCChrgAlg alg;
  tRVCChrgMode mode;
  bool batSense, linked;
  tRVCChrgLine line;
  tRVCBatType batType;
  uint16_t batSize;
  if (!ParseRVCPGN1FFC6(msg, type, instance, alg, mode, batSense, line, linked, batType, batSize,
                        maxAmps))
    return;
  const tChargerConfig config{type, instance, alg,     mode,    batSense,
                              line, linked,   batType, batSize, maxAmps};
  if (ctx.console.Logging(kChargerDetailLogLevel)) {
    char text[kChargerTextSize];
    ChargerConfigText(text, sizeof(text), msg.Source, config);
    StreamPrintf(&ctx.console, "%s\n", text);
  }
  ctx.devices.Update(msg.Source, config, ctx.now);
}

void RVCChargerConfigStat2(tHandlerContext &ctx, const tN2kMsg &msg) {
  LogOnly(ctx.console, "RVCChargerConfigStat2", kRvcDescChargerConfigStatus2, msg);
}

void RVCChargerConfigStat3(tHandlerContext &ctx, const tN2kMsg &msg) {
  LogOnly(ctx.console, "RVCChargerConfigStat3", kRvcDescChargerConfigStatus3, msg);
}

void RVCChargerConfigStat4(tHandlerContext &ctx, const tN2kMsg &msg) {
  LogOnly(ctx.console, "RVCChargerConfigStat4", kRvcDescChargerConfigStatus4, msg);
}

void RVCChargerEqualStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  LogOnly(ctx.console, "RVCChargerEqualStat", kRvcDescChargerEqualStatus, msg);
}

void RVCChargerEqualConfigStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  LogOnly(ctx.console, "RVCChargerEqualConfigStat", kRvcDescChargerEqualConfigStatus, msg);
}
