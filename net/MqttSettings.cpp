#include "MqttSettings.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>

namespace {
bool ParsePort(const std::string &text, int &port) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int p = std::atoi(text.c_str());
  if (p < 1 || p > 65535) return false;
  port = p;
  return true;
}

bool ValidPrefix(const std::string &p) {
  return !p.empty() && p.find_first_of("+#") == std::string::npos && p.front() != '/' &&
         p.back() != '/';
}

// "30" (days), "30d", "12h", "90m", "45s": at most five digits, so no overflow.
bool ParseDuration(const std::string &text, uint64_t &ms) {
  static const struct {
    char unit;
    uint64_t ms;
  } kUnits[] = {{'s', 1000}, {'m', 60000}, {'h', 3600000}, {'d', 86400000}};
  std::string number = text;
  uint64_t unit = kUnits[3].ms;
  if (!number.empty() && (number.back() < '0' || number.back() > '9')) {
    unit = 0;
    for (const auto &u : kUnits)
      if (number.back() == u.unit) unit = u.ms;
    number.pop_back();
  }
  if (unit == 0 || number.empty() || number.size() > 5 ||
      number.find_first_not_of("0123456789") != std::string::npos)
    return false;
  ms = std::strtoull(number.c_str(), nullptr, 10) * unit;
  return true;
}
}  // namespace

bool ParseMqttHost(const char *text, tMqttSettings &settings) {
  if (text == nullptr || *text == '\0') return false;
  std::string s = text, host = s;
  int port = tMqttSettings::kDefaultPort;
  bool given = false;
  if (s[0] == '[') {
    const size_t close = s.find(']');
    if (close == std::string::npos || close == 1) return false;
    host = s.substr(1, close - 1);
    const std::string rest = s.substr(close + 1);
    if (!rest.empty() && (rest[0] != ':' || !ParsePort(rest.substr(1), port))) return false;
    given = !rest.empty();
  } else {
    const size_t colon = s.find(':');
    in6_addr ipv6;
    if (colon != std::string::npos && inet_pton(AF_INET6, s.c_str(), &ipv6) == 1) {
      // an IPv6 address without a port
    } else if (colon != std::string::npos) {
      if (s.find(':', colon + 1) != std::string::npos) return false;
      host = s.substr(0, colon);
      if (!ParsePort(s.substr(colon + 1), port)) return false;
      given = true;
    }
  }
  if (host.empty()) return false;
  settings.host = host;
  settings.port = port;
  settings.portGiven = given;
  settings.enabled = true;
  return true;
}

bool SetMqttOption(const char *keyValue, tMqttSettings &settings, std::string &error) {
  const char *eq = keyValue == nullptr ? nullptr : std::strchr(keyValue, '=');
  if (eq == nullptr) {
    error = "expected key=value";
    return false;
  }
  const std::string key(keyValue, static_cast<size_t>(eq - keyValue)), value(eq + 1);
  if (key == "clientid") {
    settings.clientId = value;
  } else if (key == "user") {
    settings.user = value;
  } else if (key == "passfile") {
    settings.passwordFile = value;
  } else if (key == "cafile") {
    settings.caFile = value;
  } else if (key == "prefix" || key == "discovery_prefix") {
    if (!ValidPrefix(value)) {
      error = key + ": not empty, no '+' or '#', no '/' at either end";
      return false;
    }
    (key == "prefix" ? settings.prefix : settings.discoveryPrefix) = value;
  } else if (key == "forget") {
    if (!ParseDuration(value, settings.forgetAfterMs)) {
      error = "forget: days, or a number followed by s, m, h or d (0: never)";
      return false;
    }
  } else if (key == "discovery") {
    if (value != "0" && value != "1") {
      error = "discovery: 0 or 1";
      return false;
    }
    settings.discovery = value == "1";
  } else {
    error = "unknown key '" + key +
            "' (clientid, user, passfile, cafile, prefix, discovery, discovery_prefix, forget)";
    return false;
  }
  return true;
}
