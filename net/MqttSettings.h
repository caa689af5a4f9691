// What the MQTT publishing is told: -m HOST[:PORT] turns it on; the rest comes from
// UCI through the init script as -M key=value words (never a password: only the file
// that holds it).
#ifndef NET_MQTTSETTINGS_H
#define NET_MQTTSETTINGS_H

#include <string>

struct tMqttSettings {
  static constexpr int kDefaultPort = 1883;

  bool enabled = false;
  std::string host;
  int port = kDefaultPort;
  std::string clientId;      // empty: "tidewire-<router id>"
  std::string user;          // empty: no user name
  std::string passwordFile;  // first line is the password; empty: none
  std::string caFile;        // set: TLS, the broker checked against this CA
  std::string prefix = "tidewire";
  bool discovery = true;  // Home Assistant discovery messages
};

// "HOST" or "HOST:PORT" (port 1..65535); an IPv6 address in brackets ("[::1]:1883").
// False, settings untouched, for anything else.
bool ParseMqttHost(const char *text, tMqttSettings &settings);
// One "-M key=value": clientid, user, passfile, cafile, prefix (no '+', '#' or
// leading/trailing '/') or discovery (0 or 1). False with a reason for anything else.
bool SetMqttOption(const char *keyValue, tMqttSettings &settings, std::string &error);

#endif
