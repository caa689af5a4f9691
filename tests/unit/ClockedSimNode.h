// A simulated node with its behaviour on the in-memory bus, on a clock the test moves,
// for tests of the simulator's device models; and a frame seen on the bus with the
// time it was seen.
#ifndef TESTS_UNIT_CLOCKEDSIMNODE_H
#define TESTS_UNIT_CLOCKEDSIMNODE_H

#include <cstdint>

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

#endif
