// The one small interface every CAN link sits behind. Implementations never block:
// the node polls Fd() itself when it has nothing to do.
#ifndef BUSLIB_CANTRANSPORT_H
#define BUSLIB_CANTRANSPORT_H

#include <cstdint>

#include "CanFrame.h"

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
  // Descriptor to poll for readability (and writability while Write returns kNone), or -1.
  virtual int Fd() const = 0;
  virtual const tCanTransportStats &Stats() const = 0;
};

#endif
