// A simulated node with its behaviour on the in-memory bus, on a clock the test moves,
// for tests of the simulator's device models; a frame seen on the bus with the time it
// was seen; and the fixture those tests share.
#ifndef TESTS_UNIT_CLOCKEDSIMNODE_H
#define TESTS_UNIT_CLOCKEDSIMNODE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SimNode.h"
#include "TestBus.h"

class tClockedSimNode : public tSimNode {
 public:
  tClockedSimNode(tVirtualBus &bus, const tSimNodeConfig &config, tFakeClock &clock)
      : tSimNode(bus, config, MakeBehaviour(config.behaviour)), clock_(clock) {}

 protected:
  uint32_t CurrentTime() const override { return clock_.now; }

 private:
  tFakeClock &clock_;
};

struct tSeen {
  uint32_t at;
  tCanFrame frame;
};

class tSimNodeTest : public ::testing::Test {
 protected:
  // A node named NAME at 0x42 with the behaviour, opened; its address not settled yet.
  void Start(const std::string &name, const std::string &behaviour) {
    std::string error;
    ASSERT_TRUE(ParseNodeConfig(name, {"behaviour=" + behaviour, "address=0x42"}, config_, error))
        << error;
    node_.reset(new tClockedSimNode(bus_, config_, clock_));
    ASSERT_TRUE(node_->Open());
  }
  // Moves the clock in steps, keeping each frame with the time it went out.
  void Run(uint32_t ms, uint32_t step = 5) {
    for (uint32_t t = 0; t < ms; t += step) {
      node_->ParseMessages();
      for (const tCanFrame &f : probe_.Drain()) seen_.push_back({clock_.now, f});
      clock_.now += step;
    }
  }
  bool Do(const std::string &text) {
    std::string error;
    return node_->Behaviour()->OnCommand(*node_, text, error);
  }
  std::vector<tSeen> Frames(uint32_t id) const {
    std::vector<tSeen> out;
    for (const tSeen &s : seen_)
      if (s.frame.id == id) out.push_back(s);
    return out;
  }
  std::vector<std::vector<uint8_t>> Payloads(uint32_t id) const {
    std::vector<std::vector<uint8_t>> out;
    for (const tSeen &s : Frames(id)) out.emplace_back(s.frame.data, s.frame.data + s.frame.len);
    return out;
  }

  tFakeClock clock_;
  tVirtualBus bus_;
  tProbe probe_{bus_};
  tSimNodeConfig config_;
  std::unique_ptr<tClockedSimNode> node_;
  std::vector<tSeen> seen_;
};

#endif
