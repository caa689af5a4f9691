// The broker connection over libmosquitto. Connecting (with the name lookup, which may
// hang on a router whose upstream is gone), reading and writing run on a thread of the
// connection's own, so that a broker that is down, slow or unreachable never holds up
// the loop. Reconnects back off from 1 s to 60 s, each wait drawn between half and all
// of its step so that routers restarted together do not come back together; the step
// starts again at 1 s only after a connection has lasted kLastingS. The router's
// availability topic gets "offline" as the connection's will and "online" on every
// connection; a clean stop says "offline" itself. At most kMaxInFlight messages are on
// their way at once, counted until the broker acknowledges them (libmosquitto keeps
// and sends again what a lost connection left unacknowledged).
//
// What the thread uses lives in an object it shares with the transport: a thread
// stuck in a connect at a stop is left to end on its own, and never touches the
// transport, which is gone by then.
#ifndef NET_MOSQUITTOTRANSPORT_H
#define NET_MOSQUITTOTRANSPORT_H

#include <memory>
#include <string>
#include <thread>

#include "MqttSettings.h"
#include "MqttTransport.h"

class tMosquittoTransport : public tMqttTransport {
 public:
  static constexpr int kMaxInFlight = 256;
  static constexpr int kKeepAliveS = 30;
  static constexpr int kMaxBackoffS = 60;
  static constexpr int kLastingS = 60;
  static constexpr int kStopWaitMs = 3000;

  tMosquittoTransport() = default;
  ~tMosquittoTransport() override;
  tMosquittoTransport(const tMosquittoTransport &) = delete;
  tMosquittoTransport &operator=(const tMosquittoTransport &) = delete;

  // Loads libmosquitto and starts the connection's thread. False (and says why in
  // error) when the library is not installed, cannot make a client or take the
  // settings (a CA file it cannot read, say). The password file is read before each
  // connection: while it cannot be, the thread does not connect (and says so).
  bool Start(const tMqttSettings &settings, const std::string &clientId,
             const std::string &availabilityTopic, std::string &error);
  // "offline" on the availability topic, a clean disconnect, the thread joined; a
  // thread stuck in a connect for waitMs is left to end by itself.
  void Stop(int waitMs = kStopWaitMs);

  bool Publish(const std::string &topic, const std::string &payload, bool retain) override;
  bool Connected() const override;
  bool ReadResetConnected() override;

  // Readable when the connection has news: a connection made or lost, a failure.
  // -1 before Start.
  int WakeFd() const;
  // Empties WakeFd; the connection's state in words when it changed since the last
  // call ("connected to broker.lan:1883", "broker.lan:1883 refused the connection:
  // ..."), once per change; "" when it did not.
  std::string TakeNews();
  // Messages handed over and not yet acknowledged.
  int InFlight() const;

  struct tLink;

 private:
  std::shared_ptr<tLink> link_;
  std::thread thread_;
  unsigned connectionsSeen_ = 0;  // the loop's count, for ReadResetConnected
};

#endif
