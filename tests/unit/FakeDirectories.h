// Stand-ins for what the registries are handed: a tty assigner that hands out one path
// and keeps what it was asked, and a device list that knows nobody and counts its
// rebuilds.
#ifndef TESTS_UNIT_FAKEDIRECTORIES_H
#define TESTS_UNIT_FAKEDIRECTORIES_H

#include <string>
#include <utility>
#include <vector>

#include "DeviceDirectory.h"
#include "TtyAssignment.h"

// Answers at once with path, or, while hold is set, when the test calls Answer.
class tFakeTtys : public tTtyAssigner {
 public:
  std::string path;
  bool hold = false;
  std::vector<std::pair<int, std::string>> assigned;  // unique number, model ID
  std::vector<std::vector<int>> inUse;                // the ports in use of each call
  std::vector<tTtyRequester *> waiting;               // held, in the order asked

  void AssignTty(int unique, const char *modelId, tTtyRequester &requester, uint32_t now) override {
    assigned.emplace_back(unique, modelId);
    inUse.push_back(requester.PortsInUse());
    if (hold)
      waiting.push_back(&requester);
    else
      requester.TtyAssigned(unique, path, now);
  }
  // Answers the k-th request with tty, in a pass at now.
  void Answer(size_t k, const std::string &tty, uint32_t now) {
    waiting[k]->TtyAssigned(assigned[k].first, tty, now);
  }
};

class tEmptyDirectory : public tDeviceDirectory {
 public:
  int rebuilds = 0;
  const tN2kDeviceList::tDevice *FindBySource(uint8_t) const override { return nullptr; }
  void Rebuild() override { rebuilds++; }
};

#endif
