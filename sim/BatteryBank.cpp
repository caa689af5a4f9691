#include "BatteryBank.h"

#include <cmath>

#include "RVCMessages.h"
#include "SimNode.h"

const char *const kBatteryNodeDefaults[] = {
    "function=170",  // battery
    "class=35",      // electrical generation
    "product=310",
    "model=LFP200",
    "sw=BMS1.4",
    "modelver=B",
    "tx=1FFFDh,1FFFCh,1FFFBh,1FEC9h,1FEC8h,1FEC7h,1FEA5h",
    nullptr,
};

const int tBatteryBank::kStatusNumbers[kStatuses] = {1, 2, 3, 4, 5, 6, 11};
const uint32_t tBatteryBank::kDefaultPeriodMs[kStatuses] = {500, 500, 500, 5000, 500, 5000, 1000};

namespace {
constexpr uint16_t kNA16 = 0xffff;
constexpr uint32_t kNA32 = 0xffffffffu;
constexpr uint8_t kNA8 = 0xff;
constexpr uint16_t kMax16 = 65532;  // the codes above mean "not available" and the like
constexpr uint32_t kMax32 = 4294967292u;
constexpr uint8_t kMax8 = 250;
constexpr double kMsPerHour = 3600000.0;

// A physical value as an RV-C raw field: (value - offset) / step, rounded and kept
// within the field's valid range.
uint32_t Raw(double value, double step, double offset, uint32_t max) {
  const double raw = std::round((value - offset) / step);
  if (!(raw > 0)) return 0;
  return raw >= max ? max : static_cast<uint32_t>(raw);
}
uint16_t Raw16(double value, double step, double offset = 0) {
  return static_cast<uint16_t>(Raw(value, step, offset, kMax16));
}
uint8_t Raw8(double value, double step) {
  return static_cast<uint8_t>(Raw(value, step, 0, kMax8));
}

// Relative capacity is state of charge times state of health.
double RelativeCapacity(const tBatteryBank::tBank &b) {
  return b.soc * b.soh / 100;
}
}  // namespace

tBatteryBank::tBatteryBank() : banks_(1) {
  for (int i = 0; i < kStatuses; i++) periodMs_[i] = kDefaultPeriodMs[i];
}

double tBatteryBank::Volts(const tBank &b) {
  if (b.volts >= 0) return b.volts;
  // A 12.8 V LiFePO4-like curve, less a little for the current drawn.
  return 12.0 + 1.4 * b.soc / 100 - 0.002 * b.amps;
}

int tBatteryBank::DesiredMode(const tBank &b) {
  return b.soc < 95 ? 2 : 6;
}

void tBatteryBank::OnResume(tSimNode &) {
  joined_ = false;  // a reporter that comes back waits again before it reports
}

void tBatteryBank::Advance(uint32_t now) {
  const uint32_t elapsed = now - lastAdvance_;
  lastAdvance_ = now;
  if (hold_) return;
  for (tBank &b : banks_) {
    if (b.capacityAh <= 0) continue;
    b.soc -= b.amps * elapsed / kMsPerHour / b.capacityAh * 100;
    if (b.soc < 0) b.soc = 0;
    if (b.soc > 100) b.soc = 100;
  }
}

void tBatteryBank::OnTick(tSimNode &node, uint32_t now) {
  if (!node.IsReady()) return;
  if (!joined_) {
    joined_ = true;
    lastAdvance_ = now;
    for (int i = 0; i < kStatuses; i++) dueAt_[i] = now + kJoinDelayMs + i * kSpreadMs;
    return;
  }
  Advance(now);
  for (int i = 0; i < kStatuses; i++) {
    if (static_cast<int32_t>(now - dueAt_[i]) < 0) continue;
    SendStatus(node, i);
    dueAt_[i] = now + periodMs_[i];
  }
}

void tBatteryBank::SendStatus(tSimNode &node, int index) {
  for (const tBank &b : banks_) {
    const double volts = Volts(b);
    const double relCap = RelativeCapacity(b);
    tN2kMsg msg;
    switch (kStatusNumbers[index]) {
      case 1:
        SetRVCPGN1FFFD(msg, b.instance, priority_, Available(kVolts) ? Raw16(volts, 0.05) : kNA16,
                       Available(kAmps) ? Raw(b.amps, 0.001, -2000000, kMax32) : kNA32);
        break;
      case 2: {
        // Minutes to empty while discharging; not available otherwise.
        const double minutes = b.amps > 0 ? relCap / 100 * b.capacityAh / b.amps * 60 : -1;
        SetRVCPGN1FFFC(msg, b.instance, priority_,
                       Available(kTemp) ? Raw16(b.tempC, 0.03125, -273) : kNA16,
                       Available(kSoc) ? Raw8(b.soc, 0.5) : kNA8,
                       Available(kTimeLeft) && minutes >= 0 ? Raw16(minutes, 1) : kNA16);
        break;
      }
      case 3:
        SetRVCPGN1FFFB(msg, b.instance, priority_, Available(kSoh) ? Raw8(b.soh, 0.5) : kNA8,
                       Available(kCapRem) ? Raw16(relCap / 100 * b.capacityAh, 1) : kNA16,
                       Available(kRelCap) ? Raw8(relCap, 0.5) : kNA8,
                       Available(kRipple) ? Raw16(b.ripple, 0.001) : kNA16);
        break;
      case 4:
        SetRVCPGN1FEC9(msg, b.instance, priority_,
                       static_cast<tRVCBatChrgMode>(Available(kDesMode) ? DesiredMode(b) : kNA8),
                       Available(kDesVolts) ? Raw16(b.desVolts, 0.05) : kNA16,
                       Available(kDesAmps) ? Raw16(b.desAmps, 0.05, -1600) : kNA16,
                       static_cast<tRVCBatType>(Available(kType) ? b.type : RVCBT_Unavailable));
        break;
      case 5:
        SetRVCPGN1FEC8(msg, b.instance, priority_,
                       Available(kVolts) ? Raw(volts, 0.001, 0, kMax32) : kNA32,
                       Available(kDvdt) ? Raw16(b.dvdt, 0.001, -32) : kNA16);
        break;
      case 6:
        // Limits of a 12 V bank: charging stops at 14.6 V, loads at 12.0 V, and the
        // load bus is cut at 11.5 V.
        SetRVCPGN1FEC7(msg, b.instance, priority_, volts >= 14.6, false, volts <= 12.0,
                       volts <= 11.5);
        break;
      case 11:
        SetRVCPGN1FEA5(msg, b.instance, priority_, volts > 11.5, true, b.amps < 0, b.soc <= 20,
                       Available(kCapacity) ? Raw16(b.capacityAh, 1) : kNA16,
                       Available(kPower) ? Raw16(std::fabs(volts * b.amps), 1) : kNA16);
        break;
    }
    node.Send(msg);
  }
}
