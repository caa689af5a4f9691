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

void Register(const tN2kDeviceList::tDevice &d, tDevices &devices) {
  int source = d.GetSource();
  int unique = static_cast<int>(d.GetUniqueNumber());
  tRO500 *record = devices.Find(source);
  if (record != nullptr && HeldByAnother(*record, d)) {
    if (Logging(kReassignLogLevel))
      StreamPrintf(Console, "ReportDevice: RO500 #%d no longer at CANAddr = %d\n",
                   record->UniqueNumber(), source);
    devices.Remove(source);
    record = nullptr;
  }
  if (record != nullptr || !IsRO500(d)) return;
  // Still on the bus but not heard: registered again at its next heartbeat.
  if (devices.IsSilent(source, unique)) return;
  int old = devices.FindUniqueNumber(unique);
  if (old >= 0) {
    if (Logging(kReassignLogLevel))
      StreamPrintf(Console, "ReportDevice: RO500 #%d moved from CANAddr = %d to %d\n", unique, old,
                   source);
    devices.Remove(old);
  }
  devices.Add(source, unique, d.GetSwCode(), d.GetModelID());
}
}  // namespace

void ScanDeviceList(tN2kDeviceList &list, tDevices &devices) {
  const bool updated = list.ReadResetIsListUpdated();
  if (!devices.ReadResetRescan() && !updated) return;
  if (Logging(kReportLevel)) {
    EndLine(Console);
    Console->println("**********************************************************************");
  }
  for (unsigned char source = 0; source <= kLastScannedAddress; source++)
    ReportDevice(list.LocalFindDeviceBySource(source), devices);
}

void ReportDevice(const tN2kDeviceList::tDevice *device, tDevices &devices) {
  if (device == nullptr) return;
  Register(*device, devices);
  if (!Logging(kReportLevel)) return;
  Console->print("  ModeID: ");
  Console->println(device->GetModelID());
  Console->print("  Source: ");
  Console->println(device->GetSource(), 10);
  Console->print("  Manufacturer code:        ");
  Console->println(device->GetManufacturerCode(), 10);
  Console->print("  Product code:             ");
  Console->println(device->GetProductCode(), 10);
  Console->print("  Unique number:            ");
  Console->println(static_cast<int>(device->GetUniqueNumber()), 10);
  Console->print("  Software version:         ");
  Console->println(device->GetSwCode());
  Console->print("  Model version:            ");
  Console->println(device->GetModelVersion());
  Console->print("  Manufacturer Information: ");
  Console->println(device->GetManufacturerInformation());
  PrintPGNList("  Transmit PGNs :", device->GetTransmitPGNs());
  PrintPGNList("  Receive PGNs  :", device->GetReceivePGNs());
  EndLine(Console);
}

void PrintPGNList(const char *label, const unsigned long *list) {
  if (list == nullptr) return;
  Console->print(label);
  for (size_t i = 0; list[i] != 0; i++) {
    if (i > 0) Console->print(", ");
    Console->print(static_cast<int>(list[i]), 10);
  }
  EndLine(Console);
}
