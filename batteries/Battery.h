// tBattery: one DC source (battery) heard on the bus, its latest values and its log
// file. Every ten seconds it writes its DCS line, all values of the seven RV-C DC
// source status messages in one line:
//
//   DCS;,1,120, ,13,-4.5, ,25,175,600, ,190,150,166,0.12, ,2,14,150,3, ,13,0.5, ,1,0,0,0,
//   ,1,1,0,0,200,60
//
// (instance, priority; status 1; 2; 3; 4; 5; 6; 11 - each group after a ", ," field).
// Values not received yet print as 0. The record owns its descriptor: it is never
// copied and closes the file when destroyed.
#ifndef BATTERIES_BATTERY_H
#define BATTERIES_BATTERY_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "Console.h"
#include "DCSourceValues.h"

class tBattery {
 public:
  static constexpr uint32_t kLineIntervalMs = 10000;
  static constexpr size_t kLineSize = 1024;

  // Sets canAddr, then reset(now). logLimit: what a log file may grow to (0: no limit).
  // Its lines go to console too (debug level 8 and up), which outlives the record.
  tBattery(int canAddr, tConsole &console, uint32_t now, long logLimit = 0);
  virtual ~tBattery();
  tBattery(const tBattery &) = delete;
  tBattery &operator=(const tBattery &) = delete;

  // No file (logFd -1, not closed: only for records without one), lastPoll and
  // lastHeard now, every value zero.
  void reset(uint32_t now);
  // Writes the DCS line once kLineIntervalMs have passed, at now, since the last one
  // (or since the record was made): to the console at debug level 8 and up, and stamped
  // to the log file when there is one. A log file that could not be opened (a folder
  // not mounted or writable yet) is tried again before each line.
  void poll(uint32_t now);
  // Opens logPath for appending (created when missing); logFd stays -1 when it cannot.
  void OpenLog();
  // Milliseconds until poll() writes: 0 when due; unsigned 32-bit difference from
  // lastPoll, so the wrap of the counter does no harm.
  uint32_t MsUntilDue(uint32_t now) const;
  // The DCS line with its "\n", into buf (zero-filled first, cut at size). Returns the
  // length snprintf reports.
  int FormatLine(char *buf, size_t size) const;

  // The values of one DC source status message (BatteryUpdates.cpp): its debug line
  // (status 4 has none, status 5 has it from tBatteries), then its group setter.
  void Update(const tDCSourceStatus1 &s);
  void Update(const tDCSourceStatus2 &s);
  void Update(const tDCSourceStatus3 &s);
  void Update(const tDCSourceStatus4 &s);
  void Update(const tDCSourceStatus5 &s);
  void Update(const tDCSourceStatus6 &s);
  void Update(const tDCSourceStatus11 &s);

  // Group setters, one per DC source status message. Where noted, a NaN (the message
  // said "not available") keeps the value stored before.
  void setDCSS1(float vdc, float adc);                                        // both keep on NaN
  void setDCSS2(float temp, uint8_t soc, uint16_t tr);                        // Temp keeps on NaN
  void setDCSS3(uint8_t soh, uint16_t capRem, uint8_t relCap, float ripple);  // Ripple keeps
  void setDCSS4(int desCM, float desVolt, float desAmp, int batType);         // NaN is stored
  void setDCSS5(float vdc5, float dvdt);                                      // both keep on NaN
  void setDCSS6(bool hvls, bool hvld, bool lvls, bool lvld);
  void setDCSS11(bool pwrOnOff, bool chrgOnOff, bool chrgDet, bool resvStat, int batAHCap,
                 int dcPower);

  int canAddr;
  long logLimit;
  int logFd;
  std::string logPath;  // empty: no log file
  uint32_t lastPoll;    // the time of the last line, or of the record's creation
  uint32_t lastHeard;   // the time of its last status message
  int instance = 0;     // from the message that registered the battery
  int devPri = 0;
  // The node that sent that message: a record is only fed by the node it was made for.
  uint32_t uniqueNumber = 0;
  uint16_t manufacturerCode = 0;

  float Vdc, Adc;  // status 1
  float Temp;      // status 2
  int SOC, TR;
  int SOH, CapRem, RelCap;  // status 3
  float Ripple;
  int DesCM;  // status 4
  float DesVolt, DesAmp;
  int BatType;
  float Vdc5, dVdT;                                // status 5
  uint8_t HVls, HVld, LVls, LVld;                  // status 6
  uint8_t PwrOnOff, ChrgOnOff, ChrgDet, ResvStat;  // status 11
  int BatAHCap, DCPower;

 private:
  tConsole &console_;
};

#endif
