// A trivial behaviour for tests of the terminal path: every TERMINAL (17E00) text
// addressed to the node is sent back to its sender unchanged.
#ifndef SIM_ECHOTERMINAL_H
#define SIM_ECHOTERMINAL_H

#include "Behaviour.h"

class tEchoTerminal : public tSimBehaviour {
 public:
  void OnMessage(tSimNode &node, const tN2kMsg &msg) override;
};

#endif
