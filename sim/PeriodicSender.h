// Devices that send one message at a steady rate (battery monitors, chargers, engines,
// clocks, converters): the first one as soon as the node's address is settled, then one
// every period. Common commands ("do NODE ..."):
//
//   period MS        the rate (1..3600000 ms)
//   stop | start     stops sending, or starts again at once
//   send             sends one now, outside the rate
//   set KEY=VALUE... the device's values (its keys in sim/README.md); "na" sends a
//                    field as not available
//
// A device adds its own commands through Extra.
#ifndef SIM_PERIODICSENDER_H
#define SIM_PERIODICSENDER_H

#include <cstdint>
#include <string>
#include <vector>

#include "Behaviour.h"
#include "N2kMsg.h"

class tPeriodicSender : public tSimBehaviour {
 public:
  explicit tPeriodicSender(uint32_t periodMs) : periodMs_(periodMs) {}

  void OnTick(tSimNode &node, uint32_t now) override;
  bool OnCommand(tSimNode &node, const std::string &text, std::string &error) override;
  void OnResume(tSimNode &node) override;

  uint32_t PeriodMs() const { return periodMs_; }

 protected:
  // The next message; false sends nothing this time.
  virtual bool Build(tN2kMsg &msg) = 0;
  // Called after each message the node took.
  virtual void Sent() {}
  // One KEY=VALUE of "set"; false when either is refused.
  virtual bool Set(const std::string &key, const std::string &value) = 0;
  // The keys of "set", for the usage text.
  virtual const char *Keys() const = 0;
  // Commands of the device's own; false, with error, when not understood.
  virtual bool Extra(tSimNode &node, const std::vector<std::string> &words, std::string &error);

  bool SendNow(tSimNode &node);

  // Values of "set": a number within min..max, or "na" for N2kDoubleNA.
  static bool Number(const std::string &value, double min, double max, double &out);
  // An integer within min..max, or "na" for the field's code na.
  static bool Integer(const std::string &value, int64_t min, int64_t max, int64_t na, int &out);

 private:
  uint32_t periodMs_;
  bool on_ = true;
  bool sentOnce_ = false;
  uint32_t lastSent_ = 0;
};

#endif
