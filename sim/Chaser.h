// A node that takes other nodes' addresses on purpose, for tests of how the device under
// test copes with losing its address again and again.
//
// Whenever it hears an address claim from a node that is not one of the simulator's own
// (by NAME), it claims that address at once. It wins only with the lower NAME, so give
// it aac=0 (a fixed-address NAME beats every arbitrary-address-capable one) or a low
// name=. Claims from 254 ("cannot claim") and claims for its own address are left alone.
//
// Commands ("do NODE ..."):
//   stop          stop chasing
//   start [N]     chase again; with N, only the next N claims, then stop
//   target MFR    chase only NAMEs with this manufacturer code (0..2047)
//   target any    chase every NAME that is not a simulated node's (the default)
#ifndef SIM_CHASER_H
#define SIM_CHASER_H

#include <cstdint>

#include "Behaviour.h"

class tChaser : public tSimBehaviour {
 public:
  void OnMessage(tSimNode &node, const tN2kMsg &msg) override;
  bool OnCommand(tSimNode &node, const std::string &text, std::string &error) override;

  bool Chasing() const { return chasing_; }
  uint32_t Chased() const { return chased_; }

 private:
  bool chasing_ = true;
  uint32_t remaining_ = 0;  // claims left to chase; 0: no limit
  int target_ = -1;         // manufacturer code to chase, -1: any
  uint32_t chased_ = 0;
};

#endif
