#include "CanAddress.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Console.h"
#include "HostIdentity.h"

uint8_t GetCANAddress() {
  std::string stored = RunCommand("uci -q get tidewire.@can[0].canaddress");
  TrimNewline(stored);
  int32_t value = kDefaultCanAddress;
  if (!stored.empty() && !ParseLeadingInt32(stored, value)) value = kDefaultCanAddress;
  uint8_t address = static_cast<uint8_t>(value & 0xff);
  StreamPrintf(Console, "My CAN address: %d\n", address);
  return address;
}

void SaveCANAddress(int address) {
  const int value = address & 0xff;
  char command[1024];
  std::snprintf(command, sizeof(command),
                "uci -q set tidewire.@can[0].canaddress=%d;  uci -q commit tidewire", value);
  int ignored = std::system(command);
  (void)ignored;
  StreamPrintf(Console, "Resettign my CAN address to: %d\n", value);
}
