#include "DeviceList.h"

#include "ProcessObjects.h"

tN2kDeviceList *DeviceList = nullptr;

void ResetDeviceList() {
  delete DeviceList;  // detaches the old list from the node
  DeviceList = new tN2kDeviceList(&NMEA2000);
}
