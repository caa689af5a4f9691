#include "CanAddress.h"

#include <cstdio>
#include <string>

#include "Console.h"
#include "NMEA2000lib.h"
#include "RunCommand.h"
#include "TextHelpers.h"

uint8_t GetCANAddress(tConsole &console) {
  std::string stored = RunCommand(console, "uci -q get tidewire.@can[0].canaddress");
  TrimNewline(stored);
  int32_t value = kDefaultCanAddress;
  if (!stored.empty() && !ParseLeadingInt32(stored, value)) value = kDefaultCanAddress;
  uint8_t address = static_cast<uint8_t>(value & 0xff);
  StreamPrintf(&console, "My CAN address: %d\n", address);
  return address;
}

void tUciAddressStore::StartStore(int address, uint32_t now, tAddressKeeper &keeper) {
  keeper_ = &keeper;
  address_ = address & 0xff;
  committing_ = false;
  char command[64];
  std::snprintf(command, sizeof(command), "uci -q set tidewire.@can[0].canaddress=%d", address_);
  if (!commands_.Start(command, now, *this)) Done("uci set", now);
}

void tUciAddressStore::CommandDone(const tCommandResult &result) {
  // A set that fails (no can section, a read-only overlay) stores nothing, whatever
  // the commit after it says.
  if (!result.ok()) {
    Done(committing_ ? "uci commit" : "uci set", result.ended);
    return;
  }
  if (committing_) {
    Done(nullptr, result.ended);
    return;
  }
  committing_ = true;
  if (!commands_.Start("uci -q commit tidewire", result.ended, *this))
    Done("uci commit", result.ended);
}

void tUciAddressStore::Done(const char *failed, uint32_t now) {
  if (failed != nullptr && console_.Logging(1))
    StreamPrintf(&console_, "Could not store my CAN address %d (%s failed), trying again later\n",
                 address_, failed);
  keeper_->StoreDone(failed == nullptr, now);
}

void tAddressKeeper::Follow(unsigned events, uint8_t address, bool settled, uint32_t now) {
  if ((events & kN2kClaimTwinName) && console_.Logging(1))
    StreamPrintf(&console_, "Another device on the bus uses this node's NAME: moving away\n");
  if ((events & kN2kClaimCannotClaim) && console_.Logging(1))
    StreamPrintf(&console_,
                 "No CAN address left to claim: sent cannot-claim, trying again later\n");
  if ((events & kN2kClaimAddressChanged) && address < kN2kNullAddress) {
    // "Resettign" is the daemon's own spelling, which users grep for: kept as it is.
    StreamPrintf(&console_, "Resettign my CAN address to: %d\n", address);
    pending_ = address != stored_;
    current_ = address;
    since_ = now;
    wait_ = kAddressHoldMs;
  }
  if (!pending_ || storing_ || !settled || address >= kN2kNullAddress) return;
  if (!N2kElapsed(now, since_, wait_)) return;
  StartStore(address, now);
}

void tAddressKeeper::StartStore(uint8_t address, uint32_t now) {
  storing_ = true;
  storingAddress_ = address;
  store_.StartStore(address, now, *this);
}

void tAddressKeeper::StoreDone(bool ok, uint32_t now) {
  storing_ = false;
  if (ok) {
    stored_ = storingAddress_;
    pending_ = current_ != stored_;
    return;
  }
  since_ = now;
  wait_ = wait_ >= kStoreRetryMaxMs / 2 ? kStoreRetryMaxMs : 2 * wait_;
}

uint32_t tAddressKeeper::MsUntilDue(uint32_t now) const {
  if (!pending_ || storing_) return kN2kNeverDue;
  const uint32_t elapsed = now - since_;
  // Once the hold is over, the store waits for the claim to settle: the node's own
  // timers bring the loop back for that.
  return elapsed < wait_ ? wait_ - elapsed : kN2kNeverDue;
}

void tAddressKeeper::Stop(uint8_t address, uint32_t now) {
  if (!pending_ || storing_ || address >= kN2kNullAddress || address == stored_) return;
  current_ = address;
  StartStore(address, now);
}
