// Once per loop pass, when the bus device list has changed: every RO500 in it that the
// registry does not hold is registered, and at debug level 7 and up every device is
// reported on the console (handed in, as to every function here).
#ifndef APP_DEVICESCAN_H
#define APP_DEVICESCAN_H

#include "Console.h"
#include "Devices.h"
#include "N2kDeviceList.h"

constexpr uint16_t kRO500ManufacturerCode = 963;
constexpr uint16_t kRO500ProductCode = 200;

// Scans this list into the registry at now (the loop pass's time): nothing unless the
// list's changed flag was up (reading clears it) or the registry asks for a new scan (a
// silent charger's heartbeat came back).
void ScanDeviceList(tN2kDeviceList &list, tDevices &devices, tConsole &console, uint32_t now);
// Registers (RO500s only) and reports one device; null does nothing. A registered
// address now held by another device loses its record first (OFFLINE on its port), and
// a RO500 registered at another address is moved to this one: typed text must only
// ever reach the charger whose port it was typed at.
void ReportDevice(const tN2kDeviceList::tDevice *device, tDevices &devices, tConsole &console,
                  uint32_t now);
// label and the PGNs, ", " between them, then a line end; nothing at all for null.
void PrintPGNList(tConsole &console, const char *label, const unsigned long *list);

#endif
