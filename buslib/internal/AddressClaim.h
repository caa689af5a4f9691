// Address claim with NAME arbitration (ISO 11783-5 / J1939-81 / NMEA 2000).
// The machine takes claims, requests and the time in, and says which frame is due;
// the node writes it and reports back. It owns no socket, so it is tested with a fake
// clock and no bus at all.
//
// Rules:
// - Claim the preferred address; other traffic waits kClaimSettleMs after the claim has
//   really been written, so that a contender can object.
// - A claim for our address with a higher NAME is answered by our own claim. One with
//   a lower NAME, or with our own NAME (the transports never echo our frames, so that
//   is another device with the same NAME), wins it: after a pseudo-random 0..153 ms
//   (so that twins that collide do not move in step for ever) we claim the next free
//   address upwards, skipping 254 and 255 and wrapping after 253.
// - With no free address left, after kMaxLossesPerSearch losses in a row without an
//   address standing for kClaimSettleMs (a node chasing us), or when our NAME is not
//   arbitrary address capable, we send "cannot claim" (a claim from 254), answer
//   requests with it after a pseudo-random 0..153 ms, and try again 30..60 s later:
//   ask the bus for its claims, listen kClaimSettleMs, then claim the preferred address
//   or the next free one.
// - A frame that could not be written stays due and is tried again kClaimRetryMs later.
#ifndef BUSLIB_ADDRESSCLAIM_H
#define BUSLIB_ADDRESSCLAIM_H

#include <bitset>
#include <cstdint>

#include "CanFrame.h"
#include "N2kClaimEvents.h"
#include "N2kTime.h"

constexpr uint32_t kClaimSettleMs = 250;
constexpr uint32_t kClaimRandomDelayMaxMs = 153;
constexpr int kMaxLossesPerSearch = 16;
constexpr uint32_t kCannotClaimRetryMinMs = 30000;
constexpr uint32_t kCannotClaimRetrySpreadMs = 30000;
constexpr uint32_t kClaimRetryMs = 50;

// Next address after current that is neither taken nor 254/255, wrapping after 253
// to 0; -1 when every other usable address is taken.
int NextFreeAddress(uint8_t current, const std::bitset<256> &taken);

// The claim frame: PGN 60928 to global, priority 6, the NAME little-endian.
tCanFrame AddressClaimFrame(uint64_t name, uint8_t source);
// A request for everybody's address claim, from the null address 254.
tCanFrame ClaimRequestFrame();

class tAddressClaimer {
 public:
  enum class tState {
    kIdle,         // not started
    kClaiming,     // claim sent or due; waiting for objections
    kClaimed,      // the address stands: other traffic may go out
    kMoving,       // lost the address; the next claim follows a random delay
    kAsking,       // after cannot-claim: asked for claims, listening
    kCannotClaim,  // no address; retry later
  };
  tAddressClaimer() = default;
  void SetName(uint64_t name) { name_ = name; }
  uint64_t Name() const { return name_; }
  // 254 and 255 cannot be claimed: 0 is taken instead.
  void SetPreferredAddress(uint8_t address) { preferred_ = address < 254 ? address : 0; }
  uint8_t PreferredAddress() const { return preferred_; }
  // Seeds the pseudo-random delays; twins must be seeded differently.
  void Seed(uint32_t seed) { random_ = seed != 0 ? seed : 0x9e3779b9u; }

  // Claims the preferred address (again, after a lost link).
  void Start(uint32_t now);
  // Another node's claim (source 254 is its "cannot claim").
  void OnClaim(uint8_t source, uint64_t name, uint32_t now);
  // A request for PGN 60928 addressed to destination (255 = everybody).
  void OnClaimRequest(uint8_t destination, uint32_t now);
  // A commanded address for our NAME; addresses over 253 are refused.
  void OnCommandedAddress(uint8_t newAddress, uint32_t now);
  void Tick(uint32_t now);

  // The frame to write now, if one is due.
  bool FrameDue(uint32_t now, tCanFrame &frame) const;
  // The due frame went out / could not be written.
  void FrameSent(uint32_t now);
  void FrameFailed(uint32_t now);
  // Milliseconds until a frame or a timer is due (0: now; kN2kNeverDue: nothing).
  uint32_t MsUntilDue(uint32_t now) const;

  tState State() const { return state_; }
  // Address we use (254 while we cannot claim).
  uint8_t Address() const { return address_; }
  // Claimed and settled: other traffic may go out.
  bool IsReady() const { return state_ == tState::kClaimed; }
  bool ReadResetAddressChanged() { return ReadResetEvents(kN2kClaimAddressChanged) != 0; }
  // Returns and clears the events (kN2kClaim...) in mask.
  unsigned ReadResetEvents(unsigned mask = ~0u) {
    unsigned e = events_ & mask;
    events_ &= ~mask;
    return e;
  }
  // Addresses other nodes hold, as far as their claims tell.
  const std::bitset<256> &Taken() const { return taken_; }

 private:
  enum class tOut { kNone, kClaim, kRequest };

  void Claim(uint8_t address, uint32_t now);
  void Lose(uint32_t now);
  void ClaimNextFree(uint8_t from, uint32_t now);
  void CannotClaim(uint32_t now);
  void Due(tOut out, uint32_t at);
  void Forget(uint64_t name);
  bool Capable() const { return (name_ >> 63) != 0; }
  uint32_t RandomUpTo(uint32_t max);

  uint64_t name_ = 0;
  uint8_t preferred_ = 0;
  uint8_t address_ = 0;
  tState state_ = tState::kIdle;
  tOut out_ = tOut::kNone;
  uint32_t outAt_ = 0;    // when the due frame may go
  bool written_ = false;  // this state's claim or request has gone out
  uint32_t timerAt_ = 0;  // settle end, move, listen end or retry, by state
  int losses_ = 0;
  unsigned events_ = 0;
  uint32_t random_ = 0x9e3779b9u;
  std::bitset<256> taken_;
  uint64_t names_[256] = {0};  // NAME per taken address
};

#endif
