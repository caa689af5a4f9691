#include <gtest/gtest.h>

#include <vector>

#include "AddressClaim.h"

namespace {
uint64_t NameOf(const tCanFrame &f) {
  uint64_t n = 0;
  for (int i = 7; i >= 0; i--) n = (n << 8) | f.data[i];
  return n;
}

const uint64_t kOurs = 0xA0961E0022A000CCull;  // arbitrary address capable
const uint64_t kLower = 0x0000000000000001ull;
const uint64_t kHigher = 0xFFFFFFFFFFFFFFFFull;

// The claimer with a node around it that writes what is due, one pass per millisecond.
struct tWire {
  tAddressClaimer c;
  struct tSent {
    uint32_t at;
    tCanFrame frame;
  };
  std::vector<tSent> sent;
  bool refuse = false;  // the link takes nothing
  uint32_t now = 0;

  explicit tWire(uint64_t name = kOurs, uint8_t preferred = 177) {
    c.SetName(name);
    c.SetPreferredAddress(preferred);
    c.Seed(12345);
  }
  void Pass() {
    c.Tick(now);
    tCanFrame f;
    if (!c.FrameDue(now, f)) return;
    if (refuse) {
      c.FrameFailed(now);
      return;
    }
    sent.push_back({now, f});
    c.FrameSent(now);
  }
  void RunTo(uint32_t until) {
    for (; now <= until; now++) Pass();
    now = until;
  }
  // Runs until the next frame is written (at most limit ms); false when none came.
  bool RunToNextFrame(uint32_t limit) {
    size_t before = sent.size();
    for (uint32_t end = now + limit; now <= end; now++) {
      Pass();
      if (sent.size() > before) return true;
    }
    return false;
  }
  uint32_t LastId() const { return sent.empty() ? 0 : sent.back().frame.id; }
};
}  // namespace

TEST(NextFreeAddress, SkipsTakenAndReservedAndWraps) {
  std::bitset<256> taken;
  EXPECT_EQ(178, NextFreeAddress(177, taken));
  taken[178] = taken[179] = true;
  EXPECT_EQ(180, NextFreeAddress(177, taken));
  EXPECT_EQ(0, NextFreeAddress(253, taken));  // 254 and 255 are never handed out
  EXPECT_EQ(1, NextFreeAddress(252, std::bitset<256>().set(253).set(0)));
  std::bitset<256> full;
  for (int a = 0; a < 254; a++) full[a] = true;
  EXPECT_EQ(-1, NextFreeAddress(10, full));
  full[10] = false;  // only our own address is free: that is not another address
  EXPECT_EQ(-1, NextFreeAddress(10, full));
}

TEST(ClaimFrames, ClaimAndRequestBytes) {
  tCanFrame claim = AddressClaimFrame(0xC0AA82002FB08758ull, 0x23);
  EXPECT_EQ(0x18EEFF23u, claim.id);
  const uint8_t bytes[8] = {0x58, 0x87, 0xB0, 0x2F, 0x00, 0x82, 0xAA, 0xC0};
  ASSERT_EQ(8, claim.len);
  for (int i = 0; i < 8; i++) EXPECT_EQ(bytes[i], claim.data[i]) << i;
  tCanFrame request = ClaimRequestFrame();  // to everybody, from the null address
  EXPECT_EQ(0x18EAFFFEu, request.id);
  ASSERT_EQ(3, request.len);
  EXPECT_EQ(0x00, request.data[0]);
  EXPECT_EQ(0xEE, request.data[1]);
  EXPECT_EQ(0x00, request.data[2]);
}

TEST(AddressClaimer, SettlesTwoHundredFiftyMsAfterTheClaimWasWritten) {
  tWire w;
  w.refuse = true;  // the link takes nothing at first
  w.now = 1000;
  w.c.Start(w.now);
  w.RunTo(1120);
  EXPECT_TRUE(w.sent.empty());
  EXPECT_FALSE(w.c.IsReady());  // a claim that never went out does not count
  w.refuse = false;
  ASSERT_TRUE(w.RunToNextFrame(60));  // refused writes are retried 50 ms apart
  const uint32_t written = w.sent[0].at;
  EXPECT_LE(written, 1120u + 50u);
  EXPECT_EQ(0x18EEFFB1u, w.LastId());
  EXPECT_EQ(kOurs, NameOf(w.sent[0].frame));
  EXPECT_EQ(250u, w.c.MsUntilDue(written));
  w.RunTo(written + 249);
  EXPECT_FALSE(w.c.IsReady());
  w.RunTo(written + 250);
  EXPECT_TRUE(w.c.IsReady());
  EXPECT_EQ(kN2kNeverDue, w.c.MsUntilDue(w.now));
  EXPECT_EQ(0u, w.c.ReadResetEvents());
}

TEST(AddressClaimer, DefendsAgainstAHigherNameAndMovesAfterARandomDelayOnALowerOne) {
  tWire w;
  w.c.Start(0);
  w.RunTo(300);
  ASSERT_TRUE(w.c.IsReady());

  w.c.OnClaim(177, kHigher, w.now);  // we win: our claim again, same address
  ASSERT_TRUE(w.RunToNextFrame(1));
  EXPECT_EQ(0x18EEFFB1u, w.LastId());
  EXPECT_TRUE(w.c.IsReady());

  w.c.OnClaim(178, 0x5555, w.now);  // 178 is somebody else's
  const uint32_t lost = w.now;
  w.c.OnClaim(177, kLower, w.now);  // we lose 177 and skip 178
  EXPECT_FALSE(w.c.IsReady());
  ASSERT_TRUE(w.RunToNextFrame(200));
  EXPECT_EQ(0x18EEFFB3u, w.LastId());
  EXPECT_LE(w.sent.back().at - lost, 153u);  // J1939's 0..153 ms
  EXPECT_EQ(179, w.c.Address());
  EXPECT_TRUE(w.c.ReadResetAddressChanged());
  EXPECT_FALSE(w.c.ReadResetAddressChanged());
  w.RunTo(w.sent.back().at + 250);
  EXPECT_TRUE(w.c.IsReady());
}

TEST(AddressClaimer, DelaysOfTwoClaimersWithDifferentSeedsDiffer) {
  // Twins that collide at the same moment must not move in step.
  tWire a, b;
  b.c.Seed(999);
  std::vector<uint32_t> da, db;
  for (int round = 0; round < 8; round++) {
    for (tWire *w : {&a, &b}) {
      w->c.Start(w->now);
      w->RunTo(w->now + 300);
      uint32_t lost = w->now;
      w->c.OnClaim(w->c.Address(), kLower + round, w->now);
      ASSERT_TRUE(w->RunToNextFrame(200));
      (w == &a ? da : db).push_back(w->sent.back().at - lost);
    }
  }
  EXPECT_NE(da, db);
}

TEST(AddressClaimer, AClaimWithOurOwnNameAtOurAddressIsATwinAndWeLeave) {
  tWire w;
  w.c.Start(0);
  w.RunTo(300);
  w.c.OnClaim(40, kOurs, w.now);  // a twin elsewhere only takes its address
  EXPECT_TRUE(w.c.IsReady());
  EXPECT_EQ(0u, w.c.ReadResetEvents());
  w.c.OnClaim(177, kOurs, w.now);
  EXPECT_FALSE(w.c.IsReady());
  EXPECT_EQ(unsigned{kN2kClaimTwinName}, w.c.ReadResetEvents());
  ASSERT_TRUE(w.RunToNextFrame(200));
  EXPECT_EQ(0x18EEFFB2u, w.LastId());
  EXPECT_EQ(kOurs, NameOf(w.sent.back().frame));  // the NAME itself stays
}

TEST(AddressClaimer, AChaserEndsInCannotClaimAndARetryWithinAMinute) {
  tWire w;
  w.c.Start(0);
  w.RunTo(300);
  // A node with a lower NAME claims whatever address we move to.
  int claims = 0;
  while (w.c.State() != tAddressClaimer::tState::kCannotClaim && claims < 100) {
    w.c.OnClaim(w.c.Address(), kLower, w.now);
    ASSERT_TRUE(w.RunToNextFrame(200));
    claims++;
  }
  EXPECT_EQ(16, claims);  // 15 moves, then "cannot claim"
  EXPECT_EQ(0x18EEFFFEu, w.LastId());
  EXPECT_EQ(kOurs, NameOf(w.sent.back().frame));
  EXPECT_EQ(254, w.c.Address());
  EXPECT_TRUE(w.c.ReadResetEvents() & kN2kClaimCannotClaim);
  const uint32_t gaveUp = w.now;

  // Asked for claims meanwhile: "cannot claim" again, 0..153 ms later.
  w.c.OnClaimRequest(255, w.now);
  ASSERT_TRUE(w.RunToNextFrame(200));
  EXPECT_EQ(0x18EEFFFEu, w.LastId());
  EXPECT_LE(w.now - gaveUp, 153u);

  // 30..60 s later it asks the bus who is there, and with nobody answering takes 177.
  uint32_t due = w.c.MsUntilDue(w.now);
  EXPECT_GE(w.now + due - gaveUp, 30000u);
  EXPECT_LT(w.now + due - gaveUp, 60000u);
  ASSERT_TRUE(w.RunToNextFrame(60000));
  EXPECT_EQ(0x18EAFFFEu, w.LastId());
  EXPECT_GE(w.now - gaveUp, 30000u);
  EXPECT_LT(w.now - gaveUp, 60000u);
  const uint32_t asked = w.now;
  ASSERT_TRUE(w.RunToNextFrame(300));
  EXPECT_EQ(0x18EEFFB1u, w.LastId());
  EXPECT_EQ(250u, w.now - asked);
  EXPECT_TRUE(w.c.ReadResetAddressChanged());
  w.RunTo(w.now + 250);
  EXPECT_TRUE(w.c.IsReady());
}

TEST(AddressClaimer, AFullBusGivesCannotClaimUntilAnAddressIsFree) {
  tWire w(kOurs, 5);
  w.c.Start(0);
  w.RunTo(1);
  for (int a = 0; a < 254; a++)
    if (a != 5) w.c.OnClaim(a, kLower + a, w.now);
  w.c.OnClaim(5, kLower + 1000, w.now);
  EXPECT_EQ(tAddressClaimer::tState::kCannotClaim, w.c.State());
  ASSERT_TRUE(w.RunToNextFrame(1));  // at once: it just lost its address
  EXPECT_EQ(0x18EEFFFEu, w.LastId());

  // The retry hears every address defended again: cannot claim once more.
  ASSERT_TRUE(w.RunToNextFrame(60000));
  ASSERT_EQ(0x18EAFFFEu, w.LastId());
  for (int a = 0; a < 254; a++) w.c.OnClaim(a, kLower + a, w.now + 1);
  ASSERT_TRUE(w.RunToNextFrame(300));
  EXPECT_EQ(0x18EEFFFEu, w.LastId());

  // The next retry hears only address 5 taken: the next free one, 6.
  ASSERT_TRUE(w.RunToNextFrame(60000));
  ASSERT_EQ(0x18EAFFFEu, w.LastId());
  w.c.OnClaim(5, kLower, w.now + 1);
  ASSERT_TRUE(w.RunToNextFrame(300));
  EXPECT_EQ(0x18EEFF06u, w.LastId());
}

TEST(AddressClaimer, AnswersRequestsAndCommandedAddresses) {
  tWire w;
  w.c.OnClaimRequest(255, 0);  // not started: silent
  w.RunTo(10);
  EXPECT_TRUE(w.sent.empty());
  w.c.Start(w.now);
  w.RunTo(300);
  ASSERT_EQ(1u, w.sent.size());
  w.c.OnClaimRequest(255, w.now);
  ASSERT_TRUE(w.RunToNextFrame(1));
  w.c.OnClaimRequest(177, w.now);
  ASSERT_TRUE(w.RunToNextFrame(1));
  w.c.OnClaimRequest(12, w.now);  // addressed to somebody else
  EXPECT_FALSE(w.RunToNextFrame(20));
  EXPECT_EQ(3u, w.sent.size());
  w.c.OnCommandedAddress(254, w.now);  // not a usable address
  EXPECT_EQ(177, w.c.Address());
  w.c.OnCommandedAddress(42, w.now);
  ASSERT_TRUE(w.RunToNextFrame(1));
  EXPECT_EQ(42, w.c.Address());
  EXPECT_EQ(0x18EEFF2Au, w.LastId());
  EXPECT_TRUE(w.c.ReadResetAddressChanged());
}

TEST(AddressClaimer, AFixedAddressNodeGivesUpInsteadOfMoving) {
  tWire w(kOurs & ~(1ull << 63), 35);  // not arbitrary address capable
  w.c.Start(0);
  w.RunTo(300);
  w.c.OnClaim(35, kLower, w.now);
  EXPECT_EQ(tAddressClaimer::tState::kCannotClaim, w.c.State());
  ASSERT_TRUE(w.RunToNextFrame(1));
  EXPECT_EQ(0x18EEFFFEu, w.LastId());
  EXPECT_FALSE(w.c.ReadResetAddressChanged());
}

TEST(AddressClaimer, ALinkThatComesBackClaimsTheAddressItHeld) {
  tWire w;
  w.c.Start(0);
  w.RunTo(300);
  w.c.OnClaim(177, kLower, w.now);
  ASSERT_TRUE(w.RunToNextFrame(200));
  ASSERT_EQ(178, w.c.Address());
  w.c.ReadResetEvents();
  w.c.Start(w.now + 1000);  // reopened: claim 178 again, no move
  w.now += 1000;
  ASSERT_TRUE(w.RunToNextFrame(1));
  EXPECT_EQ(0x18EEFFB2u, w.LastId());
  EXPECT_FALSE(w.c.ReadResetAddressChanged());
}
