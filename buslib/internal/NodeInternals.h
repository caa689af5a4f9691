// What a tNMEA2000 holds of the library's inner machinery; shared by the files that
// make up the node.
#ifndef BUSLIB_NODEINTERNALS_H
#define BUSLIB_NODEINTERNALS_H

#include <memory>

#include "AddressClaim.h"
#include "BamReceiver.h"
#include "FastPacket.h"
#include "FrameQueue.h"
#include "NMEA2000.h"

struct tNMEA2000::tInternals {
  tAddressClaimer claimer;
  tBamReceiver bam;
  tFrameQueue dataQueue;
  std::unique_ptr<tFastPacketAssembler> fastPackets;  // sized at Open
};

#endif
