// Where MQTT messages go: a broker connection that never makes its caller wait. The
// daemon's is tMosquittoTransport (libmosquitto on a thread of its own); tests use a
// recorder. All calls come from the daemon's loop.
#ifndef NET_MQTTTRANSPORT_H
#define NET_MQTTTRANSPORT_H

#include <string>

class tMqttTransport {
 public:
  virtual ~tMqttTransport() = default;
  // Hands the message to the connection at QoS 1; false (nothing kept) while there is
  // no connection or too much is still on its way: the caller keeps its latest state
  // and tries again later.
  virtual bool Publish(const std::string &topic, const std::string &payload, bool retain) = 0;
  virtual bool Connected() const = 0;
  // True once for every connection made since the last call: what the broker had may
  // be gone (a restarted broker without persistence), so everything is sent again.
  virtual bool ReadResetConnected() = 0;
};

#endif
