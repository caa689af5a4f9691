#include "RVCConversions.h"

#include <cstring>

namespace {
constexpr uint16_t kNA16 = 0xFFFF;
constexpr uint32_t kNA32 = 0xFFFFFFFFu;
constexpr uint8_t kNA8 = 0xFF;
constexpr int32_t kCurrent16Zero = 32000;
constexpr int64_t kCurrent32Zero = 2000000000;
constexpr double kStepsPerVolt16 = 20.0;
constexpr double kStepsPerAmp16 = 20.0;
constexpr double kMilli = 1000.0;
constexpr double kTemp16Step = 0.03125;
constexpr double kTemp16Offset = 273.0;
constexpr int kTemp8Offset = 40;  // RV-C 8-bit temperature: degrees C + 40
}  // namespace

float RVCNotAvailable() {
  const uint32_t bits = 0x7FBFFFFFu;
  float value;
  memcpy(&value, &bits, sizeof(value));
  return value;
}

float RVCVolts16(uint16_t raw) {
  if (raw == kNA16) return RVCNotAvailable();
  return static_cast<float>(raw / kStepsPerVolt16);
}

float RVCAmps16(uint16_t raw) {
  if (raw == kNA16) return RVCNotAvailable();
  return static_cast<float>((static_cast<int32_t>(raw) - kCurrent16Zero) / kStepsPerAmp16);
}

float RVCAmps32(uint32_t raw) {
  if (raw == kNA32) return RVCNotAvailable();
  return static_cast<float>(static_cast<double>(static_cast<int64_t>(raw) - kCurrent32Zero) /
                            kMilli);
}

float RVCVolts32(uint32_t raw) {
  if (raw == kNA32) return RVCNotAvailable();
  return static_cast<float>(raw / kMilli);
}

float RVCRate16(uint16_t raw) {
  if (raw == kNA16) return RVCNotAvailable();
  return static_cast<float>((static_cast<int32_t>(raw) - kCurrent16Zero) / kMilli);
}

float RVCTemp16(uint16_t raw) {
  if (raw == kNA16) return RVCNotAvailable();
  return static_cast<float>(raw * kTemp16Step - kTemp16Offset);
}

float RVCRipple16(uint16_t raw) {
  if (raw == kNA16) return RVCNotAvailable();
  return static_cast<float>(raw / kMilli);
}

float RVCTemp8(uint8_t raw) {
  if (raw == kNA8) return RVCNotAvailable();
  return static_cast<float>(static_cast<int>(raw) - kTemp8Offset);
}
