#include "Behaviour.h"

#include "BatteryBank.h"
#include "BusClocks.h"
#include "Chaser.h"
#include "ConverterDevice.h"
#include "EchoTerminal.h"
#include "PowerSenders.h"
#include "RO500Charger.h"

namespace {

struct tBehaviourEntry {
  const char *name;
  std::unique_ptr<tSimBehaviour> (*make)();
  const char *const *defaults;  // node keys the model brings, or null
};

// Device models add a row here.
const tBehaviourEntry kBehaviours[] = {
    {"echo-terminal", [] { return std::unique_ptr<tSimBehaviour>(new tEchoTerminal()); }, nullptr},
    {"ro500", [] { return std::unique_ptr<tSimBehaviour>(new tRO500Charger()); },
     kRO500NodeDefaults},
    {"chaser", [] { return std::unique_ptr<tSimBehaviour>(new tChaser()); }, nullptr},
    {"battery", [] { return std::unique_ptr<tSimBehaviour>(new tBatteryBank()); },
     kBatteryNodeDefaults},
    {"converter", [] { return std::unique_ptr<tSimBehaviour>(new tConverterDevice()); }, nullptr},
    {"n2k-battery", [] { return std::unique_ptr<tSimBehaviour>(new tN2kBatterySender()); },
     nullptr},
    {"n2k-charger", [] { return std::unique_ptr<tSimBehaviour>(new tN2kChargerSender()); },
     nullptr},
    {"dc-detailed", [] { return std::unique_ptr<tSimBehaviour>(new tDCDetailedSender()); },
     nullptr},
    {"engine", [] { return std::unique_ptr<tSimBehaviour>(new tEngineSender()); }, nullptr},
    {"n2k-clock", [] { return std::unique_ptr<tSimBehaviour>(new tN2kClock()); }, nullptr},
    {"rvc-clock", [] { return std::unique_ptr<tSimBehaviour>(new tRVCClock()); }, nullptr},
};

const tBehaviourEntry *Find(const std::string &name) {
  for (const auto &entry : kBehaviours)
    if (name == entry.name) return &entry;
  return nullptr;
}

}  // namespace

std::unique_ptr<tSimBehaviour> MakeBehaviour(const std::string &name) {
  const tBehaviourEntry *entry = Find(name);
  return entry != nullptr ? entry->make() : nullptr;
}

bool IsKnownBehaviour(const std::string &name) {
  return Find(name) != nullptr;
}

const char *const *BehaviourDefaults(const std::string &name) {
  const tBehaviourEntry *entry = Find(name);
  return entry != nullptr ? entry->defaults : nullptr;
}

std::string KnownBehaviours() {
  std::string names;
  for (const auto &entry : kBehaviours) {
    if (!names.empty()) names += ", ";
    names += entry.name;
  }
  return names;
}
