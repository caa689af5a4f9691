// tStatusModel: what a RO500 reports of its state, kept for its status output.
//
// Each complete line the charger sends (as its bridge flushes it) whose tag names a
// status record is filed there; "AST" is parsed, and bus messages refresh its fields
// (a NaN never overwrites one). About once a second the status tick writes the AST line
// to the port; every ninth tick it also writes it to the log file, with the line of one
// rotating record. While the bridge is suspended for a command there is no tick, until
// the answer ends the suspension or more than 20 s have passed since the last tick.
// A changed charger configuration asks for the status lines again ("$RAS:@"), and a
// newly lit fault lamp becomes a "FLT" line on the port at once.
//
// Console lines keep the names the daemon's logs always had ("tRO500::poll_status",
// "tDevices::UpdateCS", ...).
#ifndef DEVICES_STATUSMODEL_H
#define DEVICES_STATUSMODEL_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "ChargerValues.h"
#include "DCSourceValues.h"
#include "DeviceEvents.h"
#include "StatusRecords.h"
#include "TerminalBridge.h"

// The AST field 9 code of an RV-C charge state (tRVCBatChrgMode): 1 -> 0, 2 -> 12,
// 3 -> 21, 4 -> 22, 5 -> 38, 6 -> 30, 7 -> 39; -1 for every other state (0 and 255
// included), which leaves the field as it is.
int chargeStateCode(int chargeState);

class tStatusModel : public tTerminalListener {
 public:
  static constexpr uint32_t kStatusIntervalMs = 1000;
  // The suspension ends when more than this has passed since the last status tick.
  static constexpr uint32_t kSuspendTimeoutMs = 20000;
  static constexpr int kTicksPerLog = 9;
  static constexpr int kRotatingRecords = 7;

  // The bridge and the console outlive the model: the model writes, logs and asks
  // through the bridge. The status timing starts at now.
  tStatusModel(tTerminalBridge &bridge, tConsole &console, uint32_t now);
  tStatusModel(const tStatusModel &) = delete;
  tStatusModel &operator=(const tStatusModel &) = delete;
  // Who hears of filed lines and faults, told of record (none: nobody); both outlive
  // the model.
  void SetEvents(tDeviceEvents *events, const tRO500 &record) {
    events_ = events;
    record_ = &record;
  }

  // The status tick, when it is due at now and the bridge is not suspended.
  void poll_status(uint32_t now);
  // Milliseconds from now until the status tick, or while the bridge is suspended the
  // timeout, is due; 0 when it is due now.
  uint32_t MsUntilDue(uint32_t now) const;

  // ---- values from bus messages (StatusUpdates.cpp) ----
  void Update(const tDCSourceStatus1 &s);
  void Update(const tDCSourceStatus2 &s);
  void Update(const tDCSourceStatus4 &s);
  void Update(const tDCSourceStatus5 &s);
  void Update(const tChargerStatus &s);
  void Update(const tChargerStatus2 &s);
  // A changed configuration (not the first one seen) queues "$RAS:@" at now.
  void Update(const tChargerConfig &c, uint32_t now);
  // A lit lamp in a diagnostic unlike the last one: "FLT;,<SPN>,-99\n" stored in the
  // FLT record and written to the port at once.
  void Update(const tDiagnostic &d);
  void Update(const tEngineSpeed &e);
  // AST fields 13, 3 and 11: the charger's own voltage, current and temperature (C).
  void BatteryValues(double &voltage, double &current, double &celsius) const;

  // ---- what the model holds ----
  const tAST &Ast() const { return ast_; }
  // The AST line as the status tick at now writes it ("" before the charger's first one).
  std::string AstLine(uint32_t now) { return ast_.status(now); }
  // The stored line of a record by its tag ("CPE", "FLT", ...); "" for no line or tag.
  std::string StoredLine(const char *tag) const;
  // When the last status tick was, how many ticks since the last log line (0..8) and
  // which record the next log line rotates to (0..6).
  uint32_t LastStatusTick() const { return lastStatus_; }
  int StatusTick() const { return statTick_; }
  int Rotation() const { return statIndex_; }

  // ---- from the bridge ----
  void Flushed(const std::string &text, uint32_t now) override;
  void CommandQueued() override;

 private:
  static constexpr size_t kTextSize = 1024;

  // Files the line by its tag at now; false when it has none of ours.
  bool FileLine(const std::string &line, uint32_t now);
  void KeepPartialLine(const char *text, size_t len);
  tRO500StatBase *Record(const char *tag);
  tRO500StatBase *Rotating(int index);

  tTerminalBridge &bridge_;
  tConsole &console_;
  tDeviceEvents *events_ = nullptr;
  const tRO500 *record_ = nullptr;

  tENG eng_;
  tAST ast_{console_};
  tCPE cpe_;
  tNPC npc_;
  tCST cst_;
  tSCV scv_;
  tSST sst_;
  tFLT flt_;
  bool haveConfig_ = false;  // the first configuration is only remembered
  tChargerConfig lastConfig_{};
  bool haveDiag_ = false;
  tDiagnostic lastDiag_{};

  int statIndex_ = 0;
  uint32_t lastStatus_ = 0;
  int statTick_ = 0;

  // The unfinished last line of earlier flushes, so that a line that reached the
  // port in two writes is still filed whole.
  char partialLine_[kTextSize];
  size_t partialLen_ = 0;
  bool skipToLineEnd_ = false;  // an overlong line is not filed
};

#endif
