#include "NodeInternals.h"

#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "N2kTime.h"

namespace {
// Bounds the frames handled per call so that the loop's other work keeps its turn
// on a saturated bus.
constexpr int kMaxFramesPerParse = 256;
// A link that refused a write and cannot say when it has room again (a CAN socket
// whose queue is full still polls writable) is tried again this much later.
constexpr uint32_t kBlockedRetryMs = 5;

uint32_t Earlier(uint32_t a, uint32_t b) {
  return a < b ? a : b;
}
}  // namespace

tNMEA2000::tNMEA2000() : in_(new tInternals) {
  nameFields_.IndustryGroup = 4;
  UpdateName();
}

tNMEA2000::~tNMEA2000() {
  if (transport_) transport_->Close();
}

uint32_t tNMEA2000::CurrentTime() const {
  return millis();
}

uint32_t tNMEA2000::RandomSeed() const {
  uint32_t seed = 0;
  // Twins share their NAME, so the seed must come from somewhere else.
  if (getentropy(&seed, sizeof(seed)) != 0 || seed == 0)
    seed = millis() ^ (static_cast<uint32_t>(getpid()) << 16) ^ static_cast<uint32_t>(GetName());
  return seed;
}

void tNMEA2000::SetProductInformation(const char *ModelSerialCode, unsigned short ProductCode,
                                      const char *ModelID, const char *SwCode,
                                      const char *ModelVersion, unsigned char LoadEquivalency,
                                      unsigned short N2kVersion, unsigned char CertificationLevel,
                                      int) {
  productInfo_.N2kVersion = N2kVersion;
  productInfo_.ProductCode = ProductCode;
  N2kCopyText(productInfo_.ModelID, sizeof(productInfo_.ModelID), ModelID);
  N2kCopyText(productInfo_.SwCode, sizeof(productInfo_.SwCode), SwCode);
  N2kCopyText(productInfo_.ModelVersion, sizeof(productInfo_.ModelVersion), ModelVersion);
  N2kCopyText(productInfo_.ModelSerialCode, sizeof(productInfo_.ModelSerialCode), ModelSerialCode);
  productInfo_.CertificationLevel = CertificationLevel;
  productInfo_.LoadEquivalency = LoadEquivalency;
}

void tNMEA2000::SetProgmemConfigurationInformation(const char *ManufacturerInformation,
                                                   const char *InstallationDescription1,
                                                   const char *InstallationDescription2) {
  N2kCopyText(configInfo_.ManufacturerInformation, sizeof(configInfo_.ManufacturerInformation),
              ManufacturerInformation);
  N2kCopyText(configInfo_.InstallationDescription1, sizeof(configInfo_.InstallationDescription1),
              InstallationDescription1);
  N2kCopyText(configInfo_.InstallationDescription2, sizeof(configInfo_.InstallationDescription2),
              InstallationDescription2);
}

void tNMEA2000::SetDeviceInformation(unsigned long UniqueNumber, unsigned char DeviceFunction,
                                     unsigned char DeviceClass, unsigned short ManufacturerCode,
                                     unsigned char IndustryGroup, int) {
  nameFields_.UniqueNumber = UniqueNumber & 0x1fffff;
  nameFields_.DeviceFunction = DeviceFunction;
  nameFields_.DeviceClass = DeviceClass & 0x7f;
  nameFields_.ManufacturerCode = ManufacturerCode & 0x7ff;
  nameFields_.IndustryGroup = IndustryGroup & 7;
  UpdateName();
}

void tNMEA2000::SetDeviceInstances(unsigned char DeviceInstanceLower,
                                   unsigned char DeviceInstanceUpper,
                                   unsigned char SystemInstance) {
  nameFields_.DeviceInstanceLower = DeviceInstanceLower & 7;
  nameFields_.DeviceInstanceUpper = DeviceInstanceUpper & 0x1f;
  nameFields_.SystemInstance = SystemInstance & 0x0f;
  UpdateName();
}

void tNMEA2000::SetArbitraryAddressCapable(bool capable) {
  nameFields_.ArbitraryAddressCapable = capable;
  UpdateName();
}

void tNMEA2000::UpdateName() {
  in_->claimer.SetName(nameFields_.Pack());
}

void tNMEA2000::SetFrameBufferSize(size_t frames) {
  if (!opened_ && frames > 0) frameBufferSize_ = frames;
}

void tNMEA2000::SetMessageBufferCount(size_t count) {
  if (!opened_ && count > 0) messageBufferCount_ = count;
}

void tNMEA2000::SetMode(tN2kMode mode, unsigned char N2kSource) {
  mode_ = mode;
  sendAddress_ = N2kSource;
  in_->claimer.SetPreferredAddress(N2kSource);
}

static void AddList(const unsigned long *lists[], const unsigned long *pgns) {
  for (int i = 0; i < kMaxPgnListChunks; i++) {
    if (lists[i] == pgns) return;
    if (lists[i] == nullptr) {
      lists[i] = pgns;
      return;
    }
  }
}

void tNMEA2000::ExtendTransmitMessages(const unsigned long *pgns, int) {
  if (pgns != nullptr) AddList(txLists_, pgns);
}

void tNMEA2000::ExtendReceiveMessages(const unsigned long *pgns, int) {
  if (pgns != nullptr) AddList(rxLists_, pgns);
}

bool tNMEA2000::AttachListener(tMsgListener *listener) {
  for (auto &l : listeners_)
    if (l == listener) return true;
  for (auto &l : listeners_)
    if (l == nullptr) {
      l = listener;
      return true;
    }
  return false;
}

void tNMEA2000::DetachListener(tMsgListener *listener) {
  for (auto &l : listeners_)
    if (l == listener) l = nullptr;
}

unsigned char tNMEA2000::GetN2kSource(int) const {
  return IsNodeMode() ? in_->claimer.Address() : sendAddress_;
}

bool tNMEA2000::ReadResetAddressChanged() {
  return in_->claimer.ReadResetAddressChanged();
}

unsigned tNMEA2000::ReadResetClaimEvents() {
  return in_->claimer.ReadResetEvents();
}

uint64_t tNMEA2000::GetName() const {
  return in_->claimer.Name();
}

bool tNMEA2000::CannotClaim() const {
  return in_->claimer.State() == tAddressClaimer::tState::kCannotClaim;
}

const tBamStats &tNMEA2000::BamStats() const {
  return in_->bam.Stats();
}

size_t tNMEA2000::PendingFrames() const {
  return in_->dataQueue.Size();
}

bool tNMEA2000::IsReady() const {
  if (!opened_ || !linkUp_) return false;
  if (IsNodeMode()) return in_->claimer.IsReady();
  return CanSend();
}

const tFastPacketStats *tNMEA2000::FastPacketStats() const {
  return in_->fastPackets ? &in_->fastPackets->Stats() : nullptr;
}

const tCanTransportStats *tNMEA2000::TransportStats() const {
  return transport_ ? &transport_->Stats() : nullptr;
}

bool tNMEA2000::Open() {
  if (opened_) return true;
  in_->dataQueue.Allocate(frameBufferSize_);
  in_->fastPackets.reset(new tFastPacketAssembler(messageBufferCount_));
  transport_.reset(CreateTransport());
  if (!transport_ || !transport_->Open()) {
    transport_.reset();
    return false;
  }
  opened_ = true;
  linkUp_ = true;
  if (IsNodeMode()) {
    in_->claimer.Seed(RandomSeed());
    in_->claimer.Start(CurrentTime());
  }
  return true;
}

void tNMEA2000::ParseMessages() {
  if (!opened_) return;
  uint32_t now = CurrentTime();
  ReopenIfDue(now);
  int handled = ReadFrames(now);
  now = CurrentTime();
  RunTimers(now);
  int sent = Flush(now);
  if (handled == 0 && sent == 0) Wait();
}

void tNMEA2000::SendPending() {
  if (opened_) Flush(CurrentTime());
}

int tNMEA2000::PollFd() const {
  return opened_ && linkUp_ ? transport_->Fd() : -1;
}

bool tNMEA2000::WantsWrite() const {
  return PollFd() >= 0 && transport_->WantsWrite();
}

uint32_t tNMEA2000::MsUntilDue(uint32_t now) const {
  if (!opened_) return kN2kNeverDue;
  if (!linkUp_) return N2kMsLeft(now, linkLostTime_, kReopenIntervalMs);
  // A failing read rests the loop until the next timer rather than spinning on it.
  uint32_t due = readFailed_ ? kBlockedRetryMs : kN2kNeverDue;
  due = Earlier(due, transport_->MsUntilDue(now));
  if (IsNodeMode()) {
    uint32_t claim = in_->claimer.MsUntilDue(now);
    // A claim that waits for room goes with the data: on writability or the retry.
    if (writeBlocked_ && claim == 0) claim = kN2kNeverDue;
    due = Earlier(due, claim);
    if (IsReady())
      due = Earlier(due, heartbeatDue_ ? 0 : N2kMsLeft(now, lastHeartbeat_, kHeartbeatIntervalMs));
  }
  // Frames queued since the last pass (by the application) go out on the next one.
  if (!in_->dataQueue.Empty() && !writeBlocked_ && (IsReady() || CannotClaim())) due = 0;
  if (writeBlocked_ && !transport_->WantsWrite()) due = Earlier(due, kBlockedRetryMs);
  for (auto *l : listeners_)
    if (l != nullptr) due = Earlier(due, l->MsUntilDue(now));
  return due;
}

int tNMEA2000::ReadFrames(uint32_t now) {
  readFailed_ = false;
  if (!linkUp_) return 0;
  int handled = 0;
  tCanFrame frame;
  while (handled < kMaxFramesPerParse) {
    tCanIo r = transport_->Read(frame);
    if (r == tCanIo::kOk) {
      handled++;
      linkCarried_ = true;
      HandleFrame(frame, now);
      continue;
    }
    if (r == tCanIo::kGone) LinkLost(now);
    // A link that keeps failing must not keep the loop spinning: rest until next time.
    if (r == tCanIo::kError) readFailed_ = true;
    break;
  }
  if (linkUp_ && transport_->Service(now) == tCanIo::kGone) LinkLost(now);
  return handled;
}

void tNMEA2000::HandleFrame(const tCanFrame &frame, uint32_t now) {
  stats_.rxFrames++;
  if (echoOn_ && echoFormat_ == 0) EchoFrame("rx", frame);
  const tCanId id = frame.Id();
  const uint32_t pgn = id.PGN();
  tN2kMsg msg;
  if (pgn == kPgnIsoTpControl) {
    in_->bam.HandleControl(frame, now);
    return;
  }
  if (pgn == kPgnIsoTpData) {
    if (in_->bam.HandleData(frame, now, msg) == tBamReceiver::tResult::kComplete)
      HandleMessage(msg, now);
    return;
  }
  if (IsDefaultFastPacketMessage(pgn)) {
    if (in_->fastPackets->Add(frame, now, msg) == tFastPacketAssembler::tResult::kComplete)
      HandleMessage(msg, now);
    return;
  }
  msg.SetPGN(pgn, id.Priority());
  msg.Source = id.Source();
  msg.Destination = id.Destination();
  msg.DataLen = frame.len <= kCanMaxDataLen ? frame.len : kCanMaxDataLen;
  std::memcpy(msg.Data, frame.data, msg.DataLen);
  msg.MsgTime = now;
  HandleMessage(msg, now);
}

void tNMEA2000::HandleMessage(const tN2kMsg &msg, uint32_t now) {
  stats_.rxMessages++;
  if (echoOn_ && echoFormat_ == 1) EchoMessage("rx", msg);
  if (IsNodeMode()) HandleNodeMessage(msg, now);
  // A listener may detach itself (or another) while we walk the list.
  tMsgListener *copy[kMaxListeners];
  std::memcpy(copy, listeners_, sizeof(copy));
  for (auto *l : copy)
    if (l != nullptr) l->HandleMsg(msg, now);
  if ((handler_ == nullptr && handlerObject_ == nullptr) || mode_ == N2km_SendOnly) return;
  if (!PassesAll() && msg.Destination != kN2kGlobalAddress && msg.Destination != GetN2kSource())
    return;
  if (handler_ != nullptr)
    handler_(msg);
  else
    handlerObject_->HandleMsg(msg);
}

void tNMEA2000::RunTimers(uint32_t now) {
  if (IsNodeMode()) in_->claimer.Tick(now);
  in_->fastPackets->Expire(now);
  in_->bam.Expire(now);
  if (IsNodeMode() && IsReady()) {
    if (!heartbeatDue_ && N2kElapsed(now, lastHeartbeat_, kHeartbeatIntervalMs))
      heartbeatDue_ = true;
    if (heartbeatDue_) {
      tN2kMsg hb;
      SetN2kPGN126993(hb, kHeartbeatIntervalMs, heartbeatCounter_);
      if (SendMsg(hb)) {
        heartbeatCounter_ = heartbeatCounter_ >= 252 ? 0 : heartbeatCounter_ + 1;
        heartbeatDue_ = false;
        lastHeartbeat_ = now;
      }
    }
  }
  tMsgListener *copy[kMaxListeners];
  std::memcpy(copy, listeners_, sizeof(copy));
  for (auto *l : copy)
    if (l != nullptr) l->Tick(now);
}

bool tNMEA2000::SendMsg(const tN2kMsg &msg, int) {
  if (!opened_ || !CanSend() || msg.DataLen < 0 || msg.DataLen > kN2kMaxDataLen) {
    stats_.txRefused++;
    return false;
  }
  if (IsNodeMode() && CannotClaim()) {
    stats_.txDropped++;
    return false;
  }
  tCanFrame frames[kFastPacketMaxFrames];
  int n = 0;
  const bool fast = IsDefaultFastPacketMessage(msg.PGN);
  if (fast) {
    n = FastPacketEncode(msg, fastPacketSequence_, 0, frames, kFastPacketMaxFrames);
  } else if (msg.DataLen <= kCanMaxDataLen) {
    frames[0].id = tCanId::Make(msg.Priority, msg.PGN, msg.Destination, 0).Raw();
    frames[0].len = static_cast<uint8_t>(msg.DataLen);
    std::memcpy(frames[0].data, msg.Data, msg.DataLen);
    n = 1;
  }
  if (n == 0) {
    stats_.txRefused++;
    return false;
  }
  if (in_->dataQueue.Free() < static_cast<size_t>(n)) {
    stats_.txDropped++;
    return false;
  }
  for (int i = 0; i < n; i++) in_->dataQueue.Push(frames[i]);
  if (fast) fastPacketSequence_ = (fastPacketSequence_ + 1) & 7;
  stats_.txMessages++;
  if (echoOn_ && echoFormat_ == 1) {
    tN2kMsg shown = msg;
    shown.Source = GetN2kSource();
    EchoMessage("tx", shown);
  }
  return true;
}

int tNMEA2000::Flush(uint32_t now) {
  if (!linkUp_) return 0;
  int sent = 0;
  writeBlocked_ = false;
  // Claims go first: nothing of ours may go out before the address it comes from.
  if (IsNodeMode() && !FlushClaim(sent, now)) return sent;
  if (IsNodeMode() && CannotClaim()) {
    stats_.txDropped += in_->dataQueue.Size();
    in_->dataQueue.Clear();
    return sent;
  }
  if (IsReady()) FlushData(sent, now);
  return sent;
}

bool tNMEA2000::WriteFrame(const tCanFrame &f, tCanIo &result, uint32_t now) {
  result = transport_->Write(f);
  switch (result) {
    case tCanIo::kOk:
      linkCarried_ = true;
      stats_.txFrames++;
      if (echoOn_ && echoFormat_ == 0) EchoFrame("tx", f);
      return true;
    case tCanIo::kNone:
      stats_.txBlocked++;
      writeBlocked_ = true;
      return false;
    case tCanIo::kGone:
      LinkLost(now);
      return false;
    case tCanIo::kError:
      stats_.txErrors++;
      return true;
  }
  return true;
}

bool tNMEA2000::FlushClaim(int &sent, uint32_t now) {
  tCanFrame f;
  if (!in_->claimer.FrameDue(now, f)) return true;
  tCanIo r;
  const bool taken = WriteFrame(f, r, now);
  if (r == tCanIo::kOk) {
    sent++;
    in_->claimer.FrameSent(now);
  } else if (taken) {
    in_->claimer.FrameFailed(now);  // refused: it stays due and is tried again shortly
  }
  return taken && r == tCanIo::kOk;
}

bool tNMEA2000::FlushData(int &sent, uint32_t now) {
  while (!in_->dataQueue.Empty()) {
    tCanFrame f = in_->dataQueue.Front();
    f.id = (f.id & ~0xffu) | GetN2kSource();
    tCanIo r;
    if (!WriteFrame(f, r, now)) return false;
    in_->dataQueue.Pop();
    if (r == tCanIo::kOk) sent++;
  }
  return true;
}

void tNMEA2000::LinkLost(uint32_t now) {
  transport_->Close();
  linkUp_ = false;
  linkLostTime_ = now;
  // A down interface can still be opened and fails at once; count each outage once.
  if (linkCarried_) stats_.linkLost++;
  linkCarried_ = false;
  writeBlocked_ = false;
}

void tNMEA2000::ReopenIfDue(uint32_t now) {
  if (linkUp_ || !N2kElapsed(now, linkLostTime_, kReopenIntervalMs)) return;
  linkLostTime_ = now;
  if (!transport_->Open()) return;
  linkUp_ = true;
  stats_.reopened++;
  // The bus may have changed while we were away: claim again before talking.
  if (IsNodeMode()) in_->claimer.Start(now);
}

void tNMEA2000::Wait() {
  if (pollTimeoutMs_ <= 0) return;
  const int fd = linkUp_ && !readFailed_ ? transport_->Fd() : -1;
  // Writes that would block are retried on the next pass rather than waited for: a CAN
  // socket whose controller queue is full still reports itself writable.
  struct pollfd p;
  p.fd = fd;
  p.events = POLLIN;
  p.revents = 0;
  poll(fd >= 0 ? &p : nullptr, fd >= 0 ? 1 : 0, pollTimeoutMs_);
}
