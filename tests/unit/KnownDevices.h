// Nodes on an in-memory bus that a device list knows, for tests of what the daemon
// does with a sender's identity: the registries are handed this as their device list.
// The list is the one of "ours" (the daemon's node, 177).
#ifndef TESTS_UNIT_KNOWNDEVICES_H
#define TESTS_UNIT_KNOWNDEVICES_H

#include <map>
#include <memory>

#include "DeviceDirectory.h"
#include "N2kDeviceList.h"
#include "TestBus.h"

class tKnownDevices : public tDeviceDirectory {
 public:
  tKnownDevices() {
    ours_.SetProductInformation("SER1", 1, "ours", "1.0", "A");
    ours_.SetDeviceInformation(204, 150, 30, 277, 4);
    ours_.SetMode(tNMEA2000::N2km_ListenAndNode, 177);
    ours_.Open();
    list_.reset(new tN2kDeviceList(&ours_));
  }
  tKnownDevices(const tKnownDevices &) = delete;
  tKnownDevices &operator=(const tKnownDevices &) = delete;

  // A node at address with this NAME and product information; the list knows it
  // after Settle().
  void Add(uint8_t address, uint32_t unique, uint16_t manufacturer, uint16_t product,
           const char *model, const char *modelVersion, const char *software = "1.0") {
    std::unique_ptr<tTestNode> &n = nodes_[address];
    n.reset();  // the one there before leaves the bus
    n.reset(new tTestNode(bus_, clock_));
    n->SetProductInformation("SER", product, model, software, modelVersion);
    n->SetDeviceInformation(unique, 170, 35, manufacturer, 4);
    n->SetMode(tNMEA2000::N2km_ListenAndNode, address);
    n->Open();
  }
  // Lets claims, requests and answers go round.
  void Settle(uint32_t ms = 1500) {
    for (uint32_t t = 0; t <= ms; t += 5) {
      ours_.ParseMessages();
      for (auto &n : nodes_) n.second->ParseMessages();
      clock_.now += 5;
    }
  }

  const tN2kDeviceList::tDevice *FindBySource(uint8_t source) const override {
    return list_->LocalFindDeviceBySource(source);
  }
  // A new, empty list: it knows nobody until Settle.
  void Rebuild() override {
    list_.reset();
    list_.reset(new tN2kDeviceList(&ours_));
    rebuilds++;
  }
  int rebuilds = 0;

 private:
  tVirtualBus bus_;
  tFakeClock clock_;
  tTestNode ours_{bus_, clock_};
  std::unique_ptr<tN2kDeviceList> list_;
  std::map<uint8_t, std::unique_ptr<tTestNode>> nodes_;
};

#endif
