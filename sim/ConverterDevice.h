// An inverter/charger ("converter"): converter status (127750) once a second with a SID
// that counts 0..252 and starts again, and answers to ISO requests for its battery
// configuration (127513) and charger configuration (127510), addressed to it or to
// everybody. The library still refuses a request addressed to the node with a NAK, as
// it knows no answer of its own; the answer follows it.
//
// Commands beyond tPeriodicSender's: "sids A,B,..." gives the SIDs of the next
// messages (9,10,10,11,12,12), after which counting goes on from the last one.
#ifndef SIM_CONVERTERDEVICE_H
#define SIM_CONVERTERDEVICE_H

#include <deque>

#include "PeriodicSender.h"

class tConverterDevice : public tPeriodicSender {
 public:
  static constexpr int kSidCycle = 253;  // SIDs 0..252; 253..255 are not values

  tConverterDevice() : tPeriodicSender(1000) {}
  void OnMessage(tSimNode &node, const tN2kMsg &msg) override;

 protected:
  bool Build(tN2kMsg &msg) override;
  void Sent() override;
  bool Set(const std::string &key, const std::string &value) override;
  const char *Keys() const override {
    return "sid, connection, state, temperature, overload, lowdc, ripple; battery: batinstance, "
           "battype, nominal, chemistry, capacity, peukert; charger: chargerinstance, limit, "
           "algorithm";
  }
  bool Extra(tSimNode &node, const std::vector<std::string> &words, std::string &error) override;

 private:
  int sid_ = 0;
  std::deque<int> script_;  // SIDs still to send before counting goes on
  int connection_ = 1;
  int state_ = 5;  // float
  int temperature_ = 0, overload_ = 0, lowDC_ = 0, ripple_ = 0;
  // Battery configuration.
  int batInstance_ = 1;
  int batType_ = 2;    // AGM
  int nominal_ = 1;    // 12 V
  int chemistry_ = 0;  // lead acid
  double capacity_ = 200 * 3600.0;
  double peukert_ = 1.25;
  // Charger configuration.
  int chargerInstance_ = 1;
  double limit_ = 80;  // percent
  int algorithm_ = 3;  // three-stage
};

#endif
