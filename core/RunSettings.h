// The run settings: made once from the command line by app/ and handed, read-only, to
// the parts that need them.
#ifndef CORE_RUNSETTINGS_H
#define CORE_RUNSETTINGS_H

struct tRunSettings {
  int debugLevel = 0;                   // -d: the console's debug level (tConsole::Logging)
  const char *consoleDevice = nullptr;  // -L: where console output goes (none: standard output)
  const char *logDir = nullptr;         // -l: per-device log files (none: no files)
  bool localEcho = false;               // -e: echo typed characters back on the ports
  bool statusUpdates = true;            // -s: status lines on the ports
  int udpPort = -1;                     // -p: RAW UDP broadcast port (-1: off)
  int udpTimedPort = -1;                // -P: the same, lines with time and "R" (-1: off)
  long logLimit = 0;                    // -r: bytes a log file may grow to (0: no limit)
};

#endif
