#include "Devices.h"

#include <unistd.h>

#include <cstdio>
#include <iterator>

#include "Console.h"
#include "SafeName.h"
#include "TextHelpers.h"

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

tDevices::tDevices(const tRunSettings &settings, tTtyAssigner &ttys, tDeviceDirectory &deviceList,
                   tMsgSender &bus, tConsole &console)
    : settings_(settings), ttys_(ttys), deviceList_(deviceList), bus_(bus), console_(console) {}

tDevices::~tDevices() = default;

tRO500 *tDevices::Find(int canAddr) {
  auto it = records_.find(canAddr);
  return it == records_.end() ? nullptr : &it->second;
}

int tDevices::FindUniqueNumber(int uniqueNumber) const {
  for (const auto &r : records_)
    if (r.second.UniqueNumber() == uniqueNumber) return r.first;
  return -1;
}

tRO500 *tDevices::Add(int canAddr, int uniqueNumber, const char *swVersion, const char *modelId,
                      uint32_t now) {
  if (tRO500 *known = Find(canAddr)) return known;
  auto waiting = waiting_.find(uniqueNumber);
  if (waiting != waiting_.end()) {
    waiting->second.canAddr = canAddr;  // moved while it waits: its record goes there
    return nullptr;
  }
  for (auto it = silent_.begin(); it != silent_.end();)
    it = it->second == uniqueNumber || it->first == canAddr ? silent_.erase(it) : std::next(it);
  if (console_.Logging(4))
    StreamPrintf(&console_, "tDevices::Add: Found new RO500 at CANAddr = %d %d %s\n", canAddr,
                 uniqueNumber, swVersion);
  waiting_[uniqueNumber] = {canAddr, swVersion, modelId};
  // The answer may come at once, or passes later (the port table is read by a command
  // beside the loop).
  ttys_.AssignTty(uniqueNumber, modelId, *this, now);
  return Find(canAddr);
}

void tDevices::TtyAssigned(int uniqueNumber, const std::string &tty, uint32_t now) {
  auto waiting = waiting_.find(uniqueNumber);
  if (waiting == waiting_.end()) return;
  const tWaiting found = waiting->second;
  waiting_.erase(waiting);
  const int canAddr = found.canAddr;
  if (Find(canAddr) != nullptr) return;  // another charger took the address meanwhile
  const char *swVersion = found.swVersion.c_str();
  const char *modelId = found.modelId.c_str();
  std::string versionText = VersionText(swVersion);
  if (console_.Logging(1))
    StreamPrintf(&console_, "Ver = %s - %s\n", swVersion, versionText.c_str());
  if (console_.Logging(1)) StreamPrintf(&console_, "Opening TTY = %s\n", tty.c_str());

  // Built in place: the record points into itself and never moves.
  tRO500 &r = records_
                  .emplace(std::piecewise_construct, std::forward_as_tuple(canAddr),
                           std::forward_as_tuple(canAddr, settings_, bus_, console_, now))
                  .first->second;
  r.markAlive(now);
  r.SetUniqueNumber(uniqueNumber);
  r.SetEvents(events_);
  r.Bridge().OpenPort(tty, now);
  r.Bridge().terminal2CAN("$RAS:@", now);
  int32_t version = 0;  // only logged: a text that is no number reads as 0
  r.SetVersion(ParseLeadingInt32(versionText, version) ? version : 0);

  if (settings_.logDir != nullptr) {
    // The model ID comes from the bus: without its '/'s it cannot leave the folder.
    char path[kLogPathSize];
    snprintf(path, sizeof(path), "%s/RO500-%d:%s.log", settings_.logDir, uniqueNumber,
             FileNamePart(modelId).c_str());
    r.Bridge().OpenLog(path);
    if (console_.Logging(4))
      StreamPrintf(&console_, "tDevices::Add: Opened logfile(%d) %s\n", r.Bridge().LogFd(), path);
  }
  if (console_.Logging(1))
    StreamPrintf(&console_, "tDevices::Add: Opened device ver=%d FD=%d\n", r.Version(),
                 r.Bridge().TtyFd());
  char online[kPortLineSize];
  int n = snprintf(online, sizeof(online), "RO500 #%d ONLINE\n", uniqueNumber);
  r.Bridge().WritePort(online, static_cast<size_t>(n));
  if (events_ != nullptr) events_->OnOnline(r);
}

void tDevices::heartbeat(int canAddr, uint32_t now) {
  tRO500 *r = Find(canAddr);
  if (r == nullptr) {
    if (silent_.erase(canAddr) > 0) rescan_ = true;
    return;
  }
  // "Hearbeat" is the daemon's own spelling of this line, kept on purpose.
  if (console_.Logging(9))
    StreamPrintf(&console_, "tDevices::heartbeat: Hearbeat for RO500 at CANAddr = %d\n", canAddr);
  if (console_.Logging(4)) {
    StreamPrintf(&console_, "%c\b", kSpinner[spinner_]);
    spinner_ = (spinner_ + 1) % 4;
  }
  r->markAlive(now);
}

void tDevices::poll(uint32_t now) {
  // A loop held up longer than twice the heartbeat limit (a host command running into
  // its time limit, a stopped process) has not read the heartbeats that came
  // meanwhile: judge no charger dead on that, give each a fresh limit.
  if (polled_ && now - lastPoll_ >= kStallMs)
    for (auto &entry : records_) entry.second.markAlive(now);
  polled_ = true;
  lastPoll_ = now;
  for (auto &entry : records_) {
    entry.second.poll(now);
    if (entry.second.isAlive(now)) continue;
    int canAddr = entry.first;
    if (console_.Logging(4))
      StreamPrintf(&console_, "tDevices::poll: Deleting dead RO500 at CANAddr = %d\n", canAddr);
    const int unique = entry.second.UniqueNumber();
    Remove(canAddr);
    silent_[canAddr] = unique;
    deviceList_.Rebuild();
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
  int n = snprintf(offline, sizeof(offline), "RO500 #%d OFFLINE\n", it->second.UniqueNumber());
  it->second.Bridge().WritePort(offline, static_cast<size_t>(n));
  if (events_ != nullptr) events_->OnOffline(it->second);
  droppedByGone_ += it->second.Bridge().PortBytesDropped();
  records_.erase(it);
}

void tDevices::Clear() {
  for (const auto &entry : records_) droppedByGone_ += entry.second.Bridge().PortBytesDropped();
  records_.clear();
  waiting_.clear();
}

std::vector<int> tDevices::PortsInUse() const {
  std::vector<int> ports;
  for (const auto &entry : records_) {
    const int port = TtyPortNumber(entry.second.Bridge().PortPath());
    if (port >= 0) ports.push_back(port);
  }
  return ports;
}

uint64_t tDevices::PortBytesDropped() const {
  uint64_t dropped = droppedByGone_;
  for (const auto &entry : records_) dropped += entry.second.Bridge().PortBytesDropped();
  return dropped;
}

int tDevices::AddPollFds(struct pollfd *fds, int room) const {
  int n = 0;
  for (const auto &entry : records_) {
    if (n >= room) break;
    int fd = entry.second.Bridge().PollFd();
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
    const int fd = entry.second.Bridge().PollFd();
    if (fd < 0) continue;
    bool ready = false;
    for (int i = 0; i < count && !ready; i++)
      ready = fds[i].fd == fd && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    entry.second.Bridge().SetInputKnown(ready);
  }
}

uint32_t tDevices::MsUntilDue(uint32_t now) const {
  uint32_t due = UINT32_MAX;
  for (const auto &entry : records_) {
    uint32_t d = entry.second.MsUntilDue(now);
    if (d < due) due = d;
  }
  return due;
}

bool tDevices::GetBatStat(int canAddr, double &voltage, double &current, double &temperature) {
  const tRO500 *r = Find(canAddr);
  if (r == nullptr) return false;
  r->Model().BatteryValues(voltage, current, temperature);
  return true;
}
