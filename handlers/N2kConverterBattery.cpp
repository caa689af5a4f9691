// The two power handlers that do more than forward: converter status asks the
// converter for its configuration, battery status relays a RO500's own values.
#include "Console.h"
#include "DecodedFields.h"
#include "HandlerContext.h"
#include "N2kDescriptions.h"
#include "N2kGroupMessages.h"
#include "N2kMessages.h"
#include "N2kPgns.h"
#include "N2kPowerHandlers.h"

namespace {

constexpr int kPowerLogLevel = 4;
// Messages the daemon builds start from a placeholder source and priority 6; the node
// puts its own address in when it sends.
constexpr unsigned char kPlaceholderSource = 15;
constexpr unsigned char kBuiltPriority = 6;
// Converter SIDs at which its battery and charger configuration are asked for.
constexpr unsigned char kSidAskBatteryConfig = 10;
constexpr unsigned char kSidAskChargerConfig = 12;
// The relayed battery status of a RO500 takes the instance 100 places on, within 0..249.
constexpr int kRelayInstanceShift = 100;
constexpr int kRelayInstanceModulus = 250;
constexpr double kZeroCelsiusInKelvin = 273.15;

void RequestPgn(tMsgSender &bus, unsigned char destination, unsigned long pgn) {
  tN2kMsg request(kPlaceholderSource, kBuiltPriority, 0, 0);
  SetN2kPGN59904(request, destination, pgn);
  bus.SendMsg(request);
}

}  // namespace

void N2kConverterStatus(tHandlerContext &ctx, const tN2kMsg &msg) {
  unsigned char sid, connection;
  tN2kConvMode state;
  tN2kTemperatureState temperature;
  tN2kOverloadState overload;
  tN2kDCVolgateState lowDC;
  tN2kRippleState ripple;
  if (!ParseN2kPGN127750(msg, sid, connection, state, temperature, overload, lowDC, ripple)) return;
  if (ctx.console.Logging(kPowerLogLevel))
    StreamPrintf(&ctx.console,
                 "N2kConverterStatus(%d): SID=%d, ConnectionNumber=%d, OperatingState=%d, "
                 "TemperatureState=%d, OverloadState=%d, LowDcVoltageState=%d, RippleState=%d\n",
                 msg.Source, sid, connection, state, temperature, overload, lowDC, ripple);
  // Once per pass of a counting SID, both compared with the SID from before this one.
  if (sid == kSidAskBatteryConfig && ctx.lastConverterSid != kSidAskBatteryConfig) {
    RequestPgn(ctx.bus, msg.Source, kPgnBatteryConfigStatus);
    if (ctx.console.Logging(kPowerLogLevel))
      StreamPrintf(&ctx.console, "N2kConverterStatus(%d): Requesting PGN 127513\n", msg.Source);
  }
  if (sid == kSidAskChargerConfig && ctx.lastConverterSid != kSidAskChargerConfig) {
    RequestPgn(ctx.bus, msg.Source, kPgnChargerConfigStatus);
    if (ctx.console.Logging(kPowerLogLevel))
      StreamPrintf(&ctx.console, "N2kConverterStatus(%d): Requesting PGN 127510\n", msg.Source);
  }
  ctx.lastConverterSid = sid;
  ctx.lan.ForwardMsg(msg, ctx.now);
}

void N2kBatStat(tHandlerContext &ctx, const tN2kMsg &msg) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!DecodeLogged(ctx.console, kN2kDescBatteryStatus, msg, f, tFieldShow::kValues, kPowerLogLevel,
                    "N2kBatStat"))
    return;
  ctx.lan.ForwardMsg(msg, ctx.now);

  // A RO500's own battery values, as a battery status of its own (to the LAN only).
  double volts = f[1].Value, amps = f[2].Value, celsius = f[3].Value;
  if (!ctx.devices.GetBatStat(msg.Source, volts, amps, celsius)) return;
  const double relayKelvin = N2kIsNA(celsius) ? N2kDoubleNA : celsius + kZeroCelsiusInKelvin;
  const unsigned char relayInstance =
      static_cast<unsigned char>((Code(f[0]) + kRelayInstanceShift) % kRelayInstanceModulus);
  tN2kMsg relay(kPlaceholderSource, kBuiltPriority, 0, 0);
  SetN2kPGN127508(relay, relayInstance, volts, amps, relayKelvin, Code8(f[4]));
  ctx.lan.ForwardMsg(relay, ctx.now);
}
