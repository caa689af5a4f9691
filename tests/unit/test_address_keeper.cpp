// The stored CAN address follows the address the node holds, not every move of a fight.
#include <gtest/gtest.h>

#include <vector>

#include "CanAddress.h"
#include "FakeRuntime.h"
#include "N2kClaimEvents.h"
#include "N2kTime.h"

namespace {
std::vector<int> Stored;
bool StoreFails = false;
// Stores at once, or fails at once.
class tFakeStore : public tAddressStore {
 public:
  void StartStore(int address, uint32_t now, tAddressKeeper &keeper) override {
    if (!StoreFails) Stored.push_back(address);
    keeper.StoreDone(!StoreFails, now);
  }
};

class AddressKeeper : public ::testing::Test {
 protected:
  void SetUp() override {
    Stored.clear();
    StoreFails = false;
    console_.SetDebugLevel(1);
  }
  tTestConsole console_;
  tFakeStore store_;
  tAddressKeeper keeper_{177, store_, console_};
};
}  // namespace

TEST_F(AddressKeeper, AFightWritesNothingAndTheSettledAddressOnceAfterFiveSeconds) {
  uint32_t t = 1000;
  for (uint8_t a = 178; a < 240; a++, t += 80) keeper_.Follow(kN2kClaimAddressChanged, a, false, t);
  EXPECT_TRUE(Stored.empty());
  EXPECT_EQ(std::string::npos, console_.text.find("Resettign my CAN address to: 177"));
  EXPECT_TRUE(console_.Has("Resettign my CAN address to: 178\n"));
  EXPECT_TRUE(console_.Has("Resettign my CAN address to: 239\n"));

  const uint32_t moved = t - 80;  // the last move, to 239
  keeper_.Follow(0, 239, true, moved + 250);
  EXPECT_EQ(4750u, keeper_.MsUntilDue(moved + 250));
  keeper_.Follow(0, 239, true, moved + 4999);
  EXPECT_TRUE(Stored.empty());
  keeper_.Follow(0, 239, true, moved + 5000);
  EXPECT_EQ(std::vector<int>{239}, Stored);
  keeper_.Follow(0, 239, true, moved + 20000);
  EXPECT_EQ(1u, Stored.size());
  EXPECT_EQ(kN2kNeverDue, keeper_.MsUntilDue(moved + 20000));
}

TEST_F(AddressKeeper, AFailedStoreIsTriedAgainAndTheStoredAddressIsNeverWrittenTwice) {
  keeper_.Follow(kN2kClaimAddressChanged, 36, false, 0);
  StoreFails = true;
  keeper_.Follow(0, 36, true, 5000);
  EXPECT_EQ(10000u, keeper_.MsUntilDue(5000));  // the wait doubles after each failure
  keeper_.Follow(0, 36, true, 15000);
  EXPECT_EQ(20000u, keeper_.MsUntilDue(15000));
  for (uint32_t t = 35000; t <= 155000; t += 60000) keeper_.Follow(0, 36, true, t);
  EXPECT_EQ(60000u, keeper_.MsUntilDue(155000));  // 40 s, then at most 60 s
  StoreFails = false;
  keeper_.Follow(0, 36, true, 214999);
  EXPECT_TRUE(Stored.empty());
  keeper_.Follow(0, 36, true, 215000);
  EXPECT_EQ(std::vector<int>{36}, Stored);

  // Back to the address in store: nothing to write.
  keeper_.Follow(kN2kClaimAddressChanged, 177, false, 220000);
  keeper_.Follow(kN2kClaimAddressChanged, 36, false, 220100);
  keeper_.Follow(0, 36, true, 240000);
  EXPECT_EQ(std::vector<int>{36}, Stored);
}

TEST_F(AddressKeeper, StopStoresAnUnsavedAddressButNeverTheNullAddress) {
  keeper_.Follow(kN2kClaimAddressChanged, 36, false, 0);
  keeper_.Stop(254, 0);  // cannot claim by now: nothing valid to keep
  EXPECT_TRUE(Stored.empty());
  keeper_.Stop(36, 0);
  EXPECT_EQ(std::vector<int>{36}, Stored);
  keeper_.Stop(36, 0);
  EXPECT_EQ(1u, Stored.size());
}

TEST_F(AddressKeeper, AFullBusAndATwinAreToldOnTheConsoleFromLevelOne) {
  keeper_.Follow(kN2kClaimCannotClaim, 254, false, 0);
  keeper_.Follow(0, 254, false, 60000);
  EXPECT_TRUE(Stored.empty());
  EXPECT_EQ(std::string::npos, console_.text.find("Resettign"));
  EXPECT_TRUE(console_.Has("No CAN address left to claim"));
  keeper_.Follow(kN2kClaimTwinName, 177, false, 60001);
  EXPECT_TRUE(console_.Has("uses this node's NAME"));

  console_.text.clear();
  console_.SetDebugLevel(0);
  keeper_.Follow(kN2kClaimCannotClaim | kN2kClaimTwinName, 254, false, 70000);
  EXPECT_EQ("", console_.text);
}

// The uci store beside the loop: "uci -q set", and "uci -q commit" only after the set
// worked; one store at a time, which the keeper waits for; a failure said as before.
TEST_F(AddressKeeper, TheUciStoreRunsBesideTheLoopOneAtATime) {
  tFakeRuntime rt;
  rt.holdCommands = true;
  tUciAddressStore uci(rt, console_);
  tAddressKeeper keeper(177, uci, console_);
  keeper.Follow(kN2kClaimAddressChanged, 36, false, 0);
  keeper.Follow(0, 36, true, 5000);
  keeper.Follow(0, 36, true, 9000);
  EXPECT_EQ(std::vector<std::string>{"uci -q set tidewire.@can[0].canaddress=36"}, rt.commands);
  EXPECT_EQ(kN2kNeverDue, keeper.MsUntilDue(9000));
  rt.Complete();
  EXPECT_EQ("uci -q commit tidewire", rt.commands.back());
  rt.runStatus = 1;
  rt.now = 9500;
  rt.Complete();
  EXPECT_TRUE(
      console_.Has("Could not store my CAN address 36 (uci commit failed), trying again later\n"));
  EXPECT_EQ(10000u, keeper.MsUntilDue(9500));  // twice the hold, from the failure
  rt.runStatus = 0;
  keeper.Follow(0, 36, true, 19500);
  rt.Complete();
  rt.Complete();
  keeper.Follow(0, 36, true, 80000);
  EXPECT_EQ(4u, rt.commands.size());  // stored: nothing more
  // At stop, an address still to store starts its store; the caller lets it finish.
  keeper.Follow(kN2kClaimAddressChanged, 40, false, 90000);
  keeper.Stop(40, 90001);
  EXPECT_EQ("uci -q set tidewire.@can[0].canaddress=40", rt.commands.back());
}
