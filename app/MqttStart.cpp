#include "MqttStart.h"

#include <cstdio>
#include <string>

#include "Console.h"
#ifdef TIDEWIRE_HAVE_MOSQUITTO
#include "MosquittoTransport.h"
#endif

// These two lines go to standard output whatever the debug level (the console is
// /dev/null at level 0), as "Failed to open CAN port" does: procd logs them.
void StartMqtt(tProcessObjects &p) {
  if (!p.mqtt.enabled) return;
#ifndef TIDEWIRE_HAVE_MOSQUITTO
  std::printf("MQTT: this tidewire was built without libmosquitto; not publishing to %s\n",
              p.mqtt.host.c_str());
#else
  auto *transport = new tMosquittoTransport;
  p.mqttTransport.reset(transport);
  p.mqttPublisher.reset(
      new tMqttPublisher(p.mqtt, *transport, p.devices, p.batteries, p.deviceList));
  p.mqttPublisher->SetRouterId(p.routerId);
  const std::string clientId =
      p.mqtt.clientId.empty() ? "tidewire-" + p.mqttPublisher->RouterId() : p.mqtt.clientId;
  std::string error;
  if (!transport->Start(p.mqtt, clientId, p.mqttPublisher->BaseTopic() + "/status", error)) {
    std::printf("MQTT: %s; not publishing to %s\n", error.c_str(), p.mqtt.host.c_str());
    p.mqttPublisher.reset();
    p.mqttTransport.reset();
    return;
  }
  p.devices.SetEvents(p.mqttPublisher.get());
  if (Logging(1))
    StreamPrintf(Console, "MQTT: publishing to %s:%d under %s\n", p.mqtt.host.c_str(), p.mqtt.port,
                 p.mqttPublisher->BaseTopic().c_str());
#endif
}

void StopMqtt(tProcessObjects &p) {
  p.devices.SetEvents(nullptr);
  p.mqttPublisher.reset();
  p.mqttTransport.reset();  // says "offline" and disconnects
}
