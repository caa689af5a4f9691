#include "PowerSenders.h"

#include "N2kMessages.h"

bool tN2kBatterySender::Build(tN2kMsg &msg) {
  SetN2kPGN127508(msg, static_cast<unsigned char>(instance_), volts_, amps_, kelvin_,
                  static_cast<unsigned char>(sid_));
  return true;
}

bool tN2kBatterySender::Set(const std::string &key, const std::string &value) {
  if (key == "instance") return Integer(value, 0, 255, 0xff, instance_);
  if (key == "volts") return Number(value, -327.68, 327.64, volts_);
  if (key == "amps") return Number(value, -3276.8, 3276.4, amps_);
  if (key == "kelvin") return Number(value, 0, 655.32, kelvin_);
  if (key == "sid") return Integer(value, 0, 255, 0xff, sid_);
  return false;
}

bool tN2kChargerSender::Build(tN2kMsg &msg) {
  SetN2kPGN127507(msg, static_cast<unsigned char>(instance_), static_cast<unsigned char>(battery_),
                  static_cast<tN2kChargeState>(state_), static_cast<tN2kChargerMode>(mode_),
                  static_cast<tN2kOnOff>(enabled_), static_cast<tN2kOnOff>(pending_), eqTime_);
  return true;
}

bool tN2kChargerSender::Set(const std::string &key, const std::string &value) {
  if (key == "instance") return Integer(value, 0, 255, 0xff, instance_);
  if (key == "battery") return Integer(value, 0, 255, 0xff, battery_);
  if (key == "state") return Integer(value, 0, 15, 15, state_);
  if (key == "mode") return Integer(value, 0, 15, 15, mode_);
  if (key == "enabled") return Integer(value, 0, 3, 3, enabled_);
  if (key == "pending") return Integer(value, 0, 3, 3, pending_);
  if (key == "eqtime") return Number(value, 0, 65532 * 60.0, eqTime_);
  return false;
}

bool tDCDetailedSender::Build(tN2kMsg &msg) {
  SetN2kPGN127506(msg, static_cast<unsigned char>(sid_), static_cast<unsigned char>(instance_),
                  static_cast<tN2kDCType>(type_), static_cast<unsigned char>(soc_),
                  static_cast<unsigned char>(soh_), remaining_, ripple_, capacity_);
  return true;
}

bool tDCDetailedSender::Set(const std::string &key, const std::string &value) {
  if (key == "sid") return Integer(value, 0, 255, 0xff, sid_);
  if (key == "instance") return Integer(value, 0, 255, 0xff, instance_);
  if (key == "type") return Integer(value, 0, 255, 0xff, type_);
  if (key == "soc") return Integer(value, 0, 255, 0xff, soc_);
  if (key == "soh") return Integer(value, 0, 255, 0xff, soh_);
  if (key == "remaining") return Number(value, 0, 65532 * 60.0, remaining_);
  if (key == "ripple") return Number(value, 0, 65.532, ripple_);
  if (key == "capacity") return Number(value, 0, 65532 * 3600.0, capacity_);
  return false;
}

bool tEngineSender::Build(tN2kMsg &msg) {
  SetN2kPGN127488(msg, static_cast<unsigned char>(instance_), rpm_, boost_,
                  static_cast<int8_t>(trim_));
  return true;
}

bool tEngineSender::Set(const std::string &key, const std::string &value) {
  if (key == "instance") return Integer(value, 0, 255, 0xff, instance_);
  if (key == "rpm") return Number(value, 0, 16383, rpm_);
  if (key == "boost") return Number(value, 0, 6553200, boost_);
  if (key == "trim") return Integer(value, -128, 127, 0x7f, trim_);
  return false;
}
