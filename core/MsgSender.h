// Where a part hands a message for the bus: the node in the daemon, a recorder in
// tests. Lower layers get one through their constructor instead of reaching the node.
#ifndef CORE_MSGSENDER_H
#define CORE_MSGSENDER_H

#include "N2kMsg.h"

class tMsgSender {
 public:
  virtual ~tMsgSender() = default;
  // Queues the message; false when it was refused or could not be queued.
  virtual bool SendMsg(const tN2kMsg &msg) = 0;
};

#endif
