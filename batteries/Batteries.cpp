#include "Batteries.h"

#include <tuple>

#include "BatteryLogPath.h"
#include "Console.h"
#include "DeviceList.h"
#include "N2kTime.h"
#include "RunSettings.h"

namespace {
constexpr int kRegisterLogLevel = 4;

bool SameNode(const tBattery &b, const tN2kDeviceList::tDevice &d) {
  return b.uniqueNumber == d.GetUniqueNumber() && b.manufacturerCode == d.GetManufacturerCode();
}
}  // namespace

tBattery *tBatteries::Find(int source) {
  auto it = records_.find(source);
  return it == records_.end() ? nullptr : &it->second;
}

tBattery *tBatteries::Add(int source, uint8_t instance, uint8_t devPri) {
  const tN2kDeviceList::tDevice *d =
      DeviceList != nullptr
          ? DeviceList->LocalFindDeviceBySource(static_cast<unsigned char>(source & 0xff))
          : nullptr;
  tBattery *known = Find(source);
  // A list just rebuilt does not know the node yet: its record stays as it is.
  if (known != nullptr && (d == nullptr || SameNode(*known, *d))) return known;
  if (d == nullptr) return nullptr;
  const uint32_t unique = d->GetUniqueNumber();
  const uint16_t manufacturer = d->GetManufacturerCode();
  if (known != nullptr) {
    // Another node holds the address now: its values must not go to the old file.
    if (RunSettings.debugLevel >= kRegisterLogLevel)
      StreamPrintf(Console, "tBatteries::Add: Battery %d:%d no longer at CANAddr=%d\n",
                   known->manufacturerCode, static_cast<int>(known->uniqueNumber), source);
    records_.erase(source);
  }
  if (unique == 0 || manufacturer == 0) return nullptr;

  if (RunSettings.debugLevel >= kRegisterLogLevel)
    StreamPrintf(Console, "tBatteries::Add: Found new Battery at CANAddr=%d/%d/%d/%d/%d\n", source,
                 instance, devPri, manufacturer, static_cast<int>(unique));
  tBattery &b = records_
                    .emplace(std::piecewise_construct, std::forward_as_tuple(source),
                             std::forward_as_tuple(source))
                    .first->second;
  b.instance = instance;
  b.devPri = devPri;
  b.uniqueNumber = unique;
  b.manufacturerCode = manufacturer;
  OpenLog(b, d->GetModelID(), d->GetModelVersion(), d->GetProductCode());
  return &b;
}

void tBatteries::OpenLog(tBattery &b, const char *modelId, const char *modelVersion, int product) {
  if (RunSettings.logDir == nullptr) return;
  char path[kBatteryLogPathSize];
  if (BatteryLogPath(path, sizeof(path), RunSettings.logDir, b.canAddr, b.manufacturerCode,
                     b.uniqueNumber, product, modelId, modelVersion)) {
    b.logPath = path;
    b.openLog();
  }
  if (RunSettings.debugLevel >= kRegisterLogLevel)
    StreamPrintf(Console, "tBatteries::Add: Opened logfile(%d) %s\n", b.logFd, path);
}

void tBatteries::poll() {
  for (auto &entry : records_) entry.second.poll();
}

uint32_t tBatteries::MsUntilDue(uint32_t now) const {
  uint32_t due = kN2kNeverDue;
  for (const auto &entry : records_) {
    const uint32_t d = entry.second.msUntilDue(now);
    if (d < due) due = d;
  }
  return due;
}

void tBatteries::Clear() {
  records_.clear();
}
