// What a simulated node does beyond what the bus library does for every node (claim,
// request answers, heartbeat): the hook later device models (RO500 chargers, batteries,
// converters, engines, clocks) attach to.
//
// A behaviour belongs to one node. It is called from inside the node's ParseMessages:
// OnMessage for every message the node receives (whoever it is addressed to), OnTick
// on each pass of the loop (every few ms), OnCommand for "do NODE TEXT" lines, OnResume
// when the node comes back from silence (a device that was off starts afresh). It is
// not called while its node is silent. It sends through node.Send.
#ifndef SIM_BEHAVIOUR_H
#define SIM_BEHAVIOUR_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "N2kMsg.h"

class tSimNode;

class tSimBehaviour {
 public:
  virtual ~tSimBehaviour() = default;
  virtual void OnMessage(tSimNode &node, const tN2kMsg &msg) {
    (void)node;
    (void)msg;
  }
  virtual void OnTick(tSimNode &node, uint32_t now) {
    (void)node;
    (void)now;
  }
  // A command for this behaviour ("do NODE TEXT"). False, with a message in error,
  // when it is not understood.
  virtual bool OnCommand(tSimNode &node, const std::string &text, std::string &error) {
    (void)node;
    (void)text;
    error = "this behaviour takes no commands";
    return false;
  }
  virtual void OnResume(tSimNode &node) { (void)node; }
};

// The behaviour called name, or null when there is none.
std::unique_ptr<tSimBehaviour> MakeBehaviour(const std::string &name);
bool IsKnownBehaviour(const std::string &name);
// The known names, comma-separated, for messages.
std::string KnownBehaviours();
// The node keys a behaviour brings when the scenario does not give them ("mfr=963",
// ...), null-terminated; null when it brings none.
const char *const *BehaviourDefaults(const std::string &name);

#endif
