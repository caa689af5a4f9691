#include "MqttSettings.h"

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
}  // namespace

bool ParseMqttHost(const char *text, tMqttSettings &settings) {
  if (text == nullptr || *text == '\0') return false;
  std::string s = text, host = s;
  int port = tMqttSettings::kDefaultPort;
  if (s[0] == '[') {
    const size_t close = s.find(']');
    if (close == std::string::npos || close == 1) return false;
    host = s.substr(1, close - 1);
    const std::string rest = s.substr(close + 1);
    if (!rest.empty() && (rest[0] != ':' || !ParsePort(rest.substr(1), port))) return false;
  } else {
    const size_t colon = s.find(':');
    if (colon != std::string::npos) {
      if (s.find(':', colon + 1) != std::string::npos) return false;
      host = s.substr(0, colon);
      if (!ParsePort(s.substr(colon + 1), port)) return false;
    }
  }
  if (host.empty()) return false;
  settings.host = host;
  settings.port = port;
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
  } else if (key == "prefix") {
    if (!ValidPrefix(value)) {
      error = "prefix: not empty, no '+' or '#', no '/' at either end";
      return false;
    }
    settings.prefix = value;
  } else if (key == "discovery") {
    if (value != "0" && value != "1") {
      error = "discovery: 0 or 1";
      return false;
    }
    settings.discovery = value == "1";
  } else {
    error = "unknown key '" + key + "' (clientid, user, passfile, cafile, prefix, discovery)";
    return false;
  }
  return true;
}
