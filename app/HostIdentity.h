// What the node tells the bus about the router it runs on, read with shell commands;
// each value read is said on the console handed in.
#ifndef APP_HOSTIDENTITY_H
#define APP_HOSTIDENTITY_H

#include <cstdint>
#include <string>

#include "Console.h"

// "kQe-204" -> 204: removes every "kQe-" and converts; fallback when nothing usable is left.
int32_t UniqueIdFromRelease(std::string release, int32_t fallback);

// eth0's MAC without colons ("025457000001"); the constant "1234" when there is no
// eth0, said in fellBack.
std::string GetManufacturerSerialCode(tConsole &console, bool *fellBack = nullptr);
// The router's id on MQTT where it has no eth0: the MAC of another interface in netDir
// (/sys/class/net), the first by name but for lo, one the maker assigned before a
// locally administered one, uppercase hex as ifconfig has it; "" when there is none.
// Routers without eth0 that share a broker would otherwise share a client id and
// topics. The node's identity on the bus stays the serial code.
std::string RouterIdFromInterfaces(const std::string &netDir);
std::string GetManufacturerModelID(tConsole &console);
std::string GetManufacturerSoftwareVersion(tConsole &console);
std::string GetManufacturerModel(tConsole &console);
int32_t GetManufacturerUniqueID(tConsole &console);

#endif
