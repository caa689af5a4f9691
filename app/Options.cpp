#include "Options.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Console.h"
#include "NMEA2000_SocketCAN.h"

bool ParseSize(const char *text, long &bytes) {
  char *end = nullptr;
  errno = 0;
  const long long n = std::strtoll(text, &end, 10);
  if (end == text || errno == ERANGE || n < 0) return false;
  long long unit = 1;
  if (*end == 'k' || *end == 'K') unit = 1024;
  if (*end == 'm' || *end == 'M') unit = 1024 * 1024;
  if (unit != 1) end++;
  if (*end != '\0' || n > LONG_MAX / unit) return false;
  bytes = static_cast<long>(n * unit);
  return true;
}

tParseResult ParseOptions(int argc, char *argv[], tRunSettings &settings, tNMEA2000_SocketCAN &node,
                          tMqttSettings &mqtt) {
  // '+' keeps glibc from permuting: the first plain word ends the options.
  const char *optstring = "+eshd:c:l:L:p:P:r:m:M:";
  optind = 1;
  int c;
  while ((c = getopt(argc, argv, optstring)) != -1) {
    switch (c) {
      case 'e':
        settings.localEcho = !settings.localEcho;
        break;
      case 's':
        settings.statusUpdates = !settings.statusUpdates;
        break;
      case 'd':
        settings.debugLevel = std::atoi(optarg);
        break;
      case 'c':
        node.SetCANport(optarg);
        break;
      case 'l':
        settings.logDir = optarg;
        break;
      case 'L':
        settings.consoleDevice = optarg;
        break;
      case 'p':
        settings.udpPort = std::atoi(optarg);
        break;
      case 'P':
        settings.udpTimedPort = std::atoi(optarg);
        break;
      case 'r':
        if (!ParseSize(optarg, settings.logLimit)) return tParseResult::kUsage;
        break;
      case 'm':
        if (!ParseMqttHost(optarg, mqtt)) {
          std::fprintf(stderr, "-m %s: expected HOST or HOST:PORT\n", optarg);
          return tParseResult::kUsage;
        }
        break;
      case 'M': {
        std::string error;
        if (!SetMqttOption(optarg, mqtt, error)) {
          std::fprintf(stderr, "-M %s: %s\n", optarg, error.c_str());
          return tParseResult::kUsage;
        }
        break;
      }
      default:  // -h, unknown letters, missing arguments
        return tParseResult::kUsage;
    }
  }
  return tParseResult::kRun;
}

void Usage(tConsole &console, const char *programName) {
  StreamPrintf(&console,
               "Usage: %s [-h] [-e] [-s] [-d level] [-c ifname] [-l logdir] [-L dev] [-p port] "
               "[-P port] [-r size] [-m host[:port]] [-M key=value]\n",
               programName);
  console.println("\t -h        : help");
  console.println("\t -c ifname : name of can instance to use. default is can0.");
  console.println("\t -d level  : debug level 0 == one, 9 == max.");
  console.println("\t -e        : toggle local echo on on virtual serial port. default off.");
  // The usage text is the daemon's own, misspellings ("throgh", "vieing") included.
  console.println("\t -s        : toggle status updates throgh virtual serial port. default on.");
  console.println("\t -l logdir : Enable CAN logging and place files in logdir");
  console.println(
      "\t -L dev    : redirect console log to device(typically /dev/tnt15 for vieing on "
      "/dev/tnt14)");
  console.println("\t -p port   : UDP port for N2k UDP broadcast in Yacht Devices RAW format");
  console.println(
      "\t -P port   : the same with time and direction (hh:mm:ss.sss R ...), as Signal K reads");
  console.println(
      "\t -r size   : log files start anew at size bytes (k, M), the full one kept as NAME.1");
  console.println(
      "\t -m host[:port] : publish chargers and batteries to this MQTT broker (port 1883, 8883 "
      "with cafile)");
  console.println(
      "\t -M key=value   : MQTT clientid, user, passfile, cafile, prefix (tidewire), discovery "
      "(1), discovery_prefix (homeassistant), forget (days; never)");
  std::exit(0);
}
