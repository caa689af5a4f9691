// The power handlers that log and forward: switch bank, DC detailed, charger status and
// configuration, battery configuration, engine; and the ISO request, which is only
// logged (the node answers requests itself).
#include "N2kPowerHandlers.h"
#include "Console.h"
#include "HandlerContext.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"

namespace {
constexpr int kPowerLogLevel = 4;
constexpr int kDetailLogLevel = 8;
}  // namespace

void N2kISORequest(tHandlerContext &, const tN2kMsg &msg) {
  unsigned long pgn;
  if (!ParseN2kPGN59904(msg, pgn)) return;
  if (Logging(kPowerLogLevel))
    StreamPrintf(Console, "N2kISORequest(%d): PGN=%d\n", msg.Source, static_cast<int>(pgn));
}

// Forwarded whatever its data: nothing here needs its fields.
void N2kBinaryStatusReport(tHandlerContext &ctx, const tN2kMsg &msg) {
  if (Logging(kPowerLogLevel)) StreamPrintf(Console, "N2kBinaryStatusReport(%d):\n", msg.Source);
  ctx.lan.ForwardMsg(msg);
}

void N2kDCDetailStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char sid, instance, soc, soh;
  tN2kDCType type;
  double timeRemaining, ripple;
  if (!ParseN2kPGN127506(msg, sid, instance, type, soc, soh, timeRemaining, ripple)) return;
  if (Logging(kPowerLogLevel))
    StreamPrintf(Console,
                 "N2kDCDetailStat(%d): SID=%d, DCInstance=%d, DCType=%d, StateOfCharge=%d, "
                 "StateOfHealth=%d, TimeRemaining=%g, RippleVoltage=%g\n",
                 msg.Source, sid, instance, type, soc, soh, timeRemaining, ripple);
  ctx.lan.ForwardMsg(msg);
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
  if (Logging(kPowerLogLevel))
    StreamPrintf(Console,
                 "N2kChargerStatus(%d): Instance=%d, BatteryInstance=%d, ChargeState=%d, "
                 "tN2kChargerMode=%d, Enabled=%d, EqualizationPending=%d, "
                 "EqualizationTimeRemaining=%g\n",
                 msg.Source, instance, batteryInstance, state, mode, enabled, pending, eqTime);
  ctx.lan.ForwardMsg(msg);
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
  if (Logging(kPowerLogLevel))
    StreamPrintf(Console,
                 "N2kChargerConfigStatus(%d): ChargerInsance=%d, BatteryInstance=%d, Enable=%d, "
                 "ChargeCurrentLimit=%g, ChargingAlgorithm=%d, ChargerMode=%d, "
                 "BatteryTemperature=%d, EqualizationEnabled=%d, OverChargeEnable=%d, "
                 "EqualizationTimeRemaining=%g\n",
                 msg.Source, charger, battery, enable, limit, algorithm, mode, temperature,
                 equalization, overCharge, eqTime);
  ctx.lan.ForwardMsg(msg);
}

void N2kBatConfigStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char instance;
  tN2kBatType type;
  tN2kBatEqSupport equal;
  tN2kBatNomVolt nominal;
  tN2kBatChem chemistry;
  double capacity, peukert;
  int8_t coefficient, efficiency;
  if (!ParseN2kPGN127513(msg, instance, type, equal, nominal, chemistry, capacity, coefficient,
                         peukert, efficiency))
    return;
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console,
                 "N2kBatConfigStat(%d): BatInstance=%d, BatType=%d, SupportsEqual=%d, "
                 "BatNominalVoltage=%d, BatChemistry=%d, BatCapacity=%g, "
                 "BatTemperatureCoefficient=%d, PeukertExponent=%g, ChargeEfficiencyFactor=%d\n",
                 msg.Source, instance, type, equal, nominal, chemistry, capacity, coefficient,
                 peukert, efficiency);
  ctx.lan.ForwardMsg(msg);
}

void N2kEngParamRapid(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char instance;
  double speed, boost;
  int8_t tiltTrim;
  if (!ParseN2kPGN127488(msg, instance, speed, boost, tiltTrim)) return;
  if (Logging(kDetailLogLevel))
    StreamPrintf(Console,
                 "N2kEngParamRapid(%d): EngineInstance=%d, EngineSpeed=%g, "
                 "EngineBoostPressure=%g, EngineTiltTrim=%d\n",
                 msg.Source, instance, speed, boost, tiltTrim);
  // A speed the decoder gives as not available leaves the AST field as it is.
  ctx.devices.UpdateEngSpeed(msg.Source, tEngineSpeed{instance, speed, boost, tiltTrim});
  ctx.lan.ForwardMsg(msg);
}
