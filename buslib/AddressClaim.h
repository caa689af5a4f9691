// Address claim with NAME arbitration (ISO 11783-5 / J1939-81 / NMEA 2000).
// The machine takes claims, requests and the time in, and hands claim frames out
// through a sink; it owns no socket, so it is tested on an in-memory bus.
//
// Rules: claim the preferred address; a claim for our address with a lower NAME
// wins it, and we move to the next free address (upwards, skipping 254 and 255,
// wrapping after 253); with no free address left, or when our NAME says we are not
// arbitrary address capable, we send "cannot claim" (a claim from 254) and fall silent. A claim
// with a higher NAME is answered by our own claim. Other traffic waits kClaimSettleMs after each
// claim so that a contender can object.
#ifndef BUSLIB_ADDRESSCLAIM_H
#define BUSLIB_ADDRESSCLAIM_H

#include <bitset>
#include <cstdint>

#include "CanFrame.h"

constexpr uint32_t kClaimSettleMs = 250;

class tFrameSink {
 public:
  virtual ~tFrameSink() = default;
  // Queues a frame whose identifier is complete (its source is not rewritten).
  virtual bool SendControlFrame(const tCanFrame &frame) = 0;
};

// Next address after current that is neither taken nor 254/255, wrapping after 253
// to 0; -1 when every other usable address is taken.
int NextFreeAddress(uint8_t current, const std::bitset<256> &taken);

// The claim frame: PGN 60928 to global, priority 6, the NAME little-endian.
tCanFrame AddressClaimFrame(uint64_t name, uint8_t source);

class tAddressClaimer {
 public:
  enum class tState { kIdle, kClaiming, kClaimed, kCannotClaim };

  tAddressClaimer() = default;
  void SetName(uint64_t name) { name_ = name; }
  uint64_t Name() const { return name_; }
  void SetPreferredAddress(uint8_t address) { address_ = address; }

  // Sends the first claim at the preferred address.
  void Start(tFrameSink &sink, uint32_t now);
  // Another node's claim (source may be 254 for "cannot claim").
  void OnClaim(uint8_t source, uint64_t name, tFrameSink &sink, uint32_t now);
  // A request for PGN 60928 addressed to destination (255 = everybody).
  void OnClaimRequest(uint8_t destination, tFrameSink &sink);
  // A commanded address for our NAME; addresses over 253 are refused.
  void OnCommandedAddress(uint8_t newAddress, tFrameSink &sink, uint32_t now);
  void Tick(uint32_t now);

  tState State() const { return state_; }
  // Address we use (254 while we cannot claim).
  uint8_t Address() const { return address_; }
  // Claimed and settled: other traffic may go out.
  bool IsReady() const { return state_ == tState::kClaimed; }
  bool ReadResetAddressChanged() {
    bool c = changed_;
    changed_ = false;
    return c;
  }
  // Addresses other nodes hold, as far as their claims tell.
  const std::bitset<256> &Taken() const { return taken_; }

 private:
  void Claim(uint8_t address, tFrameSink &sink, uint32_t now);
  void Forget(uint64_t name);

  uint64_t name_ = 0;
  uint8_t address_ = 0;
  tState state_ = tState::kIdle;
  uint32_t claimTime_ = 0;
  bool changed_ = false;
  std::bitset<256> taken_;
  uint64_t names_[256] = {0};  // NAME per taken address
};

#endif
