// What the registries need of the bus device list, which app/ owns: the node at an
// address, and a fresh start that makes every node be found again as new.
#ifndef CORE_DEVICEDIRECTORY_H
#define CORE_DEVICEDIRECTORY_H

#include <cstdint>

#include "N2kDeviceList.h"

class tDeviceDirectory {
 public:
  virtual ~tDeviceDirectory() = default;
  // The node at this source address as the list knows it, or null (a list just
  // rebuilt does not know anyone yet). Valid until the list changes.
  virtual const tN2kDeviceList::tDevice *FindBySource(uint8_t source) const = 0;
  // Forgets every node and asks the bus again.
  virtual void Rebuild() = 0;
};

#endif
