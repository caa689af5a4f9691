#include "DeviceList.h"

void tDeviceListHolder::ResetDeviceList() {
  list_.reset();  // detaches the old list from the node before the new one attaches
  list_.reset(new tN2kDeviceList(&node_));
}

const tN2kDeviceList::tDevice *tDeviceListHolder::FindBySource(uint8_t source) const {
  return list_ == nullptr ? nullptr : list_->LocalFindDeviceBySource(source);
}
