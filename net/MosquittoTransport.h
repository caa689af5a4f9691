// The broker connection over libmosquitto. Connecting (with the name lookup, which may
// hang on a router whose upstream is gone), reading and writing run on a thread of the
// connection's own, so that a broker that is down, slow or unreachable never holds up
// the loop. Reconnects back off from 1 s to 60 s. The router's availability topic gets
// "offline" as the connection's will and "online" on every connection; a clean stop
// says "offline" itself. At most kMaxInFlight messages are on their way at once.
#ifndef NET_MOSQUITTOTRANSPORT_H
#define NET_MOSQUITTOTRANSPORT_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "MqttSettings.h"
#include "MqttTransport.h"

struct mosquitto;
struct tMosquittoLib;

class tMosquittoTransport : public tMqttTransport {
 public:
  static constexpr int kMaxInFlight = 256;
  static constexpr int kKeepAliveS = 30;
  static constexpr int kMaxBackoffS = 60;

  tMosquittoTransport() = default;
  ~tMosquittoTransport() override;
  tMosquittoTransport(const tMosquittoTransport &) = delete;
  tMosquittoTransport &operator=(const tMosquittoTransport &) = delete;

  // Loads libmosquitto and starts the connection's thread. False (and says why in
  // error) when the library is not installed, cannot make a client or take the
  // settings (a CA file it cannot use, say).
  bool Start(const tMqttSettings &settings, const std::string &clientId,
             const std::string &availabilityTopic, std::string &error);
  // "offline" on the availability topic, a clean disconnect, the thread joined; a
  // thread stuck in a connect is left behind after 3 s (the process is ending).
  void Stop();

  bool Publish(const std::string &topic, const std::string &payload, bool retain) override;
  bool Connected() const override { return connected_; }
  bool ReadResetConnected() override;

 private:
  static void OnConnect(struct mosquitto *m, void *self, int rc);
  static void OnDisconnect(struct mosquitto *m, void *self, int rc);
  static void OnPublish(struct mosquitto *m, void *self, int mid);
  void Run();
  // Sleeps seconds, or until a stop.
  void Pause(int seconds);

  const tMosquittoLib *lib_ = nullptr;  // loaded by Start
  struct mosquitto *mosq_ = nullptr;
  std::thread thread_;
  std::string host_, availability_;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex pauseMutex_;
  std::condition_variable pauseCv_;
  std::atomic<bool> connected_{false};
  std::atomic<bool> finished_{false};  // the thread has ended
  std::atomic<int> inFlight_{0};
  std::atomic<unsigned> connections_{0};
  unsigned connectionsSeen_ = 0;  // the loop's count, for ReadResetConnected
};

#endif
