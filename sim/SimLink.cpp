#include "SimLink.h"

std::unique_ptr<tSimLink> MakeSimLink(const std::string &port) {
  if (!port.empty() && port[0] == '/') return MakeLawicelSimLink(port);
  return MakeSocketCanSimLink(port);
}
