// The run settings: set once from the command line, read everywhere.
#ifndef APP_RUNSETTINGS_H
#define APP_RUNSETTINGS_H

struct tRunSettings {
  int debugLevel = 0;                   // -d: gates diagnostic output at each call site
  const char *consoleDevice = nullptr;  // -L: where console output goes (none: standard output)
  const char *logDir = nullptr;         // -l: per-device log files (none: no files)
  bool localEcho = false;               // -e: echo typed characters back on the ports
  bool statusUpdates = true;            // -s: status lines on the ports
  int udpPort = -1;                     // -p: RAW UDP broadcast port (-1: off)
  long logLimit = 0;                    // -r: bytes a log file may grow to (0: no limit)
};

// The process's run settings.
extern tRunSettings RunSettings;

// Whether diagnostic output of this level is wanted (-d level or above).
inline bool Logging(int level) {
  return RunSettings.debugLevel >= level;
}

#endif
