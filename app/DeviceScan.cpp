#include "DeviceScan.h"

#include "Console.h"

namespace {
constexpr int kReportLevel = 7;
constexpr int kReassignLogLevel = 1;
constexpr unsigned char kLastScannedAddress = 253;

bool IsRO500(const tN2kDeviceList::tDevice &d) {
  return d.GetManufacturerCode() == kRO500ManufacturerCode &&
         d.GetProductCode() == kRO500ProductCode && d.GetSwCode()[0] != '\0' &&
         d.GetModelID()[0] != '\0';
}

// The record at the device's address belongs to another device when the one there now
// is not a RO500 maker's or has another unique number (known from its address claim,
// before its product information).
bool HeldByAnother(const tRO500 &record, const tN2kDeviceList::tDevice &d) {
  return d.GetManufacturerCode() != kRO500ManufacturerCode ||
         record.UniqueNumber() != static_cast<int>(d.GetUniqueNumber());
}

void Register(const tN2kDeviceList::tDevice &d, tDevices &devices, tConsole &console,
              uint32_t now) {
  int source = d.GetSource();
  int unique = static_cast<int>(d.GetUniqueNumber());
  tRO500 *record = devices.Find(source);
  if (record != nullptr && HeldByAnother(*record, d)) {
    if (console.Logging(kReassignLogLevel))
      StreamPrintf(&console, "ReportDevice: RO500 #%d no longer at CANAddr = %d\n",
                   record->UniqueNumber(), source);
    devices.Remove(source);
    record = nullptr;
  }
  if (record != nullptr || !IsRO500(d)) return;
  // Still on the bus but not heard: registered again at its next heartbeat.
  if (devices.IsSilent(source, unique)) return;
  int old = devices.FindUniqueNumber(unique);
  if (old >= 0) {
    if (console.Logging(kReassignLogLevel))
      StreamPrintf(&console, "ReportDevice: RO500 #%d moved from CANAddr = %d to %d\n", unique, old,
                   source);
    devices.Remove(old);
  }
  devices.Add(source, unique, d.GetSwCode(), d.GetModelID(), now);
}
}  // namespace

void ScanDeviceList(tN2kDeviceList &list, tDevices &devices, tConsole &console, uint32_t now) {
  const bool updated = list.ReadResetIsListUpdated();
  if (!devices.ReadResetRescan() && !updated) return;
  if (console.Logging(kReportLevel)) {
    EndLine(&console);
    console.println("**********************************************************************");
  }
  for (unsigned char source = 0; source <= kLastScannedAddress; source++)
    ReportDevice(list.LocalFindDeviceBySource(source), devices, console, now);
}

void ReportDevice(const tN2kDeviceList::tDevice *device, tDevices &devices, tConsole &console,
                  uint32_t now) {
  if (device == nullptr) return;
  Register(*device, devices, console, now);
  if (!console.Logging(kReportLevel)) return;
  console.print("  ModeID: ");
  console.println(device->GetModelID());
  console.print("  Source: ");
  console.println(device->GetSource(), 10);
  console.print("  Manufacturer code:        ");
  console.println(device->GetManufacturerCode(), 10);
  console.print("  Product code:             ");
  console.println(device->GetProductCode(), 10);
  console.print("  Unique number:            ");
  console.println(static_cast<int>(device->GetUniqueNumber()), 10);
  console.print("  Software version:         ");
  console.println(device->GetSwCode());
  console.print("  Model version:            ");
  console.println(device->GetModelVersion());
  console.print("  Manufacturer Information: ");
  console.println(device->GetManufacturerInformation());
  PrintPGNList(console, "  Transmit PGNs :", device->GetTransmitPGNs());
  PrintPGNList(console, "  Receive PGNs  :", device->GetReceivePGNs());
  EndLine(&console);
}

void PrintPGNList(tConsole &console, const char *label, const unsigned long *list) {
  if (list == nullptr) return;
  console.print(label);
  for (size_t i = 0; list[i] != 0; i++) {
    if (i > 0) console.print(", ");
    console.print(static_cast<int>(list[i]), 10);
  }
  EndLine(&console);
}
