#include <gtest/gtest.h>

#include "CanFrame.h"

// Identifiers worked out by hand from the J1939 layout.
TEST(CanId, EncodesKnownIdentifiers) {
  EXPECT_EQ(0x18EEFF23u, tCanId::Make(6, 60928, 255, 0x23).Raw());     // address claim
  EXPECT_EQ(0x18EAFFFEu, tCanId::Make(6, 59904, 255, 0xFE).Raw());     // request from null
  EXPECT_EQ(0x19F01423u, tCanId::Make(6, 126996, 255, 0x23).Raw());    // PDU2
  EXPECT_EQ(0x0DF01023u, tCanId::Make(3, 126992, 0x42, 0x23).Raw());   // PDU2 ignores dest
  EXPECT_EQ(0x19EE1023u, tCanId::Make(6, 126464, 0x10, 0x23).Raw());   // PDU1, data page 1
  EXPECT_EQ(0x1D7E4280u, tCanId::Make(7, 0x17E00, 0x42, 0x80).Raw());  // RV-C TERMINAL
  EXPECT_EQ(0x19FECA80u, tCanId::Make(6, 0x1FECA, 255, 0x80).Raw());
}

TEST(CanId, DecodesPdu1AndPdu2) {
  tCanId pdu1(0x1D7E4280);
  EXPECT_EQ(7, pdu1.Priority());
  EXPECT_EQ(0x17E00u, pdu1.PGN());
  EXPECT_EQ(0x42, pdu1.Destination());
  EXPECT_EQ(0x80, pdu1.Source());

  tCanId pdu2(0x19FFFF80);
  EXPECT_EQ(6, pdu2.Priority());
  EXPECT_EQ(0x1FFFFu, pdu2.PGN());
  EXPECT_EQ(255, pdu2.Destination());
  EXPECT_EQ(0x80, pdu2.Source());

  // Bits above 28 are not part of an extended identifier.
  EXPECT_EQ(0x18EEFF23u, tCanId(0xF8EEFF23).Raw());
}

TEST(CanId, RoundTripsAcrossTheWholePgnSpace) {
  for (uint32_t pgn = 0; pgn <= 0x3FFFF; pgn += 0x3F) {
    uint32_t canonical = tCanId::IsPdu1(pgn) ? (pgn & 0x3FF00) : pgn;
    for (uint8_t prio : {0, 3, 7}) {
      tCanId id = tCanId::Make(prio, canonical, 0x37, 0xA5);
      ASSERT_EQ(canonical, id.PGN()) << pgn;
      ASSERT_EQ(prio, id.Priority());
      ASSERT_EQ(0xA5, id.Source());
      ASSERT_EQ(tCanId::IsPdu1(canonical) ? 0x37 : 0xFF, id.Destination());
    }
  }
}
