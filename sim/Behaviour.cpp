#include "Behaviour.h"

#include "EchoTerminal.h"

namespace {

struct tBehaviourEntry {
  const char *name;
  std::unique_ptr<tSimBehaviour> (*make)();
};

// Device models add a row here.
const tBehaviourEntry kBehaviours[] = {
    {"echo-terminal", [] { return std::unique_ptr<tSimBehaviour>(new tEchoTerminal()); }},
};

}  // namespace

std::unique_ptr<tSimBehaviour> MakeBehaviour(const std::string &name) {
  for (const auto &entry : kBehaviours)
    if (name == entry.name) return entry.make();
  return nullptr;
}

bool IsKnownBehaviour(const std::string &name) {
  for (const auto &entry : kBehaviours)
    if (name == entry.name) return true;
  return false;
}

std::string KnownBehaviours() {
  std::string names;
  for (const auto &entry : kBehaviours) {
    if (!names.empty()) names += ", ";
    names += entry.name;
  }
  return names;
}
