// The bus device list the daemon reads: created at start-up, replaced by an empty one
// when a dead RO500 has been dropped so that it is found again as new.
#ifndef APP_DEVICELIST_H
#define APP_DEVICELIST_H

#include "N2kDeviceList.h"

// The current list; null before start-up creates it.
extern tN2kDeviceList *DeviceList;

// Creates the list, or replaces it by a new, empty one bound to the node.
void ResetDeviceList();

#endif
