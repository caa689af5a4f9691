#include "RVCConversions.h"

#include <cmath>
#include <cstring>

namespace {
constexpr uint16_t kNA16 = 0xFFFF;
constexpr int32_t kRateZero = 32000;
constexpr double kMilli = 1000.0;
// How far steps x resolution may be from 1 for the resolution to count as 1/steps.
constexpr double kStepsSlack = 1e-9;
}  // namespace

float RVCNotAvailable() {
  const uint32_t bits = 0x7FBFFFFFu;
  float value;
  memcpy(&value, &bits, sizeof(value));
  return value;
}

float RVCValue(const tN2kFieldValue &f) {
  const tN2kField &d = *f.Field;
  if (f.Raw == d.NotAvailable) return RVCNotAvailable();
  const double steps = std::round(1.0 / d.Resolution);
  // A resolution that is no 1/n: scaled the plain way.
  if (steps < 1 || std::fabs(steps * d.Resolution - 1) > kStepsSlack)
    return static_cast<float>(static_cast<double>(f.Raw) * d.Resolution + d.Offset);
  const double zero = std::round(-d.Offset / d.Resolution);
  return static_cast<float>((static_cast<double>(f.Raw) - zero) / steps);
}

float RVCRate16(uint16_t raw) {
  if (raw == kNA16) return RVCNotAvailable();
  return static_cast<float>((static_cast<int32_t>(raw) - kRateZero) / kMilli);
}

float RVCRipple16(uint16_t raw) {
  if (raw == kNA16) return RVCNotAvailable();
  return static_cast<float>(raw / kMilli);
}
