// What a "node" line says about a simulated node: its NAME, address, product and
// configuration information, PGN lists, mode and behaviour.
//
//   node charger1 unique=1001 mfr=2046 function=153 class=35 address=0x42 model="RO500"
//        tx=127507,127510 mode=node behaviour=echo-terminal
#ifndef SIM_NODECONFIG_H
#define SIM_NODECONFIG_H

#include <cstdint>
#include <string>
#include <vector>

// NAME bit 48 is reserved and always sent as 0.
constexpr uint64_t kNameReservedBit = 1ull << 48;

struct tSimNodeConfig {
  enum class tMode : uint8_t {
    kNode,    // claims its address and answers like any node (the default)
    kListen,  // listen only: never sends
    kSend,    // sends from its address without claiming it (a misbehaving device)
  };

  std::string name;
  // NAME fields. unique defaults to a number made from the node's name.
  uint32_t unique = 0;
  bool uniqueSet = false;
  uint16_t manufacturer = 2046;
  uint8_t function = 130;
  uint8_t deviceClass = 25;
  uint8_t industry = 4;
  uint8_t systemInstance = 0;
  uint8_t deviceInstance = 0;  // lower 3 bits, then upper 5
  bool addressCapable = true;  // NAME bit 63; a node without it has a lower NAME than any with
  // The whole NAME at once (name=0x...): when set it replaces every field above, so a
  // node can carry exactly another device's NAME.
  uint64_t fullName = 0;
  bool fullNameSet = false;
  int address = -1;  // preferred address; -1: the simulator picks one
  tMode mode = tMode::kNode;
  // Product information (126996).
  uint16_t productCode = 1;
  std::string model;  // defaults to the node's name
  std::string sw = "tidewire-sim";
  std::string modelVersion = "1";
  std::string serial;  // defaults to the unique number
  uint8_t certification = 1;
  uint8_t loadEquivalency = 1;
  uint16_t n2kVersion = 2100;
  // Configuration information (126998).
  std::string mfrInfo = "tidewire simulator";
  std::string desc1, desc2;
  // Announced PGN lists, zero-terminated (empty: none beyond the library's own).
  std::vector<unsigned long> tx, rx;
  std::string behaviour;  // empty: none
};

constexpr size_t kMaxNodeNameLen = 32;

// A node name: 1..kMaxNodeNameLen letters, digits, '_', '-' or '.'.
bool IsValidNodeName(const std::string &name);

// Fills config from the words after "node NAME" (each key=value), then, for keys not
// given, the defaults of the node's behaviour (BehaviourDefaults). False, with a
// message naming the key, for an unknown key or a bad value.
bool ParseNodeConfig(const std::string &name, const std::vector<std::string> &words,
                     tSimNodeConfig &config, std::string &error);

#endif
