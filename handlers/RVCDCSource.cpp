// DC source status messages, to the RO500 registry and the battery registry.
#include "RVCDCSource.h"

#include "Console.h"
#include "HandlerContext.h"
#include "RVCConversions.h"
#include "RVCMessages.h"

namespace {
constexpr int kStatus1LogLevel = 4;
constexpr int kDetailLogLevel = 8;
// Only for the log lines of statuses 4 and 5, which show scaled values.
constexpr double kVoltsPerStep16 = 0.05;
constexpr double kAmpsOffset16 = 1600.0;
constexpr double kMilli = 0.001;
constexpr int kRateZero = 32000;
}  // namespace

void RVCDCStatus1(tHandlerContext &ctx, const tN2kMsg &msg) {
  uint8_t instance, devPri;
  uint16_t vdc;
  uint32_t adc;
  if (!ParseRVCPGN1FFFD(msg, instance, devPri, vdc, adc)) return;
  if (Logging(kStatus1LogLevel))
    StreamPrintf(Console, "RVCDCStatus1(%d): instance=%d, devPri=%d, Vdc=%d, Adc=%d\n", msg.Source,
                 instance, devPri, vdc, static_cast<int32_t>(adc));
  const tDCSourceStatus1 s{instance, devPri, RVCVolts16(vdc), RVCAmps32(adc)};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s);
}

void RVCDCStatus2(tHandlerContext &ctx, const tN2kMsg &msg) {
  uint8_t instance, devPri, soc;
  uint16_t temp, tr;
  if (!ParseRVCPGN1FFFC(msg, instance, devPri, temp, soc, tr)) return;
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console, "RVCDCStatus2(%d): Instance=%d, DevPri=%d, Temp=%d, SOC=%d, TR=%d\n",
                 msg.Source, instance, devPri, temp, soc, tr);
  const tDCSourceStatus2 s{instance, devPri, RVCTemp16(temp), soc, tr};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s);
}

void RVCDCStatus3(tHandlerContext &ctx, const tN2kMsg &msg) {
  uint8_t instance, devPri, soh, capRemPer;
  uint16_t capRem, ripple;
  if (!ParseRVCPGN1FFFB(msg, instance, devPri, soh, capRem, capRemPer, ripple)) return;
  // The daemon's own line: no source, and both capacity values labelled CapRemPer.
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console,
                 "RVCDCStatus3: Instance=%d, DevPri=%d, SOH=%d, CapRemPer=%d, CapRemPer=%d, "
                 "Ripple=%d\n",
                 instance, devPri, soh, capRem, capRemPer, ripple);
  ctx.batteries.Update(
      msg.Source, tDCSourceStatus3{instance, devPri, soh, capRem, capRemPer, RVCRipple16(ripple)});
}

void RVCDCStatus4(tHandlerContext &ctx, const tN2kMsg &msg) {
  uint8_t instance, devPri;
  tRVCBatChrgMode desCM;
  uint16_t desVolt, desAmp;
  tRVCBatType batType;
  if (!ParseRVCPGN1FEC9(msg, instance, devPri, desCM, desVolt, desAmp, batType)) return;
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console,
                 "RVCDCStatus4: Instance=%d, DevPri=%d, DesCM=%d, DesVolt(V)=%g, DesAmp(A)=%g, "
                 "BatType=%d\n",
                 instance, devPri, desCM, desVolt * kVoltsPerStep16,
                 desAmp * kVoltsPerStep16 - kAmpsOffset16, batType);
  const tDCSourceStatus4 s{instance,          devPri, desCM, RVCVolts16(desVolt),
                           RVCAmps16(desAmp), batType};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s);
}

void RVCDCStatus5(tHandlerContext &ctx, const tN2kMsg &msg) {
  uint8_t instance, devPri;
  uint32_t vdc;
  uint16_t dvdt;
  if (!ParseRVCPGN1FEC8(msg, instance, devPri, vdc, dvdt)) return;
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console, "RVCDCStatus5(%d): Instance=%d, DevPri=%d, Vdc(V)=%g, dVdT=%g(V)\n",
                 msg.Source, instance, devPri, vdc * kMilli,
                 (static_cast<int>(dvdt) - kRateZero) * kMilli);
  const tDCSourceStatus5 s{instance, devPri, RVCVolts32(vdc), RVCRate16(dvdt)};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s);
}

void RVCDCStatus6(tHandlerContext &ctx, const tN2kMsg &msg) {
  uint8_t instance, devPri;
  bool hvls, hvld, lvls, lvld;
  if (!ParseRVCPGN1FEC7(msg, instance, devPri, hvls, hvld, lvls, lvld)) return;
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console,
                 "RVCDCStatus6(%d), Instance=%d, DevPri=%d, HVls=%d, HVld=%d, LVls=%d, LVld=%d\n",
                 msg.Source, instance, devPri, hvls, hvld, lvls, lvld);
  ctx.batteries.Update(msg.Source, tDCSourceStatus6{instance, devPri, hvls, hvld, lvls, lvld});
}

void RVCDCStatus11(tHandlerContext &ctx, const tN2kMsg &msg) {
  uint8_t instance, devPri;
  bool pwrOnOff, chrgOnOff, chrgDet, resvStat;
  uint16_t batAHCap, dcPower;
  if (!ParseRVCPGN1FEA5(msg, instance, devPri, pwrOnOff, chrgOnOff, chrgDet, resvStat, batAHCap,
                        dcPower))
    return;
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console,
                 "RVCDCStatus11(%d), Instance=%d, DevPri=%d, PwrOnOff=%d, ChrgOnOff=%d, "
                 "ChrgDet=%d, ResvStat=%d, BatAHCap=%d, DCPower=%d\n",
                 msg.Source, instance, devPri, pwrOnOff, chrgOnOff, chrgDet, resvStat, batAHCap,
                 dcPower);
  ctx.batteries.Update(msg.Source, tDCSourceStatus11{instance, devPri, pwrOnOff, chrgOnOff, chrgDet,
                                                     resvStat, batAHCap, dcPower});
}
