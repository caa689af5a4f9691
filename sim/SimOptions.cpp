#include "SimOptions.h"

#include <getopt.h>

#include "CandumpLog.h"

const char *SimUsage() {
  return "usage: tidewire-sim -c PORT [-s SCENARIO]... [-l LOGFILE] [-i IFNAME]\n"
         "                    [--control FIFO] [--strict] [-v]\n"
         "  -c PORT         /dev/... : the LAWICEL adapter end of a serial line (pty);\n"
         "                  a name such as vcan0 : a SocketCAN interface\n"
         "  -s SCENARIO     command file run at start (repeatable, in order)\n"
         "  -l LOGFILE      every frame in candump -L format\n"
         "  -i IFNAME       interface name written in the log (default: the\n"
         "                  SocketCAN interface, can0 for a tty)\n"
         "  --control FIFO  read commands from FIFO (created if missing)\n"
         "  --strict        exit with status 2 when a scenario has errors\n"
         "  -v              tell on stderr what happens\n"
         "Commands are also read from standard input when it is not a terminal.\n"
         "The command language: sim/README.md.\n";
}

bool ParseSimOptions(int argc, char **argv, tSimOptions &options, std::string &error) {
  enum { kControl = 256, kStrict };
  static const struct option kLong[] = {
      {"control", required_argument, nullptr, kControl},
      {"strict", no_argument, nullptr, kStrict},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0},
  };
  options = tSimOptions();
  optind = 1;
  opterr = 0;
  int c;
  while ((c = getopt_long(argc, argv, ":c:s:l:i:vh", kLong, nullptr)) != -1) {
    switch (c) {
      case 'c':
        options.port = optarg;
        break;
      case 's':
        options.scenarios.push_back(optarg);
        break;
      case 'l':
        options.logPath = optarg;
        break;
      case 'i':
        options.ifname = optarg;
        break;
      case 'v':
        options.verbose = true;
        break;
      case 'h':
        options.help = true;
        return true;
      case kControl:
        options.controlPath = optarg;
        break;
      case kStrict:
        options.strict = true;
        break;
      case ':':
        error = std::string("option ") + argv[optind - 1] + " needs a value";
        return false;
      default:
        error = std::string("unknown option ") + argv[optind - 1];
        return false;
    }
  }
  if (optind < argc) {
    error = std::string("unexpected argument '") + argv[optind] + "'";
    return false;
  }
  if (options.port.empty()) {
    error = "-c PORT is required";
    return false;
  }
  if (options.ifname.size() > kCandumpIfNameMax) {
    error = "-i: interface name longer than 15 characters";
    return false;
  }
  return true;
}
