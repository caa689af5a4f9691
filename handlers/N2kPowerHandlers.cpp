// The power handlers that log and forward: switch bank, DC detailed, charger status and
// configuration, battery configuration, engine; and the ISO request, which is only
// logged (the node answers requests itself).
#include "N2kPowerHandlers.h"
#include "Console.h"
#include "DecodedFields.h"
#include "HandlerContext.h"
#include "N2kDescriptions.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"

namespace {
constexpr int kPowerLogLevel = 4;
constexpr int kDetailLogLevel = 8;
// The DC detailed status line leaves out the capacity, which only the 11-byte form has.
constexpr int kDCDetailLogged = 7;
}  // namespace

void N2kISORequest(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned long pgn;
  if (!ParseN2kPGN59904(msg, pgn)) return;
  if (ctx.console.Logging(kPowerLogLevel))
    StreamPrintf(&ctx.console, "N2kISORequest(%d): PGN=%d\n", msg.Source, static_cast<int>(pgn));
}

// Forwarded whatever its data: nothing here needs its fields.
void N2kBinaryStatusReport(tHandlerContext &ctx, const tN2kMsg &msg) {
  if (ctx.console.Logging(kPowerLogLevel))
    StreamPrintf(&ctx.console, "N2kBinaryStatusReport(%d):\n", msg.Source);
  ctx.lan.ForwardMsg(msg, ctx.now);
}

void N2kDCDetailStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!DecodeLogged(ctx.console, kN2kDescDCDetailedStatus, msg, f, tFieldShow::kValues,
                    kPowerLogLevel, "N2kDCDetailStat", kDCDetailLogged))
    return;
  ctx.lan.ForwardMsg(msg, ctx.now);
}

void N2kChargerStatus(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char instance, batteryInstance;
  tN2kChargeState state;
  tN2kChargerMode mode;
  tN2kOnOff enabled, pending;
  double eqTime;
  if (!ParseN2kPGN127507(msg, instance, batteryInstance, state, mode, enabled, pending, eqTime))
    return;
  // "tN2kChargerMode=" is the label peers' log parsers know.
  if (ctx.console.Logging(kPowerLogLevel))
    StreamPrintf(&ctx.console,
                 "N2kChargerStatus(%d): Instance=%d, BatteryInstance=%d, ChargeState=%d, "
                 "tN2kChargerMode=%d, Enabled=%d, EqualizationPending=%d, "
                 "EqualizationTimeRemaining=%g\n",
                 msg.Source, instance, batteryInstance, state, mode, enabled, pending, eqTime);
  ctx.lan.ForwardMsg(msg, ctx.now);
}

void N2kChargerConfigStatus(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char charger, battery;
  tN2kOnOff enable, equalization, overCharge;
  double limit, eqTime;
  tN2kChargingAlgorithm algorithm;
  tN2kChargerMode mode;
  tBattTempNoSensor temperature;
  if (!ParseN2kPGN127510(msg, charger, battery, enable, limit, algorithm, mode, temperature,
                         equalization, overCharge, eqTime))
    return;
  // "ChargerInsance" is misspelt on purpose: it is the label the log has always had.
  if (ctx.console.Logging(kPowerLogLevel))
    StreamPrintf(&ctx.console,
                 "N2kChargerConfigStatus(%d): ChargerInsance=%d, BatteryInstance=%d, Enable=%d, "
                 "ChargeCurrentLimit=%g, ChargingAlgorithm=%d, ChargerMode=%d, "
                 "BatteryTemperature=%d, EqualizationEnabled=%d, OverChargeEnable=%d, "
                 "EqualizationTimeRemaining=%g\n",
                 msg.Source, charger, battery, enable, limit, algorithm, mode, temperature,
                 equalization, overCharge, eqTime);
  ctx.lan.ForwardMsg(msg, ctx.now);
}

void N2kBatConfigStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!DecodeLogged(ctx.console, kN2kDescBatteryConfigStatus, msg, f, tFieldShow::kValues,
                    kDetailLogLevel, "N2kBatConfigStat"))
    return;
  ctx.lan.ForwardMsg(msg, ctx.now);
}

void N2kEngParamRapid(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!DecodeLogged(ctx.console, kN2kDescEngineRapid, msg, f, tFieldShow::kValues, kDetailLogLevel,
                    "N2kEngParamRapid"))
    return;
  // A speed the decoder gives as not available leaves the AST field as it is.
  ctx.devices.Update(msg.Source, tEngineSpeed{Code8(f[0]), f[1].Value, f[2].Value,
                                              static_cast<int8_t>(Code(f[3]))});
  ctx.lan.ForwardMsg(msg, ctx.now);
}
