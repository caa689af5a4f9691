// Charger status, status 2, configuration and equalization messages.
#include "Console.h"
#include "HandlerContext.h"
#include "RVCConversions.h"
#include "RVCHandlers.h"
#include "RVCMessages.h"

namespace {
constexpr int kChargerStatusLogLevel = 4;
constexpr int kChargerDetailLogLevel = 8;
}  // namespace

void RVCChrgStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t instance, perMax;
  uint16_t cvdc, cadc;
  tRVCBatChrgMode state;
  bool enableAtPO, autoRechg;
  tRVCChrgForceChrg forced;
  if (!ParseRVCPGN1FFC7(msg, type, instance, cvdc, cadc, perMax, state, enableAtPO, autoRechg,
                        forced))
    return;
  if (Logging(kChargerStatusLogLevel))
    StreamPrintf(Console,
                 "RVCChrgStat(%d): Type=%d, Instance=%d, CVdc=%d, CAdc=%d, PerMax=%d, State=%d, "
                 "EnableAtPO=%d, AutoRechg=%d, ForcedChrg=%d\n",
                 msg.Source, type, instance, cvdc, cadc, perMax, state, enableAtPO, autoRechg,
                 forced);
  ctx.devices.Update(msg.Source, tChargerStatus{type, instance, RVCVolts16(cvdc), RVCAmps16(cadc),
                                                perMax, state, enableAtPO, autoRechg, forced});
}

void RVCChargerStatus2(tHandlerContext &ctx, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t chrgInst, dcInst, devPri, temp;
  uint16_t vdc, adc;
  if (!ParseRVCPGN1FEA3(msg, type, chrgInst, dcInst, devPri, vdc, adc, temp)) return;
  if (Logging(kChargerDetailLogLevel))
    StreamPrintf(Console,
                 "RVCChargerStatus2(%d): ChrgType=%d, ChrgInst=%d, DCInst=%d, DevPri=%d, "
                 "Vdc=%d, Adc=%d, Temp=%d\n",
                 msg.Source, type, chrgInst, dcInst, devPri, vdc, adc, temp);
  // The RO500's heartbeat, whatever the values say.
  ctx.devices.heartbeat(msg.Source);
  ctx.devices.Update(msg.Source, tChargerStatus2{type, chrgInst, dcInst, devPri, RVCVolts16(vdc),
                                                 RVCAmps16(adc), RVCTemp8(temp)});
}

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
  if (Logging(kChargerDetailLogLevel)) {
    char text[kChargerTextSize];
    ChargerConfigText(text, sizeof(text), msg.Source, config);
    StreamPrintf(Console, "%s\n", text);
  }
  ctx.devices.Update(msg.Source, config);
}

void RVCChargerConfigStat2(tHandlerContext &, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t instance, perMaxAmps, perMaxShore, shorBr, defBatTemp;
  uint16_t rchgVolt;
  if (!ParseRVCPGN1FF96(msg, type, instance, perMaxAmps, perMaxShore, shorBr, defBatTemp, rchgVolt))
    return;
  if (Logging(kChargerDetailLogLevel))
    StreamPrintf(Console,
                 "RVCChargerConfigStat2(%d): Type=%d, Instance=%d, PerMaxAmps=%d, "
                 "PerMaxShore=%d, ShorBr=%d, DefBatTemp=%d, RchgVolt=%d\n",
                 msg.Source, type, instance, perMaxAmps, perMaxShore, shorBr, defBatTemp, rchgVolt);
}

void RVCChargerConfigStat3(tHandlerContext &, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t instance, tempComp;
  uint16_t bulkV, absorbV, floatV;
  if (!ParseRVCPGN1FECC(msg, type, instance, bulkV, absorbV, floatV, tempComp)) return;
  if (Logging(kChargerDetailLogLevel))
    StreamPrintf(Console,
                 "RVCChargerConfigStat3(%d): Type=%d, Instance=%d, BulkV=%d, AbsorbV=%d, "
                 "FloatV=%d, TempComp=%d\n",
                 msg.Source, type, instance, bulkV, absorbV, floatV, tempComp);
}

void RVCChargerConfigStat4(tHandlerContext &, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t instance;
  uint16_t bulkT, absorbT, floatT;
  if (!ParseRVCPGN1FEBF(msg, type, instance, bulkT, absorbT, floatT)) return;
  if (Logging(kChargerDetailLogLevel))
    StreamPrintf(Console,
                 "RVCChargerConfigStat4(%d): Type=%d, Instance=%d, BulkT=%d, AbsorbT=%d, "
                 "FloatT=%d\n",
                 msg.Source, type, instance, bulkT, absorbT, floatT);
}

void RVCChargerEqualStat(tHandlerContext &, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t instance;
  uint16_t time;
  bool preChrg;
  if (!ParseRVCPGN1FF99(msg, type, instance, time, preChrg)) return;
  if (Logging(kChargerDetailLogLevel))
    StreamPrintf(Console, "RVCChargerEqualStat(%d): Type=%d, Instance=%d, Time=%d, PreChrg=%d\n",
                 msg.Source, type, instance, time, preChrg);
}

void RVCChargerEqualConfigStat(tHandlerContext &, const tN2kMsg &msg) {
  tRVCChrgType type;
  uint8_t instance;
  uint16_t volts, time;
  if (!ParseRVCPGN1FF98(msg, type, instance, volts, time)) return;
  if (Logging(kChargerDetailLogLevel))
    StreamPrintf(Console,
                 "RVCChargerEqualConfigStat(%d): Type=%d, Instance=%d, Volts=%d, Time=%d\n",
                 msg.Source, type, instance, volts, time);
}
