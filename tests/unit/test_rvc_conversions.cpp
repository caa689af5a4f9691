#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "RVCConversions.h"

namespace {
uint32_t Bits(float f) {
  uint32_t b;
  memcpy(&b, &f, sizeof(b));
  return b;
}
}  // namespace

TEST(RVCConversions, NotAvailableIsTheAgreedNaN) {
  EXPECT_TRUE(std::isnan(RVCNotAvailable()));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCNotAvailable()));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCVolts16(0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCAmps16(0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCAmps32(0xFFFFFFFFu)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCVolts32(0xFFFFFFFFu)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCRate16(0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCTemp16(0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCRipple16(0xFFFF)));
  EXPECT_EQ(0x7FBFFFFFu, Bits(RVCTemp8(255)));
}

TEST(RVCConversions, SixteenBitVoltsAndSignedAmps) {
  EXPECT_FLOAT_EQ(13.2f, RVCVolts16(264));
  EXPECT_FLOAT_EQ(0.0f, RVCVolts16(0));
  EXPECT_FLOAT_EQ(3276.7f, RVCVolts16(0xFFFE));
  EXPECT_FLOAT_EQ(5.0f, RVCAmps16(32100));
  EXPECT_FLOAT_EQ(-5.0f, RVCAmps16(31900));
  EXPECT_FLOAT_EQ(0.0f, RVCAmps16(32000));
  EXPECT_FLOAT_EQ(-1600.0f, RVCAmps16(0));
  EXPECT_FLOAT_EQ(1676.7f, RVCAmps16(0xFFFE));
}

TEST(RVCConversions, ThirtyTwoBitFieldsOverTheirWholeRange) {
  EXPECT_FLOAT_EQ(1.5f, RVCAmps32(2000001500u));
  EXPECT_FLOAT_EQ(-1.5f, RVCAmps32(1999998500u));
  EXPECT_FLOAT_EQ(-2000000.0f, RVCAmps32(0));
  // From 0x80000000 up the raw value does not fit a signed 32-bit number.
  EXPECT_FLOAT_EQ(147483.648f, RVCAmps32(0x80000000u));
  EXPECT_FLOAT_EQ(2294967.294f, RVCAmps32(0xFFFFFFFEu));
  EXPECT_FLOAT_EQ(13.2f, RVCVolts32(13200));
  EXPECT_FLOAT_EQ(4294967.294f, RVCVolts32(0xFFFFFFFEu));
}

TEST(RVCConversions, RateTemperatureAndRipple) {
  EXPECT_FLOAT_EQ(0.5f, RVCRate16(32500));
  EXPECT_FLOAT_EQ(-1.0f, RVCRate16(31000));
  EXPECT_FLOAT_EQ(-32.0f, RVCRate16(0));
  EXPECT_FLOAT_EQ(17.5f, RVCTemp16(9296));
  EXPECT_FLOAT_EQ(-273.0f, RVCTemp16(0));
  EXPECT_FLOAT_EQ(1774.9375f, RVCTemp16(0xFFFE));
  EXPECT_FLOAT_EQ(0.15f, RVCRipple16(150));
  // Degrees C + 40: a charger byte 75 is 35 C.
  EXPECT_FLOAT_EQ(35.0f, RVCTemp8(75));
  EXPECT_FLOAT_EQ(214.0f, RVCTemp8(254));
  EXPECT_FLOAT_EQ(-40.0f, RVCTemp8(0));
}
