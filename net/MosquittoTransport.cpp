#include "MosquittoTransport.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>

#include "MosquittoLib.h"
#include "TextHelpers.h"

namespace {
using tClock = std::chrono::steady_clock;

constexpr int kQos = 1;
// A publish from the loop wakes the connection's thread at once (libmosquitto writes
// to its socket pair); the timeout only bounds how late a stop is noticed.
constexpr int kLoopTimeoutMs = 1000;
constexpr int kFlushPasses = 10;
constexpr int kFlushStepMs = 100;
const char kOnline[] = "online";
const char kOffline[] = "offline";
constexpr size_t kPasswordSize = 256;

// The password from the file's first line (its line end removed). False, with the
// reason, when the file cannot be read.
bool ReadPassword(const std::string &path, std::string &password, std::string &why) {
  FILE *f = std::fopen(path.c_str(), "re");
  if (f == nullptr) {
    why = std::strerror(errno);
    return false;
  }
  char line[kPasswordSize] = "";
  const bool read = std::fgets(line, sizeof(line), f) != nullptr;
  const bool failed = std::ferror(f) != 0;
  if (failed) why = std::strerror(errno);
  std::fclose(f);
  if (failed) return false;
  password = read ? line : "";  // an empty file: an empty password
  TrimLineEnd(password);
  return true;
}
}  // namespace

struct tMosquittoTransport::tLink {
  const tMosquittoLib *lib = nullptr;
  struct mosquitto *mosq = nullptr;
  std::string host, where, availability, user, passwordFile;
  int port = 0;
  int wakeFd = -1;
  unsigned seed = 0;
  std::atomic<bool> stop{false}, connected{false}, finished{false};
  std::atomic<int> inFlight{0};
  std::atomic<unsigned> connections{0};
  std::mutex mutex;  // guards the news and the waits on cv (pauses, the stop)
  std::condition_variable cv;
  std::string said, news;
  bool fresh = false;
  // The connection's thread alone: the broker's refusal, whether the broker took the
  // connection and when.
  int refusal = 0;
  bool up = false;
  tClock::time_point connectedAt;
  std::string lastError;  // libmosquitto's last error line (TLS says why there); mutex

  ~tLink() {
    if (mosq != nullptr) {
      lib->mosquitto_destroy(mosq);
      lib->mosquitto_lib_cleanup();
    }
    if (wakeFd >= 0) close(wakeFd);
  }
  void Wake() {
    const uint64_t one = 1;
    (void)!write(wakeFd, &one, sizeof(one));
  }
  // The state in words, told the loop when it is not what was said last.
  void Say(const std::string &text) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (text == said) return;
      said = news = text;
      fresh = true;
    }
    Wake();
  }
  // Waits ms, or until a stop.
  void Pause(int ms) {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop.load(); });
  }
  // Why a call failed: errno's text, or libmosquitto's, with its last error line.
  std::string Reason(int rc, int error) {
    std::string why = rc == MOSQ_ERR_ERRNO ? std::strerror(error)
                      : rc == MOSQ_ERR_EAI ? "the name does not resolve"
                                           : lib->mosquitto_strerror(rc);
    std::lock_guard<std::mutex> lock(mutex);
    if (!lastError.empty()) why += " (" + lastError + ")";
    return why;
  }
  // The user and the password for the next connection; false (said) when the
  // password file cannot be read.
  bool Credentials() {
    if (user.empty()) return true;
    std::string password, why;
    if (!passwordFile.empty() && !ReadPassword(passwordFile, password, why)) {
      Say("cannot read the password file " + passwordFile + ": " + why +
          "; not connecting without it");
      return false;
    }
    lib->mosquitto_username_pw_set(mosq, user.c_str(),
                                   passwordFile.empty() ? nullptr : password.c_str());
    return true;
  }
  // The session that a successful connect started, until it ends.
  void Session(int &stepS) {
    int rc = MOSQ_ERR_SUCCESS;
    while (!stop && (rc = lib->mosquitto_loop(mosq, kLoopTimeoutMs, 1)) == MOSQ_ERR_SUCCESS) {
    }
    const int error = errno;
    if (stop) return;  // still connected, maybe: the goodbye needs to know
    const bool was = up;
    up = false;
    connected = false;
    Wake();
    if (was && tClock::now() - connectedAt >= std::chrono::seconds(kLastingS)) stepS = 1;
    if (refusal != 0)
      Say(where + " refused the connection: " + lib->mosquitto_connack_string(refusal));
    else if (was)
      Say("lost the connection to " + where + ": " + Reason(rc, error));
    else
      Say("cannot connect to " + where + ": " + Reason(rc, error));
  }
  void Run() {
    std::minstd_rand jitter(seed);
    int stepS = 1;
    bool first = true;
    while (!stop) {
      if (Credentials()) {
        refusal = 0;
        {
          std::lock_guard<std::mutex> lock(mutex);
          lastError.clear();
        }
        errno = 0;
        const int rc = first ? lib->mosquitto_connect(mosq, host.c_str(), port, kKeepAliveS)
                             : lib->mosquitto_reconnect(mosq);
        const int error = errno;
        if (rc == MOSQ_ERR_SUCCESS) {
          first = false;
          Session(stepS);
        } else if (!stop) {
          Say("cannot connect to " + where + ": " + Reason(rc, error));
        }
      }
      if (stop) break;
      const int stepMs = stepS * 1000;
      Pause(stepMs / 2 + static_cast<int>(jitter() % static_cast<unsigned>(stepMs / 2 + 1)));
      stepS = stepS * 2 > kMaxBackoffS ? kMaxBackoffS : stepS * 2;
    }
    if (connected) {
      // What the loop handed over last (the devices' "offline") first.
      for (int i = 0; i < kFlushPasses && inFlight > 0 &&
                      lib->mosquitto_loop(mosq, kFlushStepMs, 1) == MOSQ_ERR_SUCCESS;
           i++) {
      }
      lib->mosquitto_publish(mosq, nullptr, availability.c_str(), sizeof(kOffline) - 1, kOffline,
                             kQos, true);
      lib->mosquitto_disconnect(mosq);
      for (int i = 0;
           i < kFlushPasses && lib->mosquitto_loop(mosq, kLoopTimeoutMs, 1) == MOSQ_ERR_SUCCESS;
           i++) {
      }
    }
    connected = false;
    {
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
    }
    cv.notify_all();
  }

  static void OnConnect(struct mosquitto *m, void *self, int rc) {
    auto *l = static_cast<tLink *>(self);
    if (rc != 0) {
      l->refusal = rc;  // the session ends, and the next try follows
      return;
    }
    l->inFlight++;
    l->lib->mosquitto_publish(m, nullptr, l->availability.c_str(), sizeof(kOnline) - 1, kOnline,
                              kQos, true);
    l->connectedAt = tClock::now();
    l->up = true;
    l->connected = true;
    l->connections++;
    l->Wake();
    l->Say("connected to " + l->where);
  }
  static void OnDisconnect(struct mosquitto *, void *self, int) {
    static_cast<tLink *>(self)->connected = false;
  }
  // Every message at QoS 1, the broker's PUBACK: one fewer on its way.
  static void OnPublish(struct mosquitto *, void *self, int) {
    auto *l = static_cast<tLink *>(self);
    if (l->inFlight > 0) l->inFlight--;
  }
  static void OnLog(struct mosquitto *, void *self, int level, const char *text) {
    auto *l = static_cast<tLink *>(self);
    if (level != MOSQ_LOG_ERR || text == nullptr) return;
    std::lock_guard<std::mutex> lock(l->mutex);
    l->lastError = text;
  }
};

tMosquittoTransport::~tMosquittoTransport() {
  Stop();
}

bool tMosquittoTransport::Start(const tMqttSettings &settings, const std::string &clientId,
                                const std::string &availabilityTopic, std::string &error) {
  auto link = std::make_shared<tLink>();
  link->lib = LoadMosquitto(error);
  if (link->lib == nullptr) return false;
  const tMosquittoLib &lib = *link->lib;
  link->wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (link->wakeFd < 0) {
    error = std::string("cannot make an eventfd: ") + std::strerror(errno);
    return false;
  }
  lib.mosquitto_lib_init();
  link->mosq = lib.mosquitto_new(clientId.c_str(), true, link.get());
  if (link->mosq == nullptr) {
    lib.mosquitto_lib_cleanup();
    error = "cannot make an MQTT client";
    return false;
  }
  link->host = settings.host;
  link->port = settings.BrokerPort();
  link->where = settings.host + ":" + std::to_string(link->port);
  link->availability = availabilityTopic;
  link->user = settings.user;
  link->passwordFile = settings.passwordFile;
  // Routers restarted together draw different waits.
  link->seed = static_cast<unsigned>(std::hash<std::string>()(clientId) ^
                                     tClock::now().time_since_epoch().count());
  lib.mosquitto_threaded_set(link->mosq, true);
  lib.mosquitto_connect_callback_set(link->mosq, tLink::OnConnect);
  lib.mosquitto_disconnect_callback_set(link->mosq, tLink::OnDisconnect);
  lib.mosquitto_publish_callback_set(link->mosq, tLink::OnPublish);
  lib.mosquitto_log_callback_set(link->mosq, tLink::OnLog);
  int rc = lib.mosquitto_will_set(link->mosq, link->availability.c_str(), sizeof(kOffline) - 1,
                                  kOffline, kQos, true);
  if (rc != MOSQ_ERR_SUCCESS) {
    error = lib.mosquitto_strerror(rc);
    return false;
  }
  if (!settings.caFile.empty()) {
    if (access(settings.caFile.c_str(), R_OK) != 0) {
      error = "cannot read the CA file " + settings.caFile + ": " + std::strerror(errno);
      return false;
    }
    rc = lib.mosquitto_tls_set(link->mosq, settings.caFile.c_str(), nullptr, nullptr, nullptr,
                               nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
      error = "the CA file " + settings.caFile + ": " + lib.mosquitto_strerror(rc);
      return false;
    }
  }
  link_ = link;
  thread_ = std::thread([link] { link->Run(); });
  return true;
}

void tMosquittoTransport::Stop(int waitMs) {
  if (link_ == nullptr) return;
  tLink &l = *link_;
  std::unique_lock<std::mutex> lock(l.mutex);
  l.stop = true;
  l.cv.notify_all();
  if (l.cv.wait_for(lock, std::chrono::milliseconds(waitMs), [&l] { return l.finished.load(); })) {
    lock.unlock();
    thread_.join();
  } else {
    // A connect that hangs on the network (no answer to SYN, a lookup without a
    // server) cannot be cut short: the thread ends by itself, with the link it shares.
    lock.unlock();
    thread_.detach();
  }
  link_.reset();
}

bool tMosquittoTransport::Publish(const std::string &topic, const std::string &payload,
                                  bool retain) {
  if (link_ == nullptr || !link_->connected || link_->inFlight >= kMaxInFlight) return false;
  link_->inFlight++;
  const int rc =
      link_->lib->mosquitto_publish(link_->mosq, nullptr, topic.c_str(),
                                    static_cast<int>(payload.size()), payload.data(), kQos, retain);
  if (rc == MOSQ_ERR_SUCCESS) return true;
  link_->inFlight--;
  return false;
}

bool tMosquittoTransport::Connected() const {
  return link_ != nullptr && link_->connected;
}

bool tMosquittoTransport::ReadResetConnected() {
  if (link_ == nullptr) return false;
  const unsigned now = link_->connections;
  if (now == connectionsSeen_) return false;
  connectionsSeen_ = now;
  return true;
}

int tMosquittoTransport::WakeFd() const {
  return link_ == nullptr ? -1 : link_->wakeFd;
}

std::string tMosquittoTransport::TakeNews() {
  if (link_ == nullptr) return std::string();
  uint64_t count;
  (void)!read(link_->wakeFd, &count, sizeof(count));
  std::lock_guard<std::mutex> lock(link_->mutex);
  if (!link_->fresh) return std::string();
  link_->fresh = false;
  return link_->news;
}

int tMosquittoTransport::InFlight() const {
  return link_ == nullptr ? 0 : link_->inFlight.load();
}
