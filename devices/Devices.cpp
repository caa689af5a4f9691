#include "Devices.h"

#include <unistd.h>

#include <cstdio>
#include <iterator>

#include "Console.h"
#include "DeviceList.h"
#include "HostIdentity.h"
#include "RunSettings.h"
#include "SafeName.h"
#include "TtyAssignment.h"

namespace {
constexpr size_t kLogPathSize = 4096;
constexpr size_t kPortLineSize = 1024;
const char kSpinner[] = "/-\\|";
}  // namespace

std::string VersionText(const std::string &softwareVersion) {
  std::string out;
  // One pass over the text, as a regular-expression replacement makes it.
  for (size_t i = 0; i < softwareVersion.size();) {
    if (softwareVersion.compare(i, 4, "RODE") == 0) {
      i += 4;
      continue;
    }
    if (softwareVersion[i] != '.') out += softwareVersion[i];
    i++;
  }
  size_t dash = out.find('-');
  if (dash != std::string::npos) out.erase(dash);
  return out;
}

tDevices::tDevices() : assignTty_(GetTTY), resetDeviceList_(ResetDeviceList) {}

tDevices::~tDevices() = default;

tRO500 *tDevices::Find(int canAddr) {
  auto it = records_.find(canAddr);
  return it == records_.end() ? nullptr : &it->second;
}

int tDevices::FindUniqueNumber(int uniqueNumber) const {
  for (const auto &r : records_)
    if (r.second.uniqueNumber == uniqueNumber) return r.first;
  return -1;
}

tRO500 *tDevices::Add(int canAddr, int uniqueNumber, const char *swVersion, const char *modelId) {
  if (tRO500 *known = Find(canAddr)) return known;
  for (auto it = silent_.begin(); it != silent_.end();)
    it = it->second == uniqueNumber || it->first == canAddr ? silent_.erase(it) : std::next(it);
  const int debug = RunSettings.debugLevel;
  if (debug > 3)
    StreamPrintf(Console, "tDevices::Add: Found new RO500 at CANAddr = %d %d %s\n", canAddr,
                 uniqueNumber, swVersion);
  std::string versionText = VersionText(swVersion);
  if (debug > 0) StreamPrintf(Console, "Ver = %s - %s\n", swVersion, versionText.c_str());
  std::string tty = assignTty_(uniqueNumber, modelId);
  if (debug > 0) StreamPrintf(Console, "Opening TTY = %s\n", tty.c_str());

  // Built in place: the record points into itself and never moves.
  tRO500 &r = records_
                  .emplace(std::piecewise_construct, std::forward_as_tuple(canAddr),
                           std::forward_as_tuple(canAddr))
                  .first->second;
  r.reset();
  r.markAlive();
  r.uniqueNumber = uniqueNumber;
  r.openPort(tty);
  r.terminal2CAN("$RAS:@");
  int32_t version = 0;  // only logged: a text that is no number reads as 0
  r.version = ParseLeadingInt32(versionText, version) ? version : 0;

  if (RunSettings.logDir != nullptr) {
    // The model ID comes from the bus: without its '/'s it cannot leave the folder.
    char path[kLogPathSize];
    snprintf(path, sizeof(path), "%s/RO500-%d:%s.log", RunSettings.logDir, uniqueNumber,
             FileNamePart(modelId).c_str());
    r.logPath = path;
    r.openLog();
    if (debug > 3) StreamPrintf(Console, "tDevices::Add: Opened logfile(%d) %s\n", r.logFd, path);
  }
  if (debug > 0)
    StreamPrintf(Console, "tDevices::Add: Opened device ver=%d FD=%d\n", r.version, r.ttyFd);
  char online[kPortLineSize];
  int n = snprintf(online, sizeof(online), "RO500 #%d ONLINE\n", uniqueNumber);
  r.writePort(online, static_cast<size_t>(n));
  return &r;
}

void tDevices::heartbeat(int canAddr) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) {
    if (silent_.erase(canAddr) > 0) rescan_ = true;
    return;
  }
  // "Hearbeat" is the daemon's own spelling of this line, kept on purpose.
  if (RunSettings.debugLevel > 8)
    StreamPrintf(Console, "tDevices::heartbeat: Hearbeat for RO500 at CANAddr = %d\n", canAddr);
  if (RunSettings.debugLevel > 3) {
    StreamPrintf(Console, "%c\b", kSpinner[spinner_]);
    spinner_ = (spinner_ + 1) % 4;
  }
  r->markAlive();
}

void tDevices::poll() {
  for (auto &entry : records_) {
    entry.second.poll();
    if (entry.second.isAlive()) continue;
    int canAddr = entry.first;
    if (RunSettings.debugLevel > 3)
      StreamPrintf(Console, "tDevices::poll: Deleting dead RO500 at CANAddr = %d\n", canAddr);
    const int unique = entry.second.uniqueNumber;
    Remove(canAddr);
    silent_[canAddr] = unique;
    if (resetDeviceList_ != nullptr) resetDeviceList_();
    return;  // at most one removal a pass; the iteration is spent anyway
  }
}

bool tDevices::IsSilent(int canAddr, int uniqueNumber) {
  auto it = silent_.find(canAddr);
  if (it == silent_.end()) return false;
  if (it->second == uniqueNumber) return true;
  silent_.erase(it);
  return false;
}

bool tDevices::ReadResetRescan() {
  const bool rescan = rescan_;
  rescan_ = false;
  return rescan;
}

void tDevices::Remove(int canAddr) {
  auto it = records_.find(canAddr);
  if (it == records_.end()) return;
  char offline[kPortLineSize];
  int n = snprintf(offline, sizeof(offline), "RO500 #%d OFFLINE\n", it->second.uniqueNumber);
  it->second.writePort(offline, static_cast<size_t>(n));
  records_.erase(it);
}

void tDevices::Clear() {
  records_.clear();
}

std::vector<std::string> tDevices::PortPaths() const {
  std::vector<std::string> paths;
  for (const auto &entry : records_)
    if (!entry.second.portPath().empty()) paths.push_back(entry.second.portPath());
  return paths;
}

int tDevices::AddPollFds(struct pollfd *fds, int room) const {
  int n = 0;
  for (const auto &entry : records_) {
    if (n >= room) break;
    int fd = entry.second.pollFd();
    if (fd < 0) continue;
    fds[n].fd = fd;
    fds[n].events = POLLIN;
    fds[n].revents = 0;
    n++;
  }
  return n;
}

void tDevices::NoteReady(const struct pollfd *fds, int count) {
  for (auto &entry : records_) {
    const int fd = entry.second.pollFd();
    if (fd < 0) continue;
    bool ready = false;
    for (int i = 0; i < count && !ready; i++)
      ready = fds[i].fd == fd && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    entry.second.setInputKnown(ready);
  }
}

uint32_t tDevices::MsUntilDue(uint32_t now) const {
  uint32_t due = UINT32_MAX;
  for (const auto &entry : records_) {
    uint32_t d = entry.second.msUntilDue(now);
    if (d < due) due = d;
  }
  return due;
}
