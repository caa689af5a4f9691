#include "AddressClaim.h"

#include "N2kGroupMessages.h"
#include "N2kTime.h"

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

void tAddressClaimer::Claim(uint8_t address, tFrameSink &sink, uint32_t now) {
  address_ = address;
  state_ = tState::kClaiming;
  claimTime_ = now;
  sink.SendControlFrame(AddressClaimFrame(name_, address_));
}

void tAddressClaimer::Start(tFrameSink &sink, uint32_t now) {
  if (address_ >= kN2kNullAddress) address_ = 0;
  Claim(address_, sink, now);
}

void tAddressClaimer::Forget(uint64_t name) {
  for (int a = 0; a < 256; a++)
    if (taken_[a] && names_[a] == name) taken_[a] = false;
}

void tAddressClaimer::OnClaim(uint8_t source, uint64_t name, tFrameSink &sink, uint32_t now) {
  if (name == name_) return;  // our own claim reflected back
  Forget(name);               // a node that claims anew has left its old address
  if (source >= kN2kNullAddress) return;
  taken_[source] = true;
  names_[source] = name;
  if (state_ != tState::kClaiming && state_ != tState::kClaimed) return;
  if (source != address_) return;
  if (name > name_) {
    sink.SendControlFrame(AddressClaimFrame(name_, address_));  // we keep it
    return;
  }
  // A node with a fixed address (NAME bit 63 clear) may not look for another one.
  const bool capable = (name_ >> 63) != 0;
  int next = capable ? NextFreeAddress(address_, taken_) : -1;
  if (next < 0) {
    address_ = kN2kNullAddress;
    state_ = tState::kCannotClaim;
    sink.SendControlFrame(AddressClaimFrame(name_, kN2kNullAddress));
    return;
  }
  Claim(static_cast<uint8_t>(next), sink, now);
  changed_ = true;
}

void tAddressClaimer::OnClaimRequest(uint8_t destination, tFrameSink &sink) {
  if (state_ == tState::kIdle) return;
  if (destination != kN2kGlobalAddress && destination != address_) return;
  sink.SendControlFrame(AddressClaimFrame(name_, address_));
}

void tAddressClaimer::OnCommandedAddress(uint8_t newAddress, tFrameSink &sink, uint32_t now) {
  if (state_ == tState::kIdle || newAddress >= kN2kNullAddress) return;
  if (newAddress == address_ && state_ != tState::kCannotClaim) return;
  Claim(newAddress, sink, now);
  changed_ = true;
}

void tAddressClaimer::Tick(uint32_t now) {
  if (state_ == tState::kClaiming && N2kElapsed(now, claimTime_, kClaimSettleMs))
    state_ = tState::kClaimed;
}
