// The node's CAN source address, kept in UCI so that a restart claims it again.
#ifndef APP_CANADDRESS_H
#define APP_CANADDRESS_H

#include <cstdint>

constexpr uint8_t kDefaultCanAddress = 177;
// How long a claimed address must stand before it is written to flash: a fight over
// addresses writes nothing until it has settled.
constexpr uint32_t kAddressHoldMs = 5000;
// A store that keeps failing is tried again after 5 s, then 10, 20, 40 and at most
// every 60 s: a uci that hangs holds up the loop for its time limit at each try.
constexpr uint32_t kStoreRetryMaxMs = 60000;

// The stored address (low 8 bits of the stored number), 177 when none is stored or the
// stored text is not a number.
uint8_t GetCANAddress();
// Stores and commits the address (low 8 bits): "uci -q set", then "uci -q commit" only
// when the set worked. False when either failed or timed out, which the console hears
// of at debug level 1 and up.
bool SaveCANAddress(int address);

// Follows the node's address claim: tells the console of every move, of a bus with no
// address left and of another device with our NAME, and stores the address once it
// has stood for kAddressHoldMs (a failed store is tried again later, each time after
// twice the wait, up to kStoreRetryMaxMs).
class tAddressKeeper {
 public:
  typedef bool (*tStore)(int address);

  // stored: the address read at start-up, which is already in UCI.
  explicit tAddressKeeper(uint8_t stored, tStore store = SaveCANAddress)
      : stored_(stored), store_(store) {}

  // After every parse of the bus: the node's claim events (tAddressClaimer::kEvent...),
  // its address and whether that address has settled.
  void Follow(unsigned events, uint8_t address, bool settled, uint32_t now);
  // Milliseconds until a store is due (kN2kNeverDue: none waits on time alone).
  uint32_t MsUntilDue(uint32_t now) const;
  // The daemon stops: an address that is held (or being claimed) and not stored yet is
  // stored now.
  void Stop(uint8_t address);

 private:
  uint8_t stored_;
  tStore store_;
  bool pending_ = false;            // the address in use is not the stored one
  uint32_t since_ = 0;              // when it was taken, or the last store failed
  uint32_t wait_ = kAddressHoldMs;  // from since_ to the next store
};

#endif
