// NMEA 2000 power and engine devices at the rates NMEA 2000 gives them, values set with
// "set" (tPeriodicSender): a battery monitor (127508 every 1500 ms), a charger (127507,
// 1500 ms), a DC source with detailed status (127506, 1500 ms) and an engine (127488,
// 100 ms). Values are in the library's units (V, A, K, s, Pa, rpm, percent).
#ifndef SIM_POWERSENDERS_H
#define SIM_POWERSENDERS_H

#include "PeriodicSender.h"

class tN2kBatterySender : public tPeriodicSender {
 public:
  tN2kBatterySender() : tPeriodicSender(1500) {}

 protected:
  bool Build(tN2kMsg &msg) override;
  bool Set(const std::string &key, const std::string &value) override;
  const char *Keys() const override { return "instance, volts, amps, kelvin, sid"; }

 private:
  int instance_ = 0;
  double volts_ = 12.8;
  double amps_ = -4.5;
  double kelvin_ = 298.15;
  int sid_ = 0xff;
};

class tN2kChargerSender : public tPeriodicSender {
 public:
  tN2kChargerSender() : tPeriodicSender(1500) {}

 protected:
  bool Build(tN2kMsg &msg) override;
  bool Set(const std::string &key, const std::string &value) override;
  const char *Keys() const override {
    return "instance, battery, state, mode, enabled, pending, eqtime";
  }

 private:
  int instance_ = 0;
  int battery_ = 0;
  int state_ = 1;  // bulk
  int mode_ = 0;   // stand-alone
  int enabled_ = 1;
  int pending_ = 0;
  double eqTime_ = N2kDoubleNA;
};

class tDCDetailedSender : public tPeriodicSender {
 public:
  tDCDetailedSender() : tPeriodicSender(1500) {}

 protected:
  bool Build(tN2kMsg &msg) override;
  void Sent() override { sid_ = (sid_ + 1) % 253; }
  bool Set(const std::string &key, const std::string &value) override;
  const char *Keys() const override {
    return "sid, instance, type, soc, soh, remaining, ripple, capacity";
  }

 private:
  int sid_ = 0;
  int instance_ = 0;
  int type_ = 0;  // battery
  int soc_ = 87;
  int soh_ = 95;
  double remaining_ = 36000;  // s
  double ripple_ = 0.05;
  double capacity_ = 200 * 3600.0;  // C
};

class tEngineSender : public tPeriodicSender {
 public:
  tEngineSender() : tPeriodicSender(100) {}

 protected:
  bool Build(tN2kMsg &msg) override;
  bool Set(const std::string &key, const std::string &value) override;
  const char *Keys() const override { return "instance, rpm, boost, trim"; }

 private:
  int instance_ = 0;
  double rpm_ = 1800;
  double boost_ = N2kDoubleNA;
  int trim_ = 0x7f;
};

#endif
