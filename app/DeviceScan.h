// Once per loop pass, when the bus device list has changed: every RO500 in it that the
// registry does not hold is registered, and at debug level 7 and up every device is
// reported on the console.
#ifndef APP_DEVICESCAN_H
#define APP_DEVICESCAN_H

#include "N2kDeviceList.h"

constexpr uint16_t kRO500ManufacturerCode = 963;
constexpr uint16_t kRO500ProductCode = 200;

// Scans the process's device list (nothing before it exists).
void ScanDeviceList();
// Scans this list: nothing unless its changed flag was up (reading clears it).
void ScanDeviceList(tN2kDeviceList &list);
// Registers (RO500s only) and reports one device; null does nothing. A registered
// address now held by another device loses its record first (OFFLINE on its port), and
// a RO500 registered at another address is moved to this one: typed text must only
// ever reach the charger whose port it was typed at.
void ReportDevice(const tN2kDeviceList::tDevice *device);
// label and the PGNs, ", " between them, then a line end; nothing at all for null.
void PrintPGNList(const char *label, const unsigned long *list);

#endif
