// The one small interface every CAN link sits behind. Implementations never block:
// whoever owns the wait polls Fd() (for writing too while WantsWrite()).
#ifndef BUSLIB_CANTRANSPORT_H
#define BUSLIB_CANTRANSPORT_H

#include <cstdint>

#include "CanFrame.h"
#include "N2kTime.h"

enum class tCanIo {
  kOk,     // one frame read or written
  kNone,   // nothing to read / would block; try again later
  kGone,   // link lost (interface down, adapter unplugged): close and reopen later
  kError,  // this frame failed (counted); the link stays usable
};

struct tCanTransportStats {
  uint32_t rxFrames = 0;
  uint32_t txFrames = 0;
  uint32_t rxDropped = 0;  // malformed or unusable input (bad lines, standard/remote frames)
  uint32_t txErrors = 0;   // writes that failed for reasons other than would-block
  uint32_t reopens = 0;
};

class tCanTransport {
 public:
  virtual ~tCanTransport() = default;
  // Opens the link; false when it cannot be opened now.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual tCanIo Read(tCanFrame &frame) = 0;
  virtual tCanIo Write(const tCanFrame &frame) = 0;
  // Descriptor to poll for readability, or -1.
  virtual int Fd() const = 0;
  // True while bytes wait for the descriptor to become writable. A link whose
  // writability says nothing about room (a CAN socket) never asks; a refused Write is
  // then simply tried again a little later.
  virtual bool WantsWrite() const { return false; }
  // The link's own timed work (a keep-alive check, say), run on every pass of the node;
  // kGone when it found the link lost. Milliseconds until it is next due.
  virtual tCanIo Service(uint32_t now) {
    (void)now;
    return tCanIo::kNone;
  }
  virtual uint32_t MsUntilDue(uint32_t now) const {
    (void)now;
    return kN2kNeverDue;
  }
  virtual const tCanTransportStats &Stats() const = 0;
};

#endif
