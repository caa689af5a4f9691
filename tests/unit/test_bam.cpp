#include <gtest/gtest.h>

#include "BamReceiver.h"
#include "TestBus.h"

namespace {
// TP.CM / TP.DT to global from source 0x42.
const uint32_t kCm = 0x18ECFF42;
const uint32_t kDt = 0x1CEBFF42;
using R = tBamReceiver::tResult;

// Announces 17 bytes of PGN 0x0FEEB (PRODUCT_ID) in 3 packets.
tCanFrame Announce(int size = 17, int packets = 3) {
  return MakeFrame(kCm, {0x20, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                         static_cast<uint8_t>(packets), 0xFF, 0xEB, 0xFE, 0x00});
}
}  // namespace

TEST(BamReceiver, ReassemblesAProductId) {
  tBamReceiver r;
  tN2kMsg out;
  EXPECT_EQ(R::kPending, r.HandleControl(Announce(), 0));
  EXPECT_EQ(R::kPending,
            r.HandleData(MakeFrame(kDt, {1, 'A', 'C', 'M', 'E', '*', 'R', 'O'}), 50, out));
  EXPECT_EQ(R::kPending,
            r.HandleData(MakeFrame(kDt, {2, '5', '0', '0', '*', 'S', 'N', '1'}), 100, out));
  ASSERT_EQ(R::kComplete,
            r.HandleData(MakeFrame(kDt, {3, '2', '*', 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 150, out));
  EXPECT_EQ(0xFEEBu, out.PGN);
  EXPECT_EQ(0x42, out.Source);
  EXPECT_EQ(17, out.DataLen);
  EXPECT_EQ(0, memcmp("ACME*RO500*SN12*", out.Data, 16));
}

TEST(BamReceiver, WrongCountsAndOversizeAreDroppedAndCounted) {
  tBamReceiver r;
  tN2kMsg out;
  EXPECT_EQ(R::kDropped, r.HandleControl(Announce(17, 2), 0));  // too few packets
  EXPECT_EQ(R::kDropped, r.HandleControl(Announce(17, 9), 0));  // too many
  EXPECT_EQ(R::kDropped, r.HandleControl(Announce(0, 0), 0));
  EXPECT_EQ(R::kDropped, r.HandleControl(Announce(1785, 255), 0));  // longer than a message holds
  EXPECT_EQ(4u, r.Stats().badAnnounce);
  // Nothing was started, so data is orphaned.
  EXPECT_EQ(R::kDropped, r.HandleData(MakeFrame(kDt, {1, 1, 2, 3, 4, 5, 6, 7}), 0, out));
  EXPECT_EQ(1u, r.Stats().orphans);
  // Connection-mode traffic to a node is not ours to take part in.
  EXPECT_EQ(R::kDropped,
            r.HandleControl(MakeFrame(0x18EC2342, {0x10, 17, 0, 3, 0xFF, 0xEB, 0xFE, 0}), 0));
}

TEST(BamReceiver, SequenceGapsTimeoutsAndReplacement) {
  tN2kMsg out;
  {
    tBamReceiver r;
    r.HandleControl(Announce(), 0);
    r.HandleData(MakeFrame(kDt, {1, 1, 2, 3, 4, 5, 6, 7}), 0, out);
    EXPECT_EQ(R::kDropped, r.HandleData(MakeFrame(kDt, {3, 1, 2, 3, 4, 5, 6, 7}), 0, out));
    EXPECT_EQ(1u, r.Stats().sequenceErrors);
  }
  {
    tBamReceiver r;
    r.HandleControl(Announce(), 0);
    r.HandleData(MakeFrame(kDt, {1, 1, 2, 3, 4, 5, 6, 7}), 0, out);
    EXPECT_EQ(R::kDropped,
              r.HandleData(MakeFrame(kDt, {2, 1, 2, 3, 4, 5, 6, 7}), kBamTimeoutMs + 1, out));
    EXPECT_EQ(1u, r.Stats().timeouts);
  }
  {  // a new announcement replaces the unfinished one
    tBamReceiver r;
    r.HandleControl(Announce(), 0);
    r.HandleData(MakeFrame(kDt, {1, 1, 2, 3, 4, 5, 6, 7}), 0, out);
    r.HandleControl(Announce(9, 2), 10);
    r.HandleData(MakeFrame(kDt, {1, 9, 8, 7, 6, 5, 4, 3}), 20, out);
    ASSERT_EQ(R::kComplete,
              r.HandleData(MakeFrame(kDt, {2, 2, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 30, out));
    EXPECT_EQ(9, out.DataLen);
    EXPECT_EQ(1, out.Data[8]);
  }
  {  // a short last packet cannot complete the message
    tBamReceiver r;
    r.HandleControl(Announce(9, 2), 0);
    r.HandleData(MakeFrame(kDt, {1, 9, 8, 7, 6, 5, 4, 3}), 0, out);
    EXPECT_EQ(R::kDropped, r.HandleData(MakeFrame(kDt, {2, 2}), 0, out));
  }
}
