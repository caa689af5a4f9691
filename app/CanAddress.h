// The node's CAN source address, kept in UCI so that a restart claims it again.
#ifndef APP_CANADDRESS_H
#define APP_CANADDRESS_H

#include <cstdint>

constexpr uint8_t kDefaultCanAddress = 177;

// The stored address (low 8 bits of the stored number), 177 when none is stored or the
// stored text is not a number.
uint8_t GetCANAddress();
// Stores and commits the address (low 8 bits).
void SaveCANAddress(int address);

#endif
