#include "Batteries.h"

#include <tuple>

#include "BatteryLogPath.h"
#include "Console.h"
#include "N2kTime.h"

namespace {
constexpr int kRegisterLogLevel = 4;

bool SameNode(const tBattery &b, const tN2kDeviceList::tDevice &d) {
  return b.uniqueNumber == d.GetUniqueNumber() && b.manufacturerCode == d.GetManufacturerCode();
}
}  // namespace

tBattery *tBatteries::Find(int source, uint8_t instance) {
  auto it = records_.find(Key(source, instance));
  return it == records_.end() ? nullptr : &it->second;
}

bool tBatteries::HasSource(int source) const {
  for (const auto &entry : records_)
    if (entry.second.canAddr == source) return true;
  return false;
}

void tBatteries::DropOtherNode(int source, const tN2kDeviceList::tDevice &d) {
  for (auto it = records_.begin(); it != records_.end();) {
    const tBattery &b = it->second;
    if (b.canAddr != source || SameNode(b, d)) {
      ++it;
      continue;
    }
    // Another node holds the address now: its values must not go to the old file.
    if (console_.Logging(kRegisterLogLevel))
      StreamPrintf(&console_, "tBatteries::Add: Battery %d:%d no longer at CANAddr=%d\n",
                   b.manufacturerCode, static_cast<int>(b.uniqueNumber), source);
    it = records_.erase(it);
  }
}

tBattery *tBatteries::Add(int source, uint8_t instance, uint8_t devPri, uint32_t now) {
  const tN2kDeviceList::tDevice *d = deviceList_.FindBySource(static_cast<uint8_t>(source & 0xff));
  // A list just rebuilt does not know the node yet: its records stay as they are.
  if (d == nullptr) return Find(source, instance);
  DropOtherNode(source, *d);
  if (tBattery *known = Find(source, instance)) return known;
  const uint32_t unique = d->GetUniqueNumber();
  const uint16_t manufacturer = d->GetManufacturerCode();
  if (unique == 0 || manufacturer == 0 || records_.size() >= kMaxRecords) return nullptr;

  if (console_.Logging(kRegisterLogLevel))
    StreamPrintf(&console_, "tBatteries::Add: Found new Battery at CANAddr=%d/%d/%d/%d/%d\n",
                 source, instance, devPri, manufacturer, static_cast<int>(unique));
  const bool firstOfSource = !HasSource(source);
  tBattery &b = records_
                    .emplace(std::piecewise_construct, std::forward_as_tuple(Key(source, instance)),
                             std::forward_as_tuple(source, console_, now, settings_.logLimit))
                    .first->second;
  b.instance = instance;
  b.devPri = devPri;
  b.uniqueNumber = unique;
  b.manufacturerCode = manufacturer;
  OpenLog(b, firstOfSource, d->GetModelID(), d->GetModelVersion(), d->GetProductCode());
  return &b;
}

void tBatteries::OpenLog(tBattery &b, bool firstOfSource, const char *modelId,
                         const char *modelVersion, int product) {
  if (settings_.logDir == nullptr) return;
  char path[kBatteryLogPathSize];
  if (BatteryLogPath(path, sizeof(path), settings_.logDir, b.canAddr, b.manufacturerCode,
                     b.uniqueNumber, product, modelId, modelVersion,
                     firstOfSource ? kBatteryFirstInstance : b.instance)) {
    b.logPath = path;
    b.OpenLog();
  }
  if (console_.Logging(kRegisterLogLevel))
    StreamPrintf(&console_, "tBatteries::Add: Opened logfile(%d) %s\n", b.logFd, path);
}

void tBatteries::poll(uint32_t now) {
  for (auto &entry : records_) entry.second.poll(now);
}

uint32_t tBatteries::MsUntilDue(uint32_t now) const {
  uint32_t due = kN2kNeverDue;
  for (const auto &entry : records_) {
    const uint32_t d = entry.second.MsUntilDue(now);
    if (d < due) due = d;
  }
  return due;
}

void tBatteries::Clear() {
  records_.clear();
}
