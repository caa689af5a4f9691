// The bus device list the daemon reads: made at start-up, replaced by an empty one
// when a dead RO500 has been dropped so that every node is found again as new. It is
// the registries' tDeviceDirectory.
#ifndef APP_DEVICELIST_H
#define APP_DEVICELIST_H

#include <memory>

#include "DeviceDirectory.h"
#include "N2kDeviceList.h"
#include "NMEA2000.h"

class tDeviceListHolder : public tDeviceDirectory {
 public:
  explicit tDeviceListHolder(tNMEA2000 &node) : node_(node) {}

  // Makes the list, or replaces it by a new, empty one bound to the node (which asks
  // the bus who is there).
  void ResetDeviceList();
  // The current list; null before the first ResetDeviceList.
  tN2kDeviceList *List() { return list_.get(); }

  const tN2kDeviceList::tDevice *FindBySource(uint8_t source) const override;
  void Rebuild() override { ResetDeviceList(); }

 private:
  tNMEA2000 &node_;
  std::unique_ptr<tN2kDeviceList> list_;
};

#endif
