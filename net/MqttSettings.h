// What the MQTT publishing is told: -m HOST[:PORT] turns it on; the rest comes from
// UCI through the init script as -M key=value words (never a password: only the file
// that holds it).
#ifndef NET_MQTTSETTINGS_H
#define NET_MQTTSETTINGS_H

#include <cstdint>
#include <string>

struct tMqttSettings {
  static constexpr int kDefaultPort = 1883;
  static constexpr int kDefaultTlsPort = 8883;

  bool enabled = false;
  std::string host;
  int port = kDefaultPort;
  bool portGiven = false;    // -m HOST:PORT; otherwise the port follows cafile
  std::string clientId;      // empty: "tidewire-<router id>"
  std::string user;          // empty: no user name
  std::string passwordFile;  // first line is the password; empty: none
  std::string caFile;        // set: TLS, the broker checked against this CA
  std::string prefix = "tidewire";
  bool discovery = true;  // Home Assistant discovery messages
  std::string discoveryPrefix = "homeassistant";
  // A device unheard this long has its discovery configs emptied, which makes Home
  // Assistant delete its entities; 0 (the default): kept for ever.
  uint64_t forgetAfterMs = 0;

  // The port to connect to: the one given, else 8883 with TLS and 1883 without.
  int BrokerPort() const {
    return portGiven ? port : caFile.empty() ? kDefaultPort : kDefaultTlsPort;
  }
};

// "HOST" or "HOST:PORT" (port 1..65535), HOST a name or an address; an IPv6 address
// bare without a port ("fd00::5") or in brackets ("[::1]:1883"). False, settings
// untouched, for anything else.
bool ParseMqttHost(const char *text, tMqttSettings &settings);
// One "-M key=value": clientid, user, passfile, cafile, prefix and discovery_prefix
// (no '+', '#' or leading/trailing '/'), discovery (0 or 1), forget (a duration: a
// number of days, or with s, m, h or d after it; 0 for never). False with a reason for
// anything else.
bool SetMqttOption(const char *keyValue, tMqttSettings &settings, std::string &error);

#endif
