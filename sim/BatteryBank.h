// A battery monitor (BMS): the DC source that the daemon logs.
//
// It reports one or more DC instances (banks) with the RV-C DC source statuses 1, 2,
// 3, 4, 5, 6 and 11, each at its own period: statuses 1, 2, 3 and 5 every 500 ms
// (their normal gap in RV-C), 11 every 1000 ms, 4 and 6 every 5000 ms (the longest gap
// RV-C allows them). As a new RV-C reporter it starts 2 s after its address is settled,
// and it spreads the statuses 50 ms apart. Each bank discharges slowly at its current:
// the state of charge falls, and with it the voltage, the capacity remaining and the
// time remaining. Commands ("do NODE ...", see sim/README.md) set the instances, the
// priority, the values and the periods, mark fields not available and hold the values.
#ifndef SIM_BATTERYBANK_H
#define SIM_BATTERYBANK_H

#include <cstdint>
#include <string>
#include <vector>

#include "Behaviour.h"

// Node keys a battery monitor brings unless the scenario gives them.
extern const char *const kBatteryNodeDefaults[];

class tBatteryBank : public tSimBehaviour {
 public:
  static constexpr int kStatuses = 7;
  // RV-C DC source status numbers, in the order of the period table.
  static const int kStatusNumbers[kStatuses];
  static const uint32_t kDefaultPeriodMs[kStatuses];
  static constexpr uint32_t kJoinDelayMs = 2000;
  static constexpr uint32_t kSpreadMs = 50;
  static constexpr size_t kMaxInstances = 4;

  // Fields that "na" can mark not available (sent as their all-ones code).
  enum tField : unsigned {
    kVolts = 1u << 0,  // statuses 1 and 5
    kAmps = 1u << 1,
    kTemp = 1u << 2,
    kSoc = 1u << 3,
    kTimeLeft = 1u << 4,
    kSoh = 1u << 5,
    kCapRem = 1u << 6,
    kRelCap = 1u << 7,
    kRipple = 1u << 8,
    kDesMode = 1u << 9,
    kDesVolts = 1u << 10,
    kDesAmps = 1u << 11,
    kType = 1u << 12,
    kDvdt = 1u << 13,  // deprecated in RV-C: not available unless set
    kCapacity = 1u << 14,
    kPower = 1u << 15,
  };

  // One DC instance.
  struct tBank {
    uint8_t instance = 1;
    double capacityAh = 200;
    double soc = 80;    // percent
    double amps = 4.5;  // positive: discharging (RV-C's sign)
    double tempC = 25;
    double soh = 95;       // percent
    double ripple = 0.02;  // V
    double desVolts = 14.2;
    double desAmps = 20;
    int type = 3;       // LiFePO4
    double volts = -1;  // a fixed voltage; below 0 it follows the state of charge
    double dvdt = 0;    // V/s, sent only when set
  };

  tBatteryBank();

  void OnTick(tSimNode &node, uint32_t now) override;
  bool OnCommand(tSimNode &node, const std::string &text, std::string &error) override;
  void OnResume(tSimNode &node) override;

  const std::vector<tBank> &Banks() const { return banks_; }
  // The voltage the bank reports: fixed, or from its state of charge and current.
  static double Volts(const tBank &bank);
  // Desired charge state: bulk (2) below 95 %, then float (6).
  static int DesiredMode(const tBank &bank);

 private:
  void Advance(uint32_t now);
  void SendStatus(tSimNode &node, int index);
  bool Available(tField field) const { return (na_ & field) == 0; }

  bool CommandInstances(const std::vector<std::string> &words, std::string &error);
  bool CommandSet(const std::vector<std::string> &words, std::string &error);
  bool CommandNa(const std::vector<std::string> &words, std::string &error);
  bool CommandPeriod(const std::vector<std::string> &words, std::string &error);

  std::vector<tBank> banks_;
  uint8_t priority_ = 120;  // battery SOC/BMS
  uint32_t periodMs_[kStatuses];
  uint32_t dueAt_[kStatuses] = {};
  unsigned na_ = kDvdt;
  bool hold_ = false;
  bool joined_ = false;
  uint32_t lastAdvance_ = 0;
};

#endif
