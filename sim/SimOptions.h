// The simulator's command line:
//   tidewire-sim -c PORT [-s SCENARIO]... [-l LOGFILE] [-i IFNAME] [--control FIFO]
//                [--strict] [-v]
#ifndef SIM_SIMOPTIONS_H
#define SIM_SIMOPTIONS_H

#include <string>
#include <vector>

struct tSimOptions {
  std::string port;                    // -c: "/dev/..." LAWICEL tty, else SocketCAN
  std::vector<std::string> scenarios;  // -s, in order
  std::string logPath;                 // -l
  std::string ifname;                  // -i (empty: the link's own name)
  std::string controlPath;             // --control
  bool strict = false;                 // --strict: scenario errors stop the start
  bool verbose = false;                // -v
  bool help = false;                   // -h
};

// False, with a message, for a bad command line.
bool ParseSimOptions(int argc, char **argv, tSimOptions &options, std::string &error);
const char *SimUsage();

#endif
