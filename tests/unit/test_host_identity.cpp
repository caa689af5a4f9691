#include <gtest/gtest.h>

#include "HostIdentity.h"
#include "TextHelpers.h"

TEST(ReleaseNumber, ConvertsTheLeadingNumberAndFallsBack) {
  EXPECT_EQ(204, UniqueIdFromRelease("kQe-204", 1234));
  EXPECT_EQ(21, UniqueIdFromRelease("21.02.1", 1234));
  EXPECT_EQ(19, UniqueIdFromRelease("19.07.7", 1234));
  EXPECT_EQ(7, UniqueIdFromRelease("kQe-kQe-7", 1234));
  // One pass over the text: a pattern that only forms once another is removed stays.
  EXPECT_EQ(1234, UniqueIdFromRelease("kQkQe-e-7", 1234));
  EXPECT_EQ(-5, UniqueIdFromRelease("  -5x", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("kQe-", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("SNAPSHOT", 1234));
  EXPECT_EQ(1234, UniqueIdFromRelease("99999999999", 1234));  // beyond 32 bits
  EXPECT_EQ(2147483647, UniqueIdFromRelease("2147483647", 1234));
  int32_t v = 0;
  EXPECT_FALSE(ParseLeadingInt32("-2147483649", v));
  EXPECT_TRUE(ParseLeadingInt32("-2147483648", v));
  EXPECT_EQ(INT32_MIN, v);
}
