#include "AddressClaim.h"

#include "N2kGroupMessages.h"

namespace {
// Timers are points in time on the wrapping clock; they lie less than 2^31 ms ahead.
bool Reached(uint32_t now, uint32_t at) {
  return static_cast<int32_t>(now - at) >= 0;
}
uint32_t Until(uint32_t now, uint32_t at) {
  return Reached(now, at) ? 0 : at - now;
}
uint32_t Earlier(uint32_t a, uint32_t b) {
  return a < b ? a : b;
}
}  // namespace

int NextFreeAddress(uint8_t current, const std::bitset<256> &taken) {
  for (int step = 1; step < 254; step++) {
    int a = (current + step) % 254;  // 0..253: 254 and 255 are never claimed
    if (!taken[a]) return a;
  }
  return -1;
}

tCanFrame AddressClaimFrame(uint64_t name, uint8_t source) {
  tCanFrame f;
  f.id = tCanId::Make(6, kPgnIsoAddressClaim, kN2kGlobalAddress, source).Raw();
  f.len = 8;
  for (int i = 0; i < 8; i++) f.data[i] = (name >> (8 * i)) & 0xff;
  return f;
}

tCanFrame ClaimRequestFrame() {
  tCanFrame f;
  f.id = tCanId::Make(6, kPgnIsoRequest, kN2kGlobalAddress, kN2kNullAddress).Raw();
  f.len = 3;
  f.data[0] = kPgnIsoAddressClaim & 0xff;
  f.data[1] = (kPgnIsoAddressClaim >> 8) & 0xff;
  f.data[2] = (kPgnIsoAddressClaim >> 16) & 0xff;
  return f;
}

uint32_t tAddressClaimer::RandomUpTo(uint32_t max) {
  random_ ^= random_ << 13;  // xorshift32
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  return random_ % (max + 1);
}

void tAddressClaimer::Due(tOut out, uint32_t at) {
  // The same frame already due earlier keeps its earlier time.
  if (out_ == out && Reached(at, outAt_)) return;
  out_ = out;
  outAt_ = at;
}

void tAddressClaimer::Claim(uint8_t address, uint32_t now) {
  address_ = address;
  state_ = tState::kClaiming;
  written_ = false;
  Due(tOut::kClaim, now);
}

void tAddressClaimer::Start(uint32_t now) {
  losses_ = 0;
  const bool held = state_ != tState::kIdle && address_ < kN2kNullAddress;
  const uint8_t a = held ? address_ : preferred_;
  const bool moved = state_ != tState::kIdle && a != address_;
  Claim(a, now);
  if (moved) events_ |= kN2kClaimAddressChanged;
}

void tAddressClaimer::Forget(uint64_t name) {
  for (int a = 0; a < 256; a++)
    if (taken_[a] && names_[a] == name) taken_[a] = false;
}

void tAddressClaimer::OnClaim(uint8_t source, uint64_t name, uint32_t now) {
  if (source >= kN2kNullAddress) {  // its "cannot claim": it holds no address now
    if (name != name_) Forget(name);
    return;
  }
  const bool ours =
      (state_ == tState::kClaiming || state_ == tState::kClaimed) && source == address_;
  // A node that claims anew has left its old address; a twin's entries stay, as
  // several devices may share our NAME. A repeated claim changes nothing.
  if (name != name_ && !(taken_[source] && names_[source] == name)) Forget(name);
  taken_[source] = true;
  names_[source] = name;
  if (!ours) return;
  if (name == name_) {
    events_ |= kN2kClaimTwinName;
    Lose(now);
  } else if (name > name_) {
    Due(tOut::kClaim, now);  // we keep it: say so again
  } else {
    Lose(now);
  }
}

void tAddressClaimer::Lose(uint32_t now) {
  losses_++;
  if (!Capable() || losses_ >= kMaxLossesPerSearch || NextFreeAddress(address_, taken_) < 0) {
    CannotClaim(now);
    return;
  }
  state_ = tState::kMoving;
  out_ = tOut::kNone;  // a claim of the lost address must not go out any more
  timerAt_ = now + RandomUpTo(kClaimRandomDelayMaxMs);
}

void tAddressClaimer::ClaimNextFree(uint8_t from, uint32_t now) {
  int next = Capable() ? NextFreeAddress(from, taken_) : -1;
  if (next < 0) {
    CannotClaim(now);
    return;
  }
  Claim(static_cast<uint8_t>(next), now);
  events_ |= kN2kClaimAddressChanged;
}

void tAddressClaimer::CannotClaim(uint32_t now) {
  address_ = kN2kNullAddress;
  state_ = tState::kCannotClaim;
  Due(tOut::kClaim, now);
  timerAt_ = now + kCannotClaimRetryMinMs + RandomUpTo(kCannotClaimRetrySpreadMs);
  events_ |= kN2kClaimCannotClaim;
}

void tAddressClaimer::OnClaimRequest(uint8_t destination, uint32_t now) {
  if (destination != kN2kGlobalAddress && destination != address_) return;
  switch (state_) {
    case tState::kClaiming:
    case tState::kClaimed:
      Due(tOut::kClaim, now);
      break;
    case tState::kCannotClaim:
      // Every node without an address answers: spread the answers out.
      Due(tOut::kClaim, now + RandomUpTo(kClaimRandomDelayMaxMs));
      break;
    default:  // idle, or our next claim is on its way anyway
      break;
  }
}

void tAddressClaimer::OnCommandedAddress(uint8_t newAddress, uint32_t now) {
  if (state_ == tState::kIdle || newAddress >= kN2kNullAddress) return;
  const bool holding = state_ == tState::kClaiming || state_ == tState::kClaimed;
  if (holding && newAddress == address_) return;
  losses_ = 0;
  Claim(newAddress, now);
  events_ |= kN2kClaimAddressChanged;
}

void tAddressClaimer::Tick(uint32_t now) {
  switch (state_) {
    case tState::kClaiming:
      if (written_ && Reached(now, timerAt_)) {
        state_ = tState::kClaimed;
        losses_ = 0;
      }
      break;
    case tState::kMoving:
      if (Reached(now, timerAt_)) ClaimNextFree(address_, now);
      break;
    case tState::kCannotClaim:
      if (!Reached(now, timerAt_)) break;
      // What we knew of the bus is old: ask everybody again before choosing.
      taken_.reset();
      state_ = tState::kAsking;
      written_ = false;
      Due(tOut::kRequest, now);
      break;
    case tState::kAsking:
      if (!written_ || !Reached(now, timerAt_)) break;
      losses_ = 0;
      if (!taken_[preferred_]) {
        Claim(preferred_, now);
        events_ |= kN2kClaimAddressChanged;
      } else {
        ClaimNextFree(preferred_, now);
      }
      break;
    default:
      break;
  }
}

bool tAddressClaimer::FrameDue(uint32_t now, tCanFrame &frame) const {
  if (out_ == tOut::kNone || !Reached(now, outAt_)) return false;
  frame = out_ == tOut::kRequest ? ClaimRequestFrame() : AddressClaimFrame(name_, address_);
  return true;
}

void tAddressClaimer::FrameSent(uint32_t now) {
  const bool firstOfState = !written_ && (state_ == tState::kClaiming || state_ == tState::kAsking);
  if (firstOfState) {
    // The settle (or listening) time counts from the frame on the wire.
    written_ = true;
    timerAt_ = now + kClaimSettleMs;
  }
  out_ = tOut::kNone;
}

void tAddressClaimer::FrameFailed(uint32_t now) {
  if (out_ != tOut::kNone) outAt_ = now + kClaimRetryMs;
}

uint32_t tAddressClaimer::MsUntilDue(uint32_t now) const {
  uint32_t due = out_ != tOut::kNone ? Until(now, outAt_) : kN2kNeverDue;
  const bool timed = state_ == tState::kMoving || state_ == tState::kCannotClaim ||
                     ((state_ == tState::kClaiming || state_ == tState::kAsking) && written_);
  if (timed) due = Earlier(due, Until(now, timerAt_));
  return due;
}
