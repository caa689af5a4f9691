#include "MqttStart.h"

#include <poll.h>

#include <cstdio>
#include <string>

#include "Console.h"
#ifdef TIDEWIRE_HAVE_MOSQUITTO
#include "MosquittoTransport.h"
#include "MqttPublisher.h"

namespace {
class tMqttPart : public tLoopPart {
 public:
  explicit tMqttPart(tProcessObjects &p)
      : devices_(p.devices), publisher_(p.mqtt, transport_, p.devices, p.batteries, p.deviceList) {
    publisher_.SetRouterId(p.routerId, p.routerModel, p.routerVersion);
  }
  ~tMqttPart() override {
    devices_.SetEvents(nullptr);
    publisher_.Goodbye();  // every device "offline" ...
    transport_.Stop();     // ... the router too, then a clean disconnect
  }
  bool Start(const tMqttSettings &settings, std::string &error) {
    const std::string clientId =
        settings.clientId.empty() ? "tidewire-" + publisher_.RouterId() : settings.clientId;
    if (!transport_.Start(settings, clientId, publisher_.BaseTopic() + "/status", error))
      return false;
    devices_.SetEvents(&publisher_);
    return true;
  }
  const std::string &BaseTopic() const { return publisher_.BaseTopic(); }

  const char *Name() const override { return "the MQTT publishing"; }
  int PollFds(struct pollfd *fds, int room) override {
    if (room < 1 || transport_.WakeFd() < 0) return 0;
    fds[0] = {transport_.WakeFd(), POLLIN, 0};
    return 1;
  }
  // The connection's news, whatever the debug level (procd logs standard output): a
  // refused password or an unreachable broker would otherwise go unnoticed.
  void Ready(const struct pollfd *fds, int count) override {
    if (count < 1 || (fds[0].revents & POLLIN) == 0) return;
    const std::string news = transport_.TakeNews();
    if (!news.empty()) std::printf("MQTT: %s\n", news.c_str());
  }
  uint32_t MsUntilDue(uint32_t now) const override { return publisher_.MsUntilDue(now); }
  void Pass(uint32_t now) override { publisher_.Poll(now); }

 private:
  tDevices &devices_;
  tMosquittoTransport transport_;
  tMqttPublisher publisher_;
};
}  // namespace
#endif

std::unique_ptr<tLoopPart> StartMqtt(tProcessObjects &p) {
  if (!p.mqtt.enabled) return nullptr;
#ifndef TIDEWIRE_HAVE_MOSQUITTO
  std::printf("MQTT: this tidewire was built without libmosquitto; not publishing to %s\n",
              p.mqtt.host.c_str());
  return nullptr;
#else
  std::unique_ptr<tMqttPart> part(new tMqttPart(p));
  std::string error;
  if (!part->Start(p.mqtt, error)) {
    std::printf("MQTT: %s; not publishing to %s\n", error.c_str(), p.mqtt.host.c_str());
    return nullptr;
  }
  if (p.console.Logging(1))
    StreamPrintf(&p.console, "MQTT: publishing to %s:%d under %s\n", p.mqtt.host.c_str(),
                 p.mqtt.BrokerPort(), part->BaseTopic().c_str());
  return std::unique_ptr<tLoopPart>(part.release());
#endif
}
