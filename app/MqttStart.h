// MQTT publishing started and stopped with the daemon: with -m, a libmosquitto
// connection and the publisher as a listener of the RO500 registry.
#ifndef APP_MQTTSTART_H
#define APP_MQTTSTART_H

#include "ProcessObjects.h"

// Makes p.mqttTransport and p.mqttPublisher when -m was given; says on the console
// (at any debug level) when the daemon was built without libmosquitto or the client
// cannot start, and goes on without MQTT: the bus side does not depend on it.
void StartMqtt(tProcessObjects &p);
// "offline" and a clean disconnect, before the process ends.
void StopMqtt(tProcessObjects &p);

#endif
