// MQTT publishing started and stopped with the daemon: with -m, a libmosquitto
// connection and the publisher, listening to the RO500 registry, as one loop part.
#ifndef APP_MQTTSTART_H
#define APP_MQTTSTART_H

#include <memory>

#include "LoopPart.h"
#include "ProcessObjects.h"

// The loop part that publishes, when -m was given: it owns the connection and the
// publisher, and its destruction says "offline", disconnects and stops listening.
// Null without -m, and when the daemon was built without libmosquitto or the client
// cannot start: said on standard output whatever the debug level (procd logs it), and
// the daemon goes on without MQTT, since the bus side does not depend on it. Without
// libmosquitto nothing of the publishing is linked in.
std::unique_ptr<tLoopPart> StartMqtt(tProcessObjects &p);

#endif
