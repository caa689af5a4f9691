#include "N2kDeviceList.h"

#include <cstring>

#include "N2kTime.h"

tN2kDeviceList::tN2kDeviceList(tNMEA2000 *node) : node_(node) {
  if (node_ != nullptr) node_->AttachListener(this);
}

tN2kDeviceList::~tN2kDeviceList() {
  if (node_ != nullptr) node_->DetachListener(this);
}

const tN2kDeviceList::tDevice *tN2kDeviceList::LocalFindDeviceBySource(unsigned char source) const {
  return source < kN2kNullAddress ? devices_[source].get() : nullptr;
}

const tN2kDeviceList::tDevice *tN2kDeviceList::FindDeviceByName(uint64_t name) const {
  for (const auto &d : devices_)
    if (d && d->name_ == name) return d.get();
  return nullptr;
}

bool tN2kDeviceList::ReadResetIsListUpdated() {
  bool c = changed_;
  changed_ = false;
  return c;
}

int tN2kDeviceList::Count() const {
  int n = 0;
  for (const auto &d : devices_) n += d ? 1 : 0;
  return n;
}

void tN2kDeviceList::HandleMsg(const tN2kMsg &msg, uint32_t now) {
  const uint8_t src = msg.Source;
  if (msg.PGN == kPgnIsoAddressClaim) {
    uint64_t name;
    if (ParseN2kPGN60928(msg, name)) LearnClaim(src, name, now);
    return;
  }
  if (src >= kN2kNullAddress) return;
  tDevice *d = devices_[src].get();
  if (d == nullptr) {
    AskUnknown(src, now);
    return;
  }
  d->lastSeen_ = now;
  switch (msg.PGN) {
    case kPgnProductInformation:
      LearnProduct(msg);
      break;
    case kPgnConfigurationInformation:
      LearnConfig(msg);
      break;
    case kPgnPgnList:
      LearnPgnList(msg);
      break;
    case kPgnIsoAcknowledgement:
      LearnNak(msg);
      break;
    default:
      break;
  }
}

void tN2kDeviceList::LearnClaim(uint8_t source, uint64_t name, uint32_t now) {
  // Wherever this NAME was before, it is not there any more.
  int old = -1;
  for (int a = 0; a < kN2kNullAddress; a++)
    if (devices_[a] && devices_[a]->name_ == name && a != source) old = a;
  if (source >= kN2kNullAddress) {  // "cannot claim": the node has no address now
    if (old >= 0) {
      devices_[old].reset();
      changed_ = true;
    }
    return;
  }
  if (old >= 0) {
    devices_[source] = std::move(devices_[old]);
    devices_[source]->source_ = source;
    devices_[source]->lastSeen_ = now;
    changed_ = true;
    return;
  }
  if (devices_[source] && devices_[source]->name_ == name) {
    devices_[source]->lastSeen_ = now;
    return;
  }
  std::unique_ptr<tDevice> d(new tDevice);
  d->source_ = source;
  d->name_ = name;
  d->fields_ = tN2kName::Unpack(name);
  d->lastSeen_ = now;
  devices_[source] = std::move(d);
  changed_ = true;
}

void tN2kDeviceList::LearnProduct(const tN2kMsg &msg) {
  tDevice &d = *devices_[msg.Source];
  tN2kProductInfo info;
  if (!ParseN2kPGN126996(msg, info)) return;
  d.productQuery_.done = true;
  if (d.hasProduct_ && std::memcmp(&info, &d.product_, sizeof(info)) == 0) return;
  d.product_ = info;
  d.hasProduct_ = true;
  changed_ = true;
}

void tN2kDeviceList::LearnConfig(const tN2kMsg &msg) {
  tDevice &d = *devices_[msg.Source];
  tN2kConfigInfo info;
  if (!ParseN2kPGN126998(msg, info)) return;
  d.configQuery_.done = true;
  if (d.hasConfig_ && std::memcmp(&info, &d.config_, sizeof(info)) == 0) return;
  d.config_ = info;
  d.hasConfig_ = true;
  changed_ = true;
}

void tN2kDeviceList::LearnPgnList(const tN2kMsg &msg) {
  tDevice &d = *devices_[msg.Source];
  tN2kPGNList function;
  unsigned long pgns[kMaxPgnListEntries + 1];
  if (!ParseN2kPGN126464(msg, function, pgns, kMaxPgnListEntries + 1)) return;
  d.pgnListQuery_.done = true;
  std::vector<unsigned long> &list = function == N2kpgnl_transmit ? d.txPGNs_ : d.rxPGNs_;
  int n = 0;
  while (pgns[n] != 0) n++;
  std::vector<unsigned long> fresh(pgns, pgns + n + 1);
  if (fresh == list) return;
  list.swap(fresh);
  changed_ = true;
}

void tN2kDeviceList::LearnNak(const tN2kMsg &msg) {
  tN2kAckControl control;
  unsigned char group;
  unsigned long pgn;
  if (!ParseN2kPGN59392(msg, control, group, pgn) || control == N2kAck_ACK) return;
  if (node_ == nullptr || msg.Destination != node_->GetN2kSource()) return;
  tDevice &d = *devices_[msg.Source];
  if (pgn == kPgnProductInformation) d.productQuery_.done = true;
  if (pgn == kPgnConfigurationInformation) d.configQuery_.done = true;
  if (pgn == kPgnPgnList) d.pgnListQuery_.done = true;
}

bool tN2kDeviceList::Request(uint8_t destination, unsigned long pgn) {
  if (node_ == nullptr) return false;
  tN2kMsg msg;
  SetN2kPGN59904(msg, destination, pgn);
  return node_->SendMsg(msg);
}

void tN2kDeviceList::AskUnknown(uint8_t source, uint32_t now) {
  if (node_ == nullptr || !node_->IsReady() || source == node_->GetN2kSource()) return;
  if (unknownAskedEver_[source] && !N2kElapsed(now, unknownAsked_[source], kUnknownSourceQueryMs))
    return;
  if (!Request(source, kPgnIsoAddressClaim)) return;
  unknownAskedEver_[source] = true;
  unknownAsked_[source] = now;
}

bool tN2kDeviceList::Ask(tDevice &d, tDevice::tQuery &q, unsigned long pgn, uint32_t now) {
  if (q.done || q.attempts >= kDeviceQueryAttempts) return false;
  if (q.attempts > 0 && !N2kElapsed(now, q.lastAsked, kDeviceQueryRetryMs)) return false;
  if (!Request(d.source_, pgn)) {
    backingOff_ = true;
    backoffFrom_ = now;
    return false;
  }
  q.attempts++;
  q.lastAsked = now;
  return true;
}

void tN2kDeviceList::Tick(uint32_t now) {
  if (node_ == nullptr || !node_->IsReady()) return;
  if (backingOff_) {
    if (!N2kElapsed(now, backoffFrom_, kDeviceQueryBackoffMs)) return;
    backingOff_ = false;
  }
  if (globalQueryPending_) {
    if (!Request(kN2kGlobalAddress, kPgnIsoAddressClaim)) {
      backingOff_ = true;
      backoffFrom_ = now;
      return;
    }
    globalQueryPending_ = false;
  }
  int budget = kDeviceQueriesPerTick;
  for (auto &dp : devices_) {
    if (!dp || backingOff_) continue;
    tDevice &d = *dp;
    if (Ask(d, d.productQuery_, kPgnProductInformation, now) && --budget == 0) return;
    if (Ask(d, d.configQuery_, kPgnConfigurationInformation, now) && --budget == 0) return;
    if (Ask(d, d.pgnListQuery_, kPgnPgnList, now) && --budget == 0) return;
  }
}

uint32_t tN2kDeviceList::QueryDue(const tDevice::tQuery &q, uint32_t now) {
  if (q.done || q.attempts >= kDeviceQueryAttempts) return kN2kNeverDue;
  if (q.attempts == 0) return 0;
  return N2kMsLeft(now, q.lastAsked, kDeviceQueryRetryMs);
}

uint32_t tN2kDeviceList::MsUntilDue(uint32_t now) const {
  // Until the node has settled its timers wake the loop, and Tick asks nothing.
  if (node_ == nullptr || !node_->IsReady()) return kN2kNeverDue;
  if (backingOff_) return N2kMsLeft(now, backoffFrom_, kDeviceQueryBackoffMs);
  if (globalQueryPending_) return 0;
  uint32_t due = kN2kNeverDue;
  for (const auto &dp : devices_) {
    if (!dp) continue;
    for (const tDevice::tQuery *q : {&dp->productQuery_, &dp->configQuery_, &dp->pgnListQuery_}) {
      const uint32_t d = QueryDue(*q, now);
      if (d < due) due = d;
    }
    if (due == 0) break;
  }
  return due;
}
