#include "HostIdentity.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "Console.h"
#include "RunCommand.h"
#include "TextHelpers.h"

namespace {
constexpr int32_t kDefaultUniqueId = 1234;

const char kSerialCodeCommand[] = "ifconfig eth0 | grep HWaddr | awk '{ print $5}' | tr -d ':'";
const char kModelIdCommand[] = "cat /etc/openwrt_model";
const char kSoftwareVersionCommand[] =
    "cat /etc/openwrt_release | grep DISTRIB_REVISION | sed -e 's/DISTRIB_REVISION=//' | tr -d \\'";
const char kModelCommand[] =
    "cat /etc/openwrt_release | grep DISTRIB_DESCRIPTION | sed -e 's/DISTRIB_DESCRIPTION=//' | tr "
    "-d \\'";
const char kReleaseCommand[] =
    "cat /etc/openwrt_release | grep DISTRIB_RELEASE | sed -e 's/DISTRIB_RELEASE=//' | tr -d \\'";

// Runs the query, trims it, falls back when empty (said in fellBack), and reports it on
// the console.
std::string Query(tConsole &console, const char *name, const char *command, const char *fallback,
                  bool *fellBack = nullptr) {
  std::string value = RunCommand(console, command);
  TrimNewline(value);
  if (fellBack != nullptr) *fellBack = value.empty();
  if (value.empty()) value = fallback;
  console.print(name);
  console.print(": ");
  PrintLine(&console, value);
  return value;
}
}  // namespace

// Removes every occurrence of pattern, scanning the original text once, as a
// regular-expression replacement of a literal pattern does.
static std::string RemoveAll(const std::string &text, const std::string &pattern) {
  std::string out;
  size_t from = 0;
  for (size_t at; (at = text.find(pattern, from)) != std::string::npos; from = at + pattern.size())
    out.append(text, from, at - from);
  out.append(text, from, std::string::npos);
  return out;
}

int32_t UniqueIdFromRelease(std::string release, int32_t fallback) {
  release = RemoveAll(release, "kQe-");
  int32_t id;
  if (release.empty() || !ParseLeadingInt32(release, id)) return fallback;
  return id;
}

std::string GetManufacturerSerialCode(tConsole &console, bool *fellBack) {
  return Query(console, "GetManufacturerSerialCode", kSerialCodeCommand, "1234", fellBack);
}

std::string RouterIdFromInterfaces(const std::string &netDir) {
  DIR *dir = opendir(netDir.c_str());
  if (dir == nullptr) return std::string();
  std::vector<std::string> names;
  while (const dirent *d = readdir(dir))
    if (d->d_name[0] != '.' && std::strcmp(d->d_name, "lo") != 0) names.push_back(d->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  std::string local;  // a locally administered address: only when there is nothing else
  for (const std::string &name : names) {
    std::ifstream in(netDir + "/" + name + "/address");
    std::string mac;
    unsigned octets[6];
    char tail;
    if (!std::getline(in, mac) ||
        std::sscanf(mac.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &octets[0], &octets[1], &octets[2],
                    &octets[3], &octets[4], &octets[5], &tail) != 6)
      continue;
    if ((octets[0] | octets[1] | octets[2] | octets[3] | octets[4] | octets[5]) == 0) continue;
    char id[13];
    snprintf(id, sizeof(id), "%02X%02X%02X%02X%02X%02X", octets[0], octets[1], octets[2], octets[3],
             octets[4], octets[5]);
    if ((octets[0] & 0x02) == 0) return id;
    if (local.empty()) local = id;
  }
  return local;
}

std::string GetManufacturerModelID(tConsole &console) {
  return Query(console, "GetManufacturerModelID", kModelIdCommand, "Tolvane Monitor");
}

std::string GetManufacturerSoftwareVersion(tConsole &console) {
  return Query(console, "GetManufacturerSoftwareVersion", kSoftwareVersionCommand, "1.0");
}

std::string GetManufacturerModel(tConsole &console) {
  return Query(console, "GetManufacturerModel", kModelCommand, "1.0");
}

int32_t GetManufacturerUniqueID(tConsole &console) {
  std::string release = RunCommand(console, kReleaseCommand);
  TrimNewline(release);
  int32_t id = UniqueIdFromRelease(release, kDefaultUniqueId);
  console.print("GetManufacturerUniqueID: ");
  console.println(id, 10);
  return id;
}
