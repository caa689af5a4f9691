// What the RO500 registry tells a listener beyond the ports: a charger registered or
// removed, each status line a charger sends, and each fault it reports. The MQTT publishing
// listens; the daemon works the same without a listener.
#ifndef DEVICES_DEVICEEVENTS_H
#define DEVICES_DEVICEEVENTS_H

#include <string>

class tRO500;

class tDeviceEvents {
 public:
  virtual ~tDeviceEvents() = default;
  // After the ONLINE line went to its port.
  virtual void OnOnline(const tRO500 &record) { (void)record; }
  // Before the record is destroyed (the OFFLINE line has gone to its port). Not told
  // for the records a clean stop clears.
  virtual void OnOffline(const tRO500 &record) { (void)record; }
  // A complete line the charger sent that was filed by its tag (line end included).
  virtual void OnStatusLine(const tRO500 &record, const std::string &line) {
    (void)record;
    (void)line;
  }
  // A new fault from the charger's diagnostics: the "FLT;,<SPN>,-99" line written to
  // its port (line end included).
  virtual void OnFault(const tRO500 &record, const std::string &line) {
    (void)record;
    (void)line;
  }
};

#endif
