#include "MosquittoTransport.h"

#include "MosquittoLib.h"
#include "TextHelpers.h"

#include <poll.h>

#include <cstdio>

namespace {
constexpr int kQos = 1;
// A publish from the loop wakes the connection's thread at once (libmosquitto writes
// to its socket pair); the timeout only bounds how late a stop is noticed.
constexpr int kLoopTimeoutMs = 1000;
constexpr int kPauseStepMs = 100;
constexpr int kFlushPasses = 10;
constexpr int kStopWaitMs = 3000;
const char kOnline[] = "online";
const char kOffline[] = "offline";
constexpr size_t kPasswordSize = 256;

// The password from the file's first line (its line end removed); "" when there is no
// file or it cannot be read.
std::string ReadPassword(const std::string &path) {
  if (path.empty()) return std::string();
  FILE *f = std::fopen(path.c_str(), "re");
  if (f == nullptr) return std::string();
  char line[kPasswordSize] = "";
  const bool read = std::fgets(line, sizeof(line), f) != nullptr;
  std::fclose(f);
  if (!read) return std::string();
  std::string password(line);
  TrimLineEnd(password);
  return password;
}
}  // namespace

tMosquittoTransport::~tMosquittoTransport() {
  Stop();
}

bool tMosquittoTransport::Start(const tMqttSettings &settings, const std::string &clientId,
                                const std::string &availabilityTopic, std::string &error) {
  lib_ = LoadMosquitto(error);
  if (lib_ == nullptr) return false;
  lib_->mosquitto_lib_init();
  mosq_ = lib_->mosquitto_new(clientId.c_str(), true, this);
  if (mosq_ == nullptr) {
    error = "cannot make an MQTT client";
    return false;
  }
  host_ = settings.host;
  port_ = settings.port;
  availability_ = availabilityTopic;
  lib_->mosquitto_threaded_set(mosq_, true);
  lib_->mosquitto_connect_callback_set(mosq_, OnConnect);
  lib_->mosquitto_disconnect_callback_set(mosq_, OnDisconnect);
  lib_->mosquitto_publish_callback_set(mosq_, OnPublish);
  int rc = lib_->mosquitto_will_set(mosq_, availability_.c_str(), sizeof(kOffline) - 1, kOffline,
                                    kQos, true);
  const std::string password = ReadPassword(settings.passwordFile);
  if (rc == MOSQ_ERR_SUCCESS && !settings.user.empty())
    rc = lib_->mosquitto_username_pw_set(mosq_, settings.user.c_str(),
                                         password.empty() ? nullptr : password.c_str());
  if (rc == MOSQ_ERR_SUCCESS && !settings.caFile.empty())
    rc =
        lib_->mosquitto_tls_set(mosq_, settings.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
  if (rc != MOSQ_ERR_SUCCESS) {
    error = lib_->mosquitto_strerror(rc);
    lib_->mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    return false;
  }
  thread_ = std::thread(&tMosquittoTransport::Run, this);
  return true;
}

void tMosquittoTransport::Stop() {
  if (mosq_ == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(pauseMutex_);
    stop_ = true;
  }
  pauseCv_.notify_all();
  for (int waited = 0; waited < kStopWaitMs && !finished_; waited += kPauseStepMs)
    poll(nullptr, 0, kPauseStepMs);
  if (!finished_) {
    // A connect that hangs on the network (no answer to SYN, a lookup without a
    // server) cannot be cut short: the process ends without waiting for it.
    thread_.detach();
    mosq_ = nullptr;
    return;
  }
  if (thread_.joinable()) thread_.join();
  lib_->mosquitto_destroy(mosq_);
  mosq_ = nullptr;
  lib_->mosquitto_lib_cleanup();
}

void tMosquittoTransport::Pause(int seconds) {
  std::unique_lock<std::mutex> lock(pauseMutex_);
  pauseCv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stop_.load(); });
}

void tMosquittoTransport::Run() {
  int backoff = 1;
  bool first = true;
  while (!stop_) {
    const int rc = first ? lib_->mosquitto_connect(mosq_, host_.c_str(), port_, kKeepAliveS)
                         : lib_->mosquitto_reconnect(mosq_);
    if (rc == MOSQ_ERR_SUCCESS) {
      first = false;
      while (!stop_ && lib_->mosquitto_loop(mosq_, kLoopTimeoutMs, 1) == MOSQ_ERR_SUCCESS) {
        if (connected_) backoff = 1;
      }
      if (stop_) break;  // still connected, maybe: the goodbye below needs to know
      connected_ = false;
      inFlight_ = 0;  // what was on its way is lost with the connection
    }
    if (stop_) break;
    Pause(backoff);
    backoff = backoff * 2 > kMaxBackoffS ? kMaxBackoffS : backoff * 2;
  }
  if (connected_) {
    lib_->mosquitto_publish(mosq_, nullptr, availability_.c_str(), sizeof(kOffline) - 1, kOffline,
                            kQos, true);
    lib_->mosquitto_disconnect(mosq_);
    for (int i = 0;
         i < kFlushPasses && lib_->mosquitto_loop(mosq_, kLoopTimeoutMs, 1) == MOSQ_ERR_SUCCESS;
         i++) {
    }
  }
  connected_ = false;
  finished_ = true;
}

void tMosquittoTransport::OnConnect(struct mosquitto *m, void *self, int rc) {
  auto *t = static_cast<tMosquittoTransport *>(self);
  if (rc != 0) return;  // refused: the loop ends, and the next try follows
  t->inFlight_ = 0;
  t->lib_->mosquitto_publish(m, nullptr, t->availability_.c_str(), sizeof(kOnline) - 1, kOnline,
                             kQos, true);
  t->connected_ = true;
  t->connections_++;
}

void tMosquittoTransport::OnDisconnect(struct mosquitto *, void *self, int) {
  static_cast<tMosquittoTransport *>(self)->connected_ = false;
}

void tMosquittoTransport::OnPublish(struct mosquitto *, void *self, int) {
  auto *t = static_cast<tMosquittoTransport *>(self);
  if (t->inFlight_ > 0) t->inFlight_--;
}

bool tMosquittoTransport::Publish(const std::string &topic, const std::string &payload,
                                  bool retain) {
  if (!connected_ || inFlight_ >= kMaxInFlight) return false;
  inFlight_++;
  const int rc =
      lib_->mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                              payload.data(), kQos, retain);
  if (rc == MOSQ_ERR_SUCCESS) return true;
  inFlight_--;
  return false;
}

bool tMosquittoTransport::ReadResetConnected() {
  const unsigned now = connections_;
  if (now == connectionsSeen_) return false;
  connectionsSeen_ = now;
  return true;
}
