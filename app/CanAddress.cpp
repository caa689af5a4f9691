#include "CanAddress.h"

#include <cstdio>
#include <string>

#include "Console.h"
#include "NMEA2000lib.h"
#include "RunCommand.h"
#include "TextHelpers.h"

uint8_t GetCANAddress() {
  std::string stored = RunCommand("uci -q get tidewire.@can[0].canaddress");
  TrimNewline(stored);
  int32_t value = kDefaultCanAddress;
  if (!stored.empty() && !ParseLeadingInt32(stored, value)) value = kDefaultCanAddress;
  uint8_t address = static_cast<uint8_t>(value & 0xff);
  StreamPrintf(Console, "My CAN address: %d\n", address);
  return address;
}

bool SaveCANAddress(int address) {
  const int value = address & 0xff;
  char command[1024];
  std::snprintf(command, sizeof(command), "uci -q set tidewire.@can[0].canaddress=%d", value);
  // A set that fails (no can section, a read-only overlay) stores nothing, whatever
  // the commit after it says.
  const char *failed = nullptr;
  if (!RunCommandFor(command).ok())
    failed = "uci set";
  else if (!RunCommandFor("uci -q commit tidewire").ok())
    failed = "uci commit";
  if (failed == nullptr) return true;
  if (Logging(1))
    StreamPrintf(Console, "Could not store my CAN address %d (%s failed), trying again later\n",
                 value, failed);
  return false;
}

void tAddressKeeper::Follow(unsigned events, uint8_t address, bool settled, uint32_t now) {
  if ((events & kN2kClaimTwinName) && Logging(1))
    StreamPrintf(Console, "Another device on the bus uses this node's NAME: moving away\n");
  if ((events & kN2kClaimCannotClaim) && Logging(1))
    StreamPrintf(Console, "No CAN address left to claim: sent cannot-claim, trying again later\n");
  if ((events & kN2kClaimAddressChanged) && address < kN2kNullAddress) {
    // "Resettign" is the daemon's own spelling, which users grep for: kept as it is.
    StreamPrintf(Console, "Resettign my CAN address to: %d\n", address);
    pending_ = address != stored_;
    since_ = now;
    wait_ = kAddressHoldMs;
  }
  if (!pending_ || !settled || address >= kN2kNullAddress) return;
  if (!N2kElapsed(now, since_, wait_)) return;
  if (store_(address)) {
    stored_ = address;
    pending_ = false;
  } else {
    since_ = now;
    wait_ = wait_ >= kStoreRetryMaxMs / 2 ? kStoreRetryMaxMs : 2 * wait_;
  }
}

uint32_t tAddressKeeper::MsUntilDue(uint32_t now) const {
  if (!pending_) return kN2kNeverDue;
  const uint32_t elapsed = now - since_;
  // Once the hold is over, the store waits for the claim to settle: the node's own
  // timers bring the loop back for that.
  return elapsed < wait_ ? wait_ - elapsed : kN2kNeverDue;
}

void tAddressKeeper::Stop(uint8_t address) {
  if (pending_ && address < kN2kNullAddress && address != stored_ && store_(address)) {
    stored_ = address;
    pending_ = false;
  }
}
