// The node's CAN source address, kept in UCI so that a restart claims it again.
#ifndef APP_CANADDRESS_H
#define APP_CANADDRESS_H

#include <cstdint>

#include "CommandRunner.h"
#include "Console.h"

constexpr uint8_t kDefaultCanAddress = 177;
// How long a claimed address must stand before it is written to flash: a fight over
// addresses writes nothing until it has settled.
constexpr uint32_t kAddressHoldMs = 5000;
// A store that keeps failing is tried again after 5 s, then 10, 20, 40 and at most
// every 60 s: a uci that hangs holds up the loop for its time limit at each try.
constexpr uint32_t kStoreRetryMaxMs = 60000;

// The stored address (low 8 bits of the stored number), 177 when none is stored or the
// stored text is not a number. Read at start-up, before the loop runs; said on console.
uint8_t GetCANAddress(tConsole &console);

class tAddressKeeper;

// Where the keeper writes the address.
class tAddressStore {
 public:
  virtual ~tAddressStore() = default;
  // Starts storing address (low 8 bits) at now; keeper.StoreDone follows, perhaps
  // before this returns.
  virtual void StartStore(int address, uint32_t now, tAddressKeeper &keeper) = 0;
};

// The daemon's: "uci -q set", then "uci -q commit" only when the set worked, each
// beside the loop. A store fails when either failed or timed out, which the console
// hears of at debug level 1 and up.
class tUciAddressStore : public tAddressStore, private tCommandDone {
 public:
  // commands and console outlive the store.
  tUciAddressStore(tCommands &commands, tConsole &console)
      : commands_(commands), console_(console) {}
  void StartStore(int address, uint32_t now, tAddressKeeper &keeper) override;

 private:
  void CommandDone(const tCommandResult &result) override;
  void Done(const char *failed, uint32_t now);

  tCommands &commands_;
  tConsole &console_;
  tAddressKeeper *keeper_ = nullptr;
  int address_ = 0;
  bool committing_ = false;
};

// Follows the node's address claim: tells the console of every move, of a bus with no
// address left and of another device with our NAME, and stores the address once it
// has stood for kAddressHoldMs (a failed store is tried again later, each time after
// twice the wait, up to kStoreRetryMaxMs). One store at a time.
class tAddressKeeper {
 public:
  // stored: the address read at start-up, which is already in UCI. store and console
  // outlive the keeper.
  tAddressKeeper(uint8_t stored, tAddressStore &store, tConsole &console)
      : stored_(stored), store_(store), console_(console) {}

  // After every parse of the bus: the node's claim events (tAddressClaimer::kEvent...),
  // its address and whether that address has settled.
  void Follow(unsigned events, uint8_t address, bool settled, uint32_t now);
  // Milliseconds until a store is due (kN2kNeverDue: none waits on time alone, or one
  // is running).
  uint32_t MsUntilDue(uint32_t now) const;
  // The daemon stops: an address that is held (or being claimed) and not stored yet,
  // nor being stored, starts being stored now (the caller lets it finish).
  void Stop(uint8_t address, uint32_t now);
  // From the store: how the store started at now ended.
  void StoreDone(bool ok, uint32_t now);

 private:
  void StartStore(uint8_t address, uint32_t now);

  uint8_t stored_;
  tAddressStore &store_;
  tConsole &console_;
  bool pending_ = false;  // the address in use is not the stored one
  uint8_t current_ = 0;   // the address in use
  bool storing_ = false;  // a store of storingAddress_ is running
  uint8_t storingAddress_ = 0;
  uint32_t since_ = 0;              // when it was taken, or the last store failed
  uint32_t wait_ = kAddressHoldMs;  // from since_ to the next store
};

#endif
