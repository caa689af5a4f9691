// Network management and group-function messages (protocol.md sections A and C).
#include "N2kGroupMessages.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "DescribedCodec.h"
#include "N2kDescriptions.h"

using n2kcodec::Decode;
using n2kcodec::Encode;
using n2kcodec::kSkip;

namespace {

constexpr int kNameLen = 8;
constexpr double kSecondsPerMs = 0.001;
constexpr int kProductInfoLegacyLen = 4 + 4 * kN2kProductStrLen;  // 132: no level, no LEN
constexpr int kProductInfoLen = kProductInfoLegacyLen + 2;
constexpr int kStringLauHeaderLen = 2;  // length byte (counts itself) and encoding byte
constexpr int kConfigFieldCount = 3;
constexpr uint8_t kLauUnicode = 0;
constexpr uint8_t kLauAscii = 1;

constexpr uint32_t kPgnFieldMask = 0xffffff;  // PGN fields in payloads are 3 bytes

bool Is(const tN2kMsg &msg, unsigned long pgn, int minLen) {
  return msg.PGN == pgn && msg.DataLen >= minLen;
}

bool IsFiller(uint8_t c) {
  return c == 0xff || c == 0 || c == ' ';
}

// Copies one STRING_LAU text of n bytes at p into out (outSize bytes incl. NUL),
// cut to fit, without trailing filler.
void CopyLauText(const uint8_t *p, int n, uint8_t encoding, char *out, size_t outSize) {
  size_t len = 0;
  if (encoding == kLauAscii) {
    for (int i = 0; i < n && len + 1 < outSize && p[i] != 0; i++) out[len++] = p[i];
  } else if (encoding == kLauUnicode) {
    // Two bytes per character, low byte first; anything beyond ASCII shows as '?'.
    for (int i = 0; i + 1 < n && len + 1 < outSize; i += 2) {
      unsigned unit = p[i] | p[i + 1] << 8;
      if (unit == 0 || unit == 0xffff) break;
      out[len++] = unit < 0x80 ? static_cast<char>(unit) : '?';
    }
  }
  while (len > 0 && IsFiller(static_cast<uint8_t>(out[len - 1]))) len--;
  out[len] = 0;
}

// Reads one STRING_LAU field at index; false when its length byte is impossible
// or the field runs past the message.
bool GetLauField(const tN2kMsg &msg, int &index, char *out, size_t outSize) {
  if (index + kStringLauHeaderLen > msg.DataLen) return false;
  int fieldLen = msg.Data[index];
  if (fieldLen < kStringLauHeaderLen || index + fieldLen > msg.DataLen) return false;
  CopyLauText(msg.Data + index + kStringLauHeaderLen, fieldLen - kStringLauHeaderLen,
              msg.Data[index + 1], out, outSize);
  index += fieldLen;
  return true;
}

// Appends an ASCII STRING_LAU field of at most maxChars characters of s (a buffer
// of sSize bytes that need not be NUL-terminated).
void AddLauField(tN2kMsg &msg, const char *s, size_t sSize, int maxChars) {
  int n = static_cast<int>(strnlen(s, sSize));
  if (n > kN2kConfigStrMax) n = kN2kConfigStrMax;
  if (n > maxChars) n = maxChars;
  msg.AddByte(static_cast<uint8_t>(n + kStringLauHeaderLen));
  msg.AddByte(kLauAscii);
  msg.AddBuf(s, n);
}

}  // namespace

// ---- NAME ----
// The NAME travels as a little-endian 64-bit number laid out as the address claim's fields.

namespace {

constexpr int kNameFields = 10;

uint64_t FieldsToName(const uint64_t (&raw)[kNameFields]) {
  uint8_t bytes[kNameLen] = {};
  for (int f = 0; f < kNameFields; f++)
    N2kPutField(bytes, kNameLen, kN2kDescIsoAddressClaim.Fields[f], raw[f]);
  uint64_t name = 0;
  for (int b = kNameLen - 1; b >= 0; b--) name = name << 8 | bytes[b];
  return name;
}

void NameToFields(uint64_t name, uint64_t (&raw)[kNameFields]) {
  uint8_t bytes[kNameLen];
  for (int b = 0; b < kNameLen; b++) bytes[b] = static_cast<uint8_t>(name >> (8 * b));
  for (int f = 0; f < kNameFields; f++)
    raw[f] = N2kGetField(bytes, kNameLen, kN2kDescIsoAddressClaim.Fields[f]);
}

}  // namespace

uint64_t tN2kName::Pack() const {
  const uint64_t raw[kNameFields] = {UniqueNumber,        ManufacturerCode,
                                     DeviceInstanceLower, DeviceInstanceUpper,
                                     DeviceFunction,      0,
                                     DeviceClass,         SystemInstance,
                                     IndustryGroup,       ArbitraryAddressCapable};
  return FieldsToName(raw);
}

tN2kName tN2kName::Unpack(uint64_t name) {
  uint64_t raw[kNameFields];
  NameToFields(name, raw);
  tN2kName n;
  n.UniqueNumber = static_cast<uint32_t>(raw[0]);
  n.ManufacturerCode = static_cast<uint16_t>(raw[1]);
  n.DeviceInstanceLower = static_cast<uint8_t>(raw[2]);
  n.DeviceInstanceUpper = static_cast<uint8_t>(raw[3]);
  n.DeviceFunction = static_cast<uint8_t>(raw[4]);
  n.DeviceClass = static_cast<uint8_t>(raw[6]);
  n.SystemInstance = static_cast<uint8_t>(raw[7]);
  n.IndustryGroup = static_cast<uint8_t>(raw[8]);
  n.ArbitraryAddressCapable = raw[9] != 0;
  return n;
}

// ---- 59904 ISO Request ----

void SetN2kPGN59904(tN2kMsg &N2kMsg, unsigned char Destination, unsigned long RequestedPGN) {
  Encode(kN2kDescIsoRequest, N2kMsg, RequestedPGN);
  N2kMsg.Destination = Destination;
}

bool ParseN2kPGN59904(const tN2kMsg &N2kMsg, unsigned long &RequestedPGN) {
  return Decode(kN2kDescIsoRequest, N2kMsg, RequestedPGN);
}

// ---- 59392 ISO Acknowledgement ----

void SetN2kPGN59392(tN2kMsg &N2kMsg, unsigned char Destination, tN2kAckControl Control,
                    unsigned char GroupFunction, unsigned long PGN) {
  Encode(kN2kDescIsoAcknowledgement, N2kMsg, Control, GroupFunction, PGN);
  N2kMsg.Destination = Destination;
}

bool ParseN2kPGN59392(const tN2kMsg &N2kMsg, tN2kAckControl &Control, unsigned char &GroupFunction,
                      unsigned long &PGN) {
  uint8_t control, group;
  unsigned long pgn;
  // RV-C's richer codes (4 and up) have no place in tN2kAckControl.
  if (!Decode(kN2kDescIsoAcknowledgement, N2kMsg, control, group, pgn) || control > N2kAck_Busy)
    return false;
  Control = static_cast<tN2kAckControl>(control);
  GroupFunction = group;
  PGN = pgn;
  return true;
}

// ---- 60928 ISO Address Claim ----

void SetN2kPGN60928(tN2kMsg &N2kMsg, uint64_t Name) {
  uint64_t raw[kNameFields];
  NameToFields(Name, raw);
  N2kEncodeRaw(kN2kDescIsoAddressClaim, raw, kNameFields, N2kMsg);
}

bool ParseN2kPGN60928(const tN2kMsg &N2kMsg, uint64_t &Name) {
  tN2kFieldValue f[kN2kMaxFields];
  if (!N2kDecodeFields(kN2kDescIsoAddressClaim, N2kMsg, f)) return false;
  uint64_t raw[kNameFields];
  for (int i = 0; i < kNameFields; i++) raw[i] = f[i].Raw;
  Name = FieldsToName(raw);
  return true;
}

// ---- 65240 Commanded Address ----

void SetN2kPGN65240(tN2kMsg &N2kMsg, uint64_t TargetName, unsigned char NewAddress) {
  Encode(kN2kDescCommandedAddress, N2kMsg, TargetName, NewAddress);
}

bool ParseN2kPGN65240(const tN2kMsg &N2kMsg, uint64_t &TargetName, unsigned char &NewAddress) {
  return Decode(kN2kDescCommandedAddress, N2kMsg, TargetName, NewAddress);
}

// ---- 126464 PGN List ----

void SetN2kPGN126464(tN2kMsg &N2kMsg, unsigned char Destination, tN2kPGNList Function,
                     const unsigned long *PGNs) {
  N2kMsg.SetPGN(kPgnPgnList, 6);
  N2kMsg.Destination = Destination;
  N2kMsg.AddByte(static_cast<uint8_t>(Function));
  if (PGNs == nullptr) return;
  for (int n = 0; n < kMaxPgnListEntries && PGNs[n] != 0; n++)
    N2kMsg.Add3ByteUInt(PGNs[n] & kPgnFieldMask);
}

bool ParseN2kPGN126464(const tN2kMsg &N2kMsg, tN2kPGNList &Function, unsigned long *PGNs,
                       size_t maxPGNs) {
  if (!Is(N2kMsg, kPgnPgnList, 1) || (N2kMsg.DataLen - 1) % 3 != 0) return false;
  size_t count = static_cast<size_t>((N2kMsg.DataLen - 1) / 3);
  if (PGNs == nullptr || count + 1 > maxPGNs) return false;
  int i = 0;
  uint8_t function = N2kMsg.GetByte(i);
  if (function > N2kpgnl_receive) return false;
  Function = static_cast<tN2kPGNList>(function);
  for (size_t n = 0; n < count; n++) PGNs[n] = N2kMsg.Get3ByteUInt(i);
  PGNs[count] = 0;
  return true;
}

// ---- 126993 Heartbeat ----

void SetN2kPGN126993(tN2kMsg &N2kMsg, uint32_t IntervalMs, unsigned char SequenceCounter) {
  // Controller 1 error active, no second controller, equipment operational.
  const uint8_t errorActive = 0, none = 3, operational = 0;
  Encode(kN2kDescHeartbeat, N2kMsg, IntervalMs * kSecondsPerMs, SequenceCounter, errorActive, none,
         operational);
}

bool ParseN2kPGN126993(const tN2kMsg &N2kMsg, uint32_t &IntervalMs,
                       unsigned char &SequenceCounter) {
  return Decode(kN2kDescHeartbeat, N2kMsg, IntervalMs, SequenceCounter, kSkip, kSkip, kSkip);
}

// ---- 126996 Product Information ----

void SetN2kPGN126996(tN2kMsg &N2kMsg, const tN2kProductInfo &Info) {
  N2kMsg.SetPGN(kPgnProductInformation, 6);
  N2kMsg.Add2ByteUInt(Info.N2kVersion);
  N2kMsg.Add2ByteUInt(Info.ProductCode);
  N2kMsg.AddFixedStr(Info.ModelID, kN2kProductStrLen);
  N2kMsg.AddFixedStr(Info.SwCode, kN2kProductStrLen);
  N2kMsg.AddFixedStr(Info.ModelVersion, kN2kProductStrLen);
  N2kMsg.AddFixedStr(Info.ModelSerialCode, kN2kProductStrLen);
  N2kMsg.AddByte(Info.CertificationLevel);
  N2kMsg.AddByte(Info.LoadEquivalency);
}

bool ParseN2kPGN126996(const tN2kMsg &N2kMsg, tN2kProductInfo &Info) {
  if (!Is(N2kMsg, kPgnProductInformation, kProductInfoLegacyLen)) return false;
  int i = 0;
  Info.N2kVersion = N2kMsg.Get2ByteUInt(i);
  Info.ProductCode = N2kMsg.Get2ByteUInt(i);
  N2kMsg.GetFixedStr(Info.ModelID, sizeof(Info.ModelID), kN2kProductStrLen, i);
  N2kMsg.GetFixedStr(Info.SwCode, sizeof(Info.SwCode), kN2kProductStrLen, i);
  N2kMsg.GetFixedStr(Info.ModelVersion, sizeof(Info.ModelVersion), kN2kProductStrLen, i);
  N2kMsg.GetFixedStr(Info.ModelSerialCode, sizeof(Info.ModelSerialCode), kN2kProductStrLen, i);
  Info.CertificationLevel = 0xff;
  Info.LoadEquivalency = 0xff;
  if (N2kMsg.DataLen >= kProductInfoLen) {
    Info.CertificationLevel = N2kMsg.GetByte(i);
    Info.LoadEquivalency = N2kMsg.GetByte(i);
  }
  return true;
}

// ---- 126998 Configuration Information ----

void SetN2kPGN126998(tN2kMsg &N2kMsg, const tN2kConfigInfo &Info) {
  N2kMsg.SetPGN(kPgnConfigurationInformation, 6);
  const char *texts[kConfigFieldCount] = {
      Info.InstallationDescription1, Info.InstallationDescription2, Info.ManufacturerInformation};
  const size_t sizes[kConfigFieldCount] = {sizeof(Info.InstallationDescription1),
                                           sizeof(Info.InstallationDescription2),
                                           sizeof(Info.ManufacturerInformation)};
  // Whatever the earlier fields take is no longer available to the later ones.
  int room = kN2kMaxDataLen - kConfigFieldCount * kStringLauHeaderLen;
  for (int f = 0; f < kConfigFieldCount; f++) {
    int before = N2kMsg.DataLen;
    AddLauField(N2kMsg, texts[f], sizes[f], room);
    room -= N2kMsg.DataLen - before - kStringLauHeaderLen;
  }
}

bool ParseN2kPGN126998(const tN2kMsg &N2kMsg, tN2kConfigInfo &Info) {
  if (N2kMsg.PGN != kPgnConfigurationInformation || N2kMsg.DataLen > kN2kMaxDataLen) return false;
  int i = 0;
  return GetLauField(N2kMsg, i, Info.InstallationDescription1,
                     sizeof(Info.InstallationDescription1)) &&
         GetLauField(N2kMsg, i, Info.InstallationDescription2,
                     sizeof(Info.InstallationDescription2)) &&
         GetLauField(N2kMsg, i, Info.ManufacturerInformation, sizeof(Info.ManufacturerInformation));
}

// ---- Framing ----

namespace {

// Standard NMEA 2000 PGNs that travel as fast packets: every one below 0x1FD00 in
// protocol.md section B, sorted, plus ISO commanded address (fast in NMEA's own
// table). Nothing from 0x1FD00 up: RV-C numbers its single-frame DGNs there, and a
// fast-packet entry would mis-frame RV-C traffic.
constexpr unsigned long kFastPacketPgns[] = {
    65240,  126208, 126464, 126720, 126983, 126984, 126985, 126986, 126987, 126988, 126996, 126998,
    127233, 127237, 127489, 127490, 127491, 127494, 127495, 127496, 127497, 127498, 127503, 127504,
    127506, 127507, 127509, 127510, 127511, 127512, 127513, 127514, 128275, 128520, 128538, 129029,
    129038, 129039, 129040, 129041, 129044, 129045, 129284, 129285, 129301, 129302, 129538, 129540,
    129541, 129542, 129545, 129547, 129549, 129551, 129556, 129792, 129793, 129794, 129795, 129796,
    129797, 129798, 129799, 129800, 129801, 129802, 129803, 129804, 129805, 129806, 129807, 129808,
    129809, 129810, 130052, 130053, 130054, 130060, 130061, 130064, 130065, 130066, 130067, 130068,
    130069, 130070, 130071, 130072, 130073, 130074,
};

}  // namespace

// Called for every frame received and every message forwarded: a binary search.
bool IsDefaultFastPacketMessage(unsigned long PGN) {
  return std::binary_search(std::begin(kFastPacketPgns), std::end(kFastPacketPgns), PGN);
}

void N2kCopyText(char *dst, size_t size, const char *src) {
  if (size == 0) return;
  size_t n = 0;
  if (src != nullptr)
    for (; n + 1 < size && src[n] != 0; n++) dst[n] = src[n];
  dst[n] = 0;
}
