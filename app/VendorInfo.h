// What the node announces about itself besides the router's own identity.
#ifndef APP_VENDORINFO_H
#define APP_VENDORINFO_H

#include <cstddef>

constexpr unsigned short kProductCode = 277;
constexpr unsigned short kManufacturerCode = 277;
constexpr unsigned char kDeviceFunction = 150;  // bridge
constexpr unsigned char kDeviceClass = 30;      // electrical distribution
constexpr unsigned char kIndustryGroup = 4;     // marine
constexpr size_t kNodeFrameBufferSize = 150;
constexpr size_t kNodeMessageBufferCount = 8;
constexpr char kVendorBanner[] = "Tidewire CAN gateway, Tolvane Marine Electronics";

// Zero-terminated PGN lists the node announces. The second transmit entry is 12510
// (0x30DE) as the daemon has always announced it, not 127510.
extern const unsigned long TransmitPGNs[];
extern const unsigned long ReceivePGNs[];

#endif
