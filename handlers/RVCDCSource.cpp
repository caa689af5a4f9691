// DC source status messages, to the RO500 registry and the battery registry.
#include "RVCDCSource.h"

#include "Console.h"
#include "DecodedFields.h"
#include "HandlerContext.h"
#include "N2kDescriptions.h"
#include "RVCConversions.h"

namespace {
constexpr int kStatus1LogLevel = 4;
constexpr int kDetailLogLevel = 8;
// Only for the log line of status 5, whose dV/dT the description leaves raw.
constexpr double kMilli = 0.001;
constexpr int kRateZero = 32000;
// Fields of statuses 2 and 6 their lines leave out: those after the time remaining,
// and those after the voltage limits.
constexpr int kStatus2Logged = 5;
constexpr int kStatus6Logged = 6;
}  // namespace

void RVCDCStatus1(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescDCSourceStatus1, msg, f)) return;
  // Labels of its own: instance and devPri in lower case.
  if (ctx.console.Logging(kStatus1LogLevel))
    StreamPrintf(&ctx.console, "RVCDCStatus1(%d): instance=%d, devPri=%d, Vdc=%d, Adc=%d\n",
                 msg.Source, Code(f[0]), Code(f[1]), Code(f[2]), Code(f[3]));
  const tDCSourceStatus1 s{Code8(f[0]), Code8(f[1]), RVCValue(f[2]), RVCValue(f[3])};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s, ctx.now);
}

void RVCDCStatus2(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!DecodeLogged(ctx.console, kRvcDescDCSourceStatus2, msg, f, tFieldShow::kCodes,
                    kDetailLogLevel, "RVCDCStatus2", kStatus2Logged))
    return;
  const tDCSourceStatus2 s{Code8(f[0]), Code8(f[1]), RVCValue(f[2]), Code8(f[3]), Code16(f[4])};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s, ctx.now);
}

void RVCDCStatus3(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescDCSourceStatus3, msg, f)) return;
  // The daemon's own line: no source, and both capacity values labelled CapRemPer.
  if (ctx.console.Logging(kDetailLogLevel))
    StreamPrintf(&ctx.console,
                 "RVCDCStatus3: Instance=%d, DevPri=%d, SOH=%d, CapRemPer=%d, CapRemPer=%d, "
                 "Ripple=%d\n",
                 Code(f[0]), Code(f[1]), Code(f[2]), Code(f[3]), Code(f[4]), Code(f[5]));
  ctx.batteries.Update(msg.Source,
                       tDCSourceStatus3{Code8(f[0]), Code8(f[1]), Code8(f[2]), Code16(f[3]),
                                        Code8(f[4]), RVCRipple16(Code16(f[5]))},
                       ctx.now);
}

void RVCDCStatus4(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescDCSourceStatus4, msg, f)) return;
  // No source; the voltage and current scaled, with their units.
  if (ctx.console.Logging(kDetailLogLevel))
    LogFields(ctx.console, f, kRvcDescDCSourceStatus4.FieldCount, tFieldShow::kScaledCodes,
              "RVCDCStatus4: ");
  const tDCSourceStatus4 s{Code8(f[0]),    Code8(f[1]),    Code(f[2]),
                           RVCValue(f[3]), RVCValue(f[4]), Code(f[5])};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s, ctx.now);
}

void RVCDCStatus5(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescDCSourceStatus5, msg, f)) return;
  // dV/dT scaled by the handler, its unit after the value.
  if (ctx.console.Logging(kDetailLogLevel))
    StreamPrintf(&ctx.console, "RVCDCStatus5(%d): Instance=%d, DevPri=%d, Vdc(V)=%g, dVdT=%g(V)\n",
                 msg.Source, Code(f[0]), Code(f[1]), Code32(f[2]) * kMilli,
                 (Code(f[3]) - kRateZero) * kMilli);
  const tDCSourceStatus5 s{Code8(f[0]), Code8(f[1]), RVCValue(f[2]), RVCRate16(Code16(f[3]))};
  ctx.devices.Update(msg.Source, s);
  ctx.batteries.Update(msg.Source, s, ctx.now);
}

void RVCDCStatus6(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescDCSourceStatus6, msg, f)) return;
  if (ctx.console.Logging(kDetailLogLevel))
    LogFields(ctx.console, f, kStatus6Logged, tFieldShow::kCodes, "RVCDCStatus6(%d), ", msg.Source);
  ctx.batteries.Update(
      msg.Source,
      tDCSourceStatus6{Code8(f[0]), Code8(f[1]), Flag(f[2]), Flag(f[3]), Flag(f[4]), Flag(f[5])},
      ctx.now);
}

void RVCDCStatus11(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kRvcDescDCSourceStatus11, msg, f)) return;
  if (ctx.console.Logging(kDetailLogLevel))
    LogFields(ctx.console, f, kRvcDescDCSourceStatus11.FieldCount, tFieldShow::kCodes,
              "RVCDCStatus11(%d), ", msg.Source);
  ctx.batteries.Update(msg.Source,
                       tDCSourceStatus11{Code8(f[0]), Code8(f[1]), Flag(f[2]), Flag(f[3]),
                                         Flag(f[4]), Flag(f[5]), Code(f[6]), Code(f[7])},
                       ctx.now);
}
