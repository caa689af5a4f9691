// What the node tells the bus about the router it runs on, read with shell commands,
// and the shell-command helpers other parts use.
#ifndef APP_HOSTIDENTITY_H
#define APP_HOSTIDENTITY_H

#include <cstdint>
#include <string>

#include "RunCommand.h"

// The decimal number at the start of text (leading blanks and a sign allowed, stops at
// the first non-digit), as a 32-bit signed value. False when there is no number there
// or it does not fit 32 bits.
bool ParseLeadingInt32(const std::string &text, int32_t &value);
// "kQe-204" -> 204: removes every "kQe-" and converts; fallback when nothing usable is left.
int32_t UniqueIdFromRelease(std::string release, int32_t fallback);

std::string GetManufacturerSerialCode();
std::string GetManufacturerModelID();
std::string GetManufacturerSoftwareVersion();
std::string GetManufacturerModel();
int32_t GetManufacturerUniqueID();

#endif
