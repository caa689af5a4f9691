// Nodes that misbehave on purpose, for tests of the device under test's address claim:
// a node with another device's whole NAME, a chaser that takes every address it hears
// claimed, and a bus filled with fixed-address nodes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Chaser.h"
#include "Simulator.h"
#include "TestBus.h"

namespace {

// The daemon's NAME in the sandbox: unique number 204, manufacturer 277, function 150,
// class 30, industry group 4, arbitrary address capable.
constexpr uint64_t kDaemonName = 0xC03C960022A000CCull;
const std::vector<uint8_t> kDaemonNameBytes = {0xCC, 0x00, 0xA0, 0x22, 0x00, 0x96, 0x3C, 0xC0};

class SimMisbehave : public ::testing::Test {
 protected:
  void SetUp() override {
    err_ = tmpfile();
    ASSERT_NE(err_, nullptr);
    sim_.SetOutput(stdout, err_);
  }
  void TearDown() override { fclose(err_); }
  bool Run(const std::string &line) { return sim_.ExecuteLine(line, {"test", 1}); }
  // Steps until done() holds; a guard against hanging, not a speed check.
  template <typename Done>
  bool StepUntil(Done done) {
    for (int i = 0; i < 5000; i++) {
      sim_.Step(1);
      if (done()) return true;
    }
    return false;
  }
  void Settle(const char *node) {
    ASSERT_TRUE(StepUntil([&] { return sim_.FindNode(node)->IsReady(); }));
    probe_.Drain();
  }
  void Claim(uint8_t source, uint64_t name) {
    tCanFrame f = MakeFrame(0x18EEFF00u | source, {});
    f.len = 8;
    for (int i = 0; i < 8; i++) f.data[i] = static_cast<uint8_t>(name >> (8 * i));
    probe_.Send(f);
  }
  static std::vector<uint8_t> Data(const tCanFrame &f) {
    return std::vector<uint8_t>(f.data, f.data + f.len);
  }

  tSimulator sim_{nullptr, nullptr};
  tProbe probe_{sim_.Bus()};
  FILE *err_ = nullptr;
};

}  // namespace

TEST_F(SimMisbehave, WholeNameKeyGivesATwinThatNeverHearsItself) {
  // name= wins over the field keys.
  ASSERT_TRUE(Run("node twin name=0xC03C960022A000CC mfr=5 aac=0 address=0x10"));
  ASSERT_TRUE(Run("node twin2 name=0xC03C960022A000CC address=0x11"));
  sim_.Step(0);
  std::vector<tCanFrame> frames = probe_.Drain();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].id, 0x18EEFF10u);
  EXPECT_EQ(Data(frames[0]), kDaemonNameBytes);
  EXPECT_EQ(sim_.FindNode("twin")->GetName(), kDaemonName);
  // The bus hands a frame to every port but its sender's: each twin heard one claim.
  EXPECT_EQ(sim_.FindNode("twin")->Stats().rxFrames, 1u);
  EXPECT_EQ(sim_.FindNode("twin2")->Stats().rxFrames, 1u);

  EXPECT_FALSE(Run("node bad name=0x0001000000000000"));  // bit 48 is reserved
  EXPECT_FALSE(Run("node bad name=0x1FFFFFFFFFFFFFFFF"));
  EXPECT_FALSE(Run("adapter reset"));  // no link, so no adapter
}

TEST_F(SimMisbehave, ChaserTakesTheAddressOfEachClaimItHears) {
  ASSERT_TRUE(Run("node chaser behaviour=chaser aac=0 address=100"));
  ASSERT_TRUE(Run("node other address=101"));
  Settle("chaser");
  tSimNode &chaser = *sim_.FindNode("chaser");
  Claim(0x30, kDaemonName);
  sim_.Step(0);
  EXPECT_EQ(chaser.GetN2kSource(), 0x30);

  // Not chased: "cannot claim", a simulated node's claim, anything while stopped, and a
  // manufacturer code other than the target's.
  Claim(254, kDaemonName);
  ASSERT_TRUE(Run("claim other 0x31"));
  sim_.Step(0);
  EXPECT_EQ(chaser.GetN2kSource(), 0x30);
  ASSERT_TRUE(Run("do chaser stop"));
  Claim(0x32, kDaemonName);
  sim_.Step(0);
  EXPECT_EQ(chaser.GetN2kSource(), 0x30);
  ASSERT_TRUE(Run("do chaser target 100"));
  ASSERT_TRUE(Run("do chaser start 1"));
  Claim(0x33, kDaemonName);  // manufacturer 277
  sim_.Step(0);
  EXPECT_EQ(chaser.GetN2kSource(), 0x30);

  // With the target's code, and only once.
  ASSERT_TRUE(Run("do chaser target 277"));
  Claim(0x34, kDaemonName);
  Claim(0x35, kDaemonName + 1);
  sim_.Step(0);
  EXPECT_EQ(chaser.GetN2kSource(), 0x34);
  EXPECT_FALSE(static_cast<tChaser *>(chaser.Behaviour())->Chasing());
  EXPECT_FALSE(Run("do chaser target 2048"));
}

TEST_F(SimMisbehave, FullBusOfFixedAddressNodesHoldsTheirAddressesAndFallsSilent) {
  char line[64];
  for (int a = 0; a <= 253; a++) {
    std::snprintf(line, sizeof(line), "node n%d aac=0 address=%d", a, a);
    ASSERT_TRUE(Run(line));
  }
  ASSERT_TRUE(StepUntil([&] { return sim_.FindNode("n253")->IsReady(); }));
  for (int a = 0; a <= 253; a++) {
    std::snprintf(line, sizeof(line), "n%d", a);
    EXPECT_EQ(sim_.FindNode(line)->GetN2kSource(), a) << line;
  }
  // Asked by everybody, each answers with its claim.
  probe_.Drain();
  probe_.Send(MakeFrame(0x18EAFFFE, {0x00, 0xEE, 0x00}));
  sim_.Step(0);
  EXPECT_EQ(probe_.Drain().size(), 254u);

  for (int a = 0; a <= 253; a++) {
    std::snprintf(line, sizeof(line), "silent n%d", a);
    ASSERT_TRUE(Run(line));
  }
  probe_.Drain();
  probe_.Send(MakeFrame(0x18EAFFFE, {0x00, 0xEE, 0x00}));
  for (int i = 0; i < 10; i++) sim_.Step(0);
  EXPECT_TRUE(probe_.Drain().empty());
}
