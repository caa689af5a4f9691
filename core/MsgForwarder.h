// Where a handler hands a message that goes on to the LAN as it is: the RAW broadcast
// in the daemon, a recorder in tests. Handlers only say which messages go on; the
// forms, ports and sockets are the forwarder's.
#ifndef CORE_MSGFORWARDER_H
#define CORE_MSGFORWARDER_H

#include <cstdint>

#include "N2kMsg.h"

class tMsgForwarder {
 public:
  virtual ~tMsgForwarder() = default;
  // Sends msg on before it returns, so messages leave in the order they were handed
  // in; one that cannot go (nothing on, no socket) is dropped. now is the loop pass's
  // time, for what the forwarder looks up only now and then.
  virtual void ForwardMsg(const tN2kMsg &msg, uint32_t now) = 0;
};

#endif
