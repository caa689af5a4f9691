// Network management messages (ISO 11783 / J1939 / NMEA 2000 group functions):
// request, acknowledgement, address claim and NAME, PGN lists, heartbeat,
// product and configuration information. Same conventions as N2kMessages.h.
#ifndef BUSLIB_N2KGROUPMESSAGES_H
#define BUSLIB_N2KGROUPMESSAGES_H

#include <cstddef>
#include <cstdint>

#include "N2kMsg.h"
#include "N2kPgns.h"

// The 64-bit NAME of an address claim (bit 0 = LSB of the first data byte):
// 0-20 unique number, 21-31 manufacturer code, 32-34 device instance lower,
// 35-39 device instance upper, 40-47 device function, 48 reserved (0),
// 49-55 device class, 56-59 system instance, 60-62 industry group,
// 63 arbitrary address capable. A lower NAME wins an address contest.
struct tN2kName {
  uint32_t UniqueNumber = 0;        // 21 bits
  uint16_t ManufacturerCode = 0;    // 11 bits
  uint8_t DeviceInstanceLower = 0;  // 3 bits
  uint8_t DeviceInstanceUpper = 0;  // 5 bits
  uint8_t DeviceFunction = 0;
  uint8_t DeviceClass = 0;     // 7 bits
  uint8_t SystemInstance = 0;  // 4 bits
  uint8_t IndustryGroup = 0;   // 3 bits
  bool ArbitraryAddressCapable = true;

  uint64_t Pack() const;  // fields are masked to their widths
  static tN2kName Unpack(uint64_t name);
};

// 59904 ISO Request (PDU1, priority 6, 3 bytes; longer RV-C forms accepted).
void SetN2kPGN59904(tN2kMsg &N2kMsg, unsigned char Destination, unsigned long RequestedPGN);
bool ParseN2kPGN59904(const tN2kMsg &N2kMsg, unsigned long &RequestedPGN);

// 59392 ISO Acknowledgement (PDU1, priority 6, 8 bytes).
enum tN2kAckControl : uint8_t {
  N2kAck_ACK = 0,
  N2kAck_NAK = 1,
  N2kAck_AccessDenied = 2,
  N2kAck_Busy = 3
};
void SetN2kPGN59392(tN2kMsg &N2kMsg, unsigned char Destination, tN2kAckControl Control,
                    unsigned char GroupFunction, unsigned long PGN);
bool ParseN2kPGN59392(const tN2kMsg &N2kMsg, tN2kAckControl &Control, unsigned char &GroupFunction,
                      unsigned long &PGN);

// 60928 ISO Address Claim (PDU1 to global, priority 6, 8 bytes = NAME).
void SetN2kPGN60928(tN2kMsg &N2kMsg, uint64_t Name);
bool ParseN2kPGN60928(const tN2kMsg &N2kMsg, uint64_t &Name);

// 65240 Commanded Address (9 bytes: target NAME, new address).
void SetN2kPGN65240(tN2kMsg &N2kMsg, uint64_t TargetName, unsigned char NewAddress);
bool ParseN2kPGN65240(const tN2kMsg &N2kMsg, uint64_t &TargetName, unsigned char &NewAddress);

// 126464 PGN List (PDU1, fast packet, priority 6). Function 0 = transmit list,
// 1 = receive list. PGNs is zero-terminated; at most kMaxPgnListEntries are sent.
enum tN2kPGNList { N2kpgnl_transmit = 0, N2kpgnl_receive = 1 };
constexpr int kMaxPgnListEntries = (kN2kMaxDataLen - 1) / 3;  // 74
void SetN2kPGN126464(tN2kMsg &N2kMsg, unsigned char Destination, tN2kPGNList Function,
                     const unsigned long *PGNs);
// Decodes into PGNs (capacity maxPGNs, zero-terminated, so at most maxPGNs-1 entries).
// False when the message is not a PGN list, is malformed (length not 1 + 3n),
// or does not fit.
bool ParseN2kPGN126464(const tN2kMsg &N2kMsg, tN2kPGNList &Function, unsigned long *PGNs,
                       size_t maxPGNs);

// 126993 Heartbeat (single frame, priority 7). Interval in ms (60000 = 60 s).
void SetN2kPGN126993(tN2kMsg &N2kMsg, uint32_t IntervalMs, unsigned char SequenceCounter);
bool ParseN2kPGN126993(const tN2kMsg &N2kMsg, uint32_t &IntervalMs, unsigned char &SequenceCounter);

// Fills a text field of the info structs below: copies at most size - 1 characters of
// src (null: empty text) and always terminates.
void N2kCopyText(char *dst, size_t size, const char *src);

// 126996 Product Information (fast packet, priority 6, 134 bytes; 132 accepted).
constexpr int kN2kProductStrLen = 32;
struct tN2kProductInfo {
  uint16_t N2kVersion = 0xffff;
  uint16_t ProductCode = 0xffff;
  char ModelID[kN2kProductStrLen + 1] = "";
  char SwCode[kN2kProductStrLen + 1] = "";
  char ModelVersion[kN2kProductStrLen + 1] = "";
  char ModelSerialCode[kN2kProductStrLen + 1] = "";
  uint8_t CertificationLevel = 0xff;
  uint8_t LoadEquivalency = 0xff;
};
void SetN2kPGN126996(tN2kMsg &N2kMsg, const tN2kProductInfo &Info);
bool ParseN2kPGN126996(const tN2kMsg &N2kMsg, tN2kProductInfo &Info);

// 126998 Configuration Information (fast packet, priority 6): three STRING_LAU
// fields. Texts are cut so that the whole message fits 223 bytes.
constexpr int kN2kConfigStrMax = 70;
struct tN2kConfigInfo {
  char InstallationDescription1[kN2kConfigStrMax + 1] = "";
  char InstallationDescription2[kN2kConfigStrMax + 1] = "";
  char ManufacturerInformation[kN2kConfigStrMax + 1] = "";
};
void SetN2kPGN126998(tN2kMsg &N2kMsg, const tN2kConfigInfo &Info);
bool ParseN2kPGN126998(const tN2kMsg &N2kMsg, tN2kConfigInfo &Info);

// True for PGNs that NMEA 2000 sends as fast packets by default. RV-C DGNs,
// including those in the proprietary range 0x1FF00-0x1FFFF, are single frames.
bool IsDefaultFastPacketMessage(unsigned long PGN);

#endif
