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

class tFakeTtys : public tTtyAssigner {
 public:
  std::string path;
  std::vector<std::pair<int, std::string>> assigned;  // unique number, model ID
  std::vector<std::vector<int>> inUse;                // the ports in use of each call

  std::string AssignTty(int unique, const char *modelId, const std::vector<int> &ports) override {
    assigned.emplace_back(unique, modelId);
    inUse.push_back(ports);
    return path;
  }
};

class tEmptyDirectory : public tDeviceDirectory {
 public:
  int rebuilds = 0;
  const tN2kDeviceList::tDevice *FindBySource(uint8_t) const override { return nullptr; }
  void Rebuild() override { rebuilds++; }
};

#endif
