// What the node's address claim went through, as bits of the mask that
// tNMEA2000::ReadResetClaimEvents() returns.
#ifndef BUSLIB_N2KCLAIMEVENTS_H
#define BUSLIB_N2KCLAIMEVENTS_H

enum : unsigned {
  // A claim of another address went out or is due (GetN2kSource() tells which).
  kN2kClaimAddressChanged = 1,
  // No address could be claimed: "cannot claim" sent, a retry follows later.
  kN2kClaimCannotClaim = 2,
  // Another device claimed our address with our own NAME: we moved away.
  kN2kClaimTwinName = 4,
};

#endif
