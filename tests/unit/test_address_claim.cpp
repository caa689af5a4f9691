#include <gtest/gtest.h>

#include <vector>

#include "AddressClaim.h"
#include "N2kGroupMessages.h"

namespace {
struct tSink : tFrameSink {
  std::vector<tCanFrame> frames;
  bool SendControlFrame(const tCanFrame &f) override {
    frames.push_back(f);
    return true;
  }
};

uint64_t NameOf(const tCanFrame &f) {
  uint64_t n = 0;
  for (int i = 7; i >= 0; i--) n = (n << 8) | f.data[i];
  return n;
}

const uint64_t kOurs = 0xA0961E0022A000CCull;
const uint64_t kLower = 0x0000000000000001ull;
const uint64_t kHigher = 0xFFFFFFFFFFFFFFFFull;
}  // namespace

TEST(NextFreeAddress, SkipsTakenAndReservedAndWraps) {
  std::bitset<256> taken;
  EXPECT_EQ(178, NextFreeAddress(177, taken));
  taken[178] = taken[179] = true;
  EXPECT_EQ(180, NextFreeAddress(177, taken));
  EXPECT_EQ(0, NextFreeAddress(253, taken));  // 254 and 255 are never handed out
  taken[0] = true;
  EXPECT_EQ(1, NextFreeAddress(252, std::bitset<256>().set(253).set(0)));
  std::bitset<256> full;
  for (int a = 0; a < 254; a++) full[a] = true;
  EXPECT_EQ(-1, NextFreeAddress(10, full));
  full[10] = false;  // only our own address is free: that is not another address
  EXPECT_EQ(-1, NextFreeAddress(10, full));
}

TEST(AddressClaimer, ClaimsThenSettles) {
  tAddressClaimer c;
  tSink sink;
  c.SetName(kOurs);
  c.SetPreferredAddress(177);
  c.Start(sink, 1000);
  ASSERT_EQ(1u, sink.frames.size());
  EXPECT_EQ(0x18EEFFB1u, sink.frames[0].id);
  EXPECT_EQ(kOurs, NameOf(sink.frames[0]));
  EXPECT_FALSE(c.IsReady());
  c.Tick(1000 + kClaimSettleMs - 1);
  EXPECT_FALSE(c.IsReady());
  c.Tick(1000 + kClaimSettleMs);
  EXPECT_TRUE(c.IsReady());
  EXPECT_FALSE(c.ReadResetAddressChanged());
}

TEST(AddressClaimer, LosesToALowerNameAndDefendsAgainstAHigherOne) {
  tAddressClaimer c;
  tSink sink;
  c.SetName(kOurs);
  c.SetPreferredAddress(177);
  c.Start(sink, 0);
  c.Tick(300);

  c.OnClaim(177, kHigher, sink, 310);  // we win: our claim again, same address
  ASSERT_EQ(2u, sink.frames.size());
  EXPECT_EQ(0x18EEFFB1u, sink.frames[1].id);
  EXPECT_EQ(177, c.Address());
  EXPECT_FALSE(c.ReadResetAddressChanged());

  c.OnClaim(178, 0x5555, sink, 320);  // 178 is somebody else's
  c.OnClaim(177, kLower, sink, 330);  // we lose 177 and skip 178
  ASSERT_EQ(3u, sink.frames.size());
  EXPECT_EQ(0x18EEFFB3u, sink.frames[2].id);
  EXPECT_EQ(179, c.Address());
  EXPECT_FALSE(c.IsReady());
  EXPECT_TRUE(c.ReadResetAddressChanged());
  EXPECT_FALSE(c.ReadResetAddressChanged());
  c.Tick(330 + kClaimSettleMs);
  EXPECT_TRUE(c.IsReady());
  c.OnClaim(179, kOurs, sink, 700);  // our own claim heard back changes nothing
  EXPECT_EQ(3u, sink.frames.size());
}

TEST(AddressClaimer, CannotClaimWhenEveryAddressIsTaken) {
  tAddressClaimer c;
  tSink sink;
  c.SetName(kOurs);
  c.SetPreferredAddress(5);
  c.Start(sink, 0);
  for (int a = 0; a < 254; a++)
    if (a != 5) c.OnClaim(a, kLower + a, sink, 1);
  c.OnClaim(5, kLower + 1000, sink, 2);
  EXPECT_EQ(tAddressClaimer::tState::kCannotClaim, c.State());
  EXPECT_EQ(254, c.Address());
  EXPECT_EQ(0x18EEFFFEu, sink.frames.back().id);
  EXPECT_FALSE(c.IsReady());
  // Asked for claims, it says again that it cannot claim.
  c.OnClaimRequest(255, sink);
  EXPECT_EQ(0x18EEFFFEu, sink.frames.back().id);
}

TEST(AddressClaimer, AnswersRequestsAndCommandedAddresses) {
  tAddressClaimer c;
  tSink sink;
  c.SetName(kOurs);
  c.SetPreferredAddress(177);
  c.OnClaimRequest(255, sink);  // not started: silent
  EXPECT_TRUE(sink.frames.empty());
  c.Start(sink, 0);
  c.OnClaimRequest(255, sink);
  c.OnClaimRequest(177, sink);
  c.OnClaimRequest(12, sink);  // addressed to somebody else
  EXPECT_EQ(3u, sink.frames.size());
  c.OnCommandedAddress(254, sink, 10);  // not a usable address
  EXPECT_EQ(177, c.Address());
  c.OnCommandedAddress(42, sink, 10);
  EXPECT_EQ(42, c.Address());
  EXPECT_EQ(0x18EEFF2Au, sink.frames.back().id);
  EXPECT_TRUE(c.ReadResetAddressChanged());
}

TEST(AddressClaimer, AFixedAddressNodeGivesUpInsteadOfMoving) {
  tAddressClaimer c;
  tSink sink;
  c.SetName(kOurs & ~(1ull << 63));  // not arbitrary address capable
  c.SetPreferredAddress(35);
  c.Start(sink, 0);
  c.OnClaim(35, kLower, sink, 10);
  EXPECT_EQ(tAddressClaimer::tState::kCannotClaim, c.State());
  EXPECT_EQ(0x18EEFFFEu, sink.frames.back().id);
  EXPECT_FALSE(c.ReadResetAddressChanged());
}
