#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "N2kDescriptions.h"
#include "RVCConversions.h"

namespace {
// A raw value of a described field, converted.
float Value(const tN2kMsgDesc &desc, const char *field, uint64_t raw) {
  const int i = N2kFieldIndex(desc, field);
  EXPECT_GE(i, 0) << field;
  return RVCValue(N2kFieldFromRaw(desc.Fields[i < 0 ? 0 : i], raw));
}

uint32_t Bits(float f) {
  uint32_t b;
  memcpy(&b, &f, sizeof(b));
  return b;
}
}  // namespace

TEST(RVCConversions, NotAvailableIsTheAgreedNaN) {
  EXPECT_TRUE(std::isnan(RVCNotAvailable()));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCNotAvailable()));
  EXPECT_EQ(0x7FBFFFFFu, Bits(Value(kRvcDescDCSourceStatus1, "Vdc", 0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(Value(kRvcDescChargerStatus, "CAdc", 0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(Value(kRvcDescDCSourceStatus1, "Adc", 0xFFFFFFFFu)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(Value(kRvcDescDCSourceStatus5, "Vdc", 0xFFFFFFFFu)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCRate16(0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(Value(kRvcDescDCSourceStatus2, "Temp", 0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCRipple16(0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(Value(kRvcDescChargerStatus2, "Temp", 255)));
}

TEST(RVCConversions, SixteenBitVoltsAndSignedAmps) {
  EXPECT_FLOAT_EQ(13.2f, Value(kRvcDescDCSourceStatus1, "Vdc", 264));
  EXPECT_FLOAT_EQ(0.0f, Value(kRvcDescDCSourceStatus1, "Vdc", 0));
  EXPECT_FLOAT_EQ(3276.7f, Value(kRvcDescDCSourceStatus1, "Vdc", 0xFFFE));
  EXPECT_FLOAT_EQ(5.0f, Value(kRvcDescChargerStatus, "CAdc", 32100));
  EXPECT_FLOAT_EQ(-5.0f, Value(kRvcDescChargerStatus, "CAdc", 31900));
  EXPECT_FLOAT_EQ(0.0f, Value(kRvcDescChargerStatus, "CAdc", 32000));
  EXPECT_FLOAT_EQ(-1600.0f, Value(kRvcDescChargerStatus, "CAdc", 0));
  EXPECT_FLOAT_EQ(1676.7f, Value(kRvcDescChargerStatus, "CAdc", 0xFFFE));
}

TEST(RVCConversions, ThirtyTwoBitFieldsOverTheirWholeRange) {
  EXPECT_FLOAT_EQ(1.5f, Value(kRvcDescDCSourceStatus1, "Adc", 2000001500u));
  EXPECT_FLOAT_EQ(-1.5f, Value(kRvcDescDCSourceStatus1, "Adc", 1999998500u));
  EXPECT_FLOAT_EQ(-2000000.0f, Value(kRvcDescDCSourceStatus1, "Adc", 0));
  // From 0x80000000 up the raw value does not fit a signed 32-bit number.
  EXPECT_FLOAT_EQ(147483.648f, Value(kRvcDescDCSourceStatus1, "Adc", 0x80000000u));
  EXPECT_FLOAT_EQ(2294967.294f, Value(kRvcDescDCSourceStatus1, "Adc", 0xFFFFFFFEu));
  EXPECT_FLOAT_EQ(13.2f, Value(kRvcDescDCSourceStatus5, "Vdc", 13200));
  EXPECT_FLOAT_EQ(4294967.294f, Value(kRvcDescDCSourceStatus5, "Vdc", 0xFFFFFFFEu));
}

TEST(RVCConversions, RateTemperatureAndRipple) {
  EXPECT_FLOAT_EQ(0.5f, RVCRate16(32500));
  EXPECT_FLOAT_EQ(-1.0f, RVCRate16(31000));
  EXPECT_FLOAT_EQ(-32.0f, RVCRate16(0));
  EXPECT_FLOAT_EQ(17.5f, Value(kRvcDescDCSourceStatus2, "Temp", 9296));
  EXPECT_FLOAT_EQ(-273.0f, Value(kRvcDescDCSourceStatus2, "Temp", 0));
  EXPECT_FLOAT_EQ(1774.9375f, Value(kRvcDescDCSourceStatus2, "Temp", 0xFFFE));
  EXPECT_FLOAT_EQ(0.15f, RVCRipple16(150));
  // Degrees C + 40: a charger byte 75 is 35 C.
  EXPECT_FLOAT_EQ(35.0f, Value(kRvcDescChargerStatus2, "Temp", 75));
  EXPECT_FLOAT_EQ(214.0f, Value(kRvcDescChargerStatus2, "Temp", 254));
  EXPECT_FLOAT_EQ(-40.0f, Value(kRvcDescChargerStatus2, "Temp", 0));
}
