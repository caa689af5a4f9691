// What the node tells the bus about the router it runs on, read with shell commands.
#ifndef APP_HOSTIDENTITY_H
#define APP_HOSTIDENTITY_H

#include <cstdint>
#include <string>

// "kQe-204" -> 204: removes every "kQe-" and converts; fallback when nothing usable is left.
int32_t UniqueIdFromRelease(std::string release, int32_t fallback);

std::string GetManufacturerSerialCode();
std::string GetManufacturerModelID();
std::string GetManufacturerSoftwareVersion();
std::string GetManufacturerModel();
int32_t GetManufacturerUniqueID();

#endif
