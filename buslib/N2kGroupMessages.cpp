// Network management and group-function messages (protocol.md sections A and C).
#include "N2kGroupMessages.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr int kIsoRequestMinLen = 3;
constexpr int kIsoRequestMaxLen = 8;  // RV-C pads the request to a full frame
constexpr int kSingleFrameLen = 8;
constexpr int kNameLen = 8;
constexpr int kCommandedAddressLen = kNameLen + 1;
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

void AddName(tN2kMsg &msg, uint64_t name) {
  for (int b = 0; b < kNameLen; b++) msg.AddByte(static_cast<uint8_t>(name >> (8 * b)));
}

uint64_t GetName(const tN2kMsg &msg, int &index) {
  uint64_t name = 0;
  for (int b = 0; b < kNameLen; b++) name |= static_cast<uint64_t>(msg.GetByte(index)) << (8 * b);
  return name;
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

uint64_t tN2kName::Pack() const {
  return (static_cast<uint64_t>(UniqueNumber) & 0x1fffff) |
         (static_cast<uint64_t>(ManufacturerCode) & 0x7ff) << 21 |
         (static_cast<uint64_t>(DeviceInstanceLower) & 0x07) << 32 |
         (static_cast<uint64_t>(DeviceInstanceUpper) & 0x1f) << 35 |
         static_cast<uint64_t>(DeviceFunction) << 40 |
         (static_cast<uint64_t>(DeviceClass) & 0x7f) << 49 |
         (static_cast<uint64_t>(SystemInstance) & 0x0f) << 56 |
         (static_cast<uint64_t>(IndustryGroup) & 0x07) << 60 |
         static_cast<uint64_t>(ArbitraryAddressCapable ? 1 : 0) << 63;
}

tN2kName tN2kName::Unpack(uint64_t name) {
  tN2kName n;
  n.UniqueNumber = name & 0x1fffff;
  n.ManufacturerCode = (name >> 21) & 0x7ff;
  n.DeviceInstanceLower = (name >> 32) & 0x07;
  n.DeviceInstanceUpper = (name >> 35) & 0x1f;
  n.DeviceFunction = (name >> 40) & 0xff;
  n.DeviceClass = (name >> 49) & 0x7f;
  n.SystemInstance = (name >> 56) & 0x0f;
  n.IndustryGroup = (name >> 60) & 0x07;
  n.ArbitraryAddressCapable = (name >> 63) != 0;
  return n;
}

// ---- 59904 ISO Request ----

void SetN2kPGN59904(tN2kMsg &N2kMsg, unsigned char Destination, unsigned long RequestedPGN) {
  N2kMsg.SetPGN(kPgnIsoRequest, 6);
  N2kMsg.Destination = Destination;
  N2kMsg.Add3ByteUInt(RequestedPGN & kPgnFieldMask);
}

bool ParseN2kPGN59904(const tN2kMsg &N2kMsg, unsigned long &RequestedPGN) {
  if (!Is(N2kMsg, kPgnIsoRequest, kIsoRequestMinLen) || N2kMsg.DataLen > kIsoRequestMaxLen)
    return false;
  int i = 0;
  RequestedPGN = N2kMsg.Get3ByteUInt(i);
  return true;
}

// ---- 59392 ISO Acknowledgement ----

void SetN2kPGN59392(tN2kMsg &N2kMsg, unsigned char Destination, tN2kAckControl Control,
                    unsigned char GroupFunction, unsigned long PGN) {
  N2kMsg.SetPGN(kPgnIsoAcknowledgement, 6);
  N2kMsg.Destination = Destination;
  N2kMsg.AddByte(static_cast<uint8_t>(Control));
  N2kMsg.AddByte(GroupFunction);
  N2kMsg.Add3ByteUInt(0xffffff);  // reserved (newer J1939: address acknowledged in byte 4)
  N2kMsg.Add3ByteUInt(PGN & kPgnFieldMask);
}

bool ParseN2kPGN59392(const tN2kMsg &N2kMsg, tN2kAckControl &Control, unsigned char &GroupFunction,
                      unsigned long &PGN) {
  if (!Is(N2kMsg, kPgnIsoAcknowledgement, kSingleFrameLen)) return false;
  int i = 0;
  uint8_t control = N2kMsg.GetByte(i);
  // RV-C's richer codes (4 and up) have no place in tN2kAckControl.
  if (control > N2kAck_Busy) return false;
  Control = static_cast<tN2kAckControl>(control);
  GroupFunction = N2kMsg.GetByte(i);
  i += 3;
  PGN = N2kMsg.Get3ByteUInt(i);
  return true;
}

// ---- 60928 ISO Address Claim ----

void SetN2kPGN60928(tN2kMsg &N2kMsg, uint64_t Name) {
  N2kMsg.SetPGN(kPgnIsoAddressClaim, 6);
  N2kMsg.Destination = kN2kGlobalAddress;
  AddName(N2kMsg, Name);
}

bool ParseN2kPGN60928(const tN2kMsg &N2kMsg, uint64_t &Name) {
  if (!Is(N2kMsg, kPgnIsoAddressClaim, kNameLen)) return false;
  int i = 0;
  Name = GetName(N2kMsg, i);
  return true;
}

// ---- 65240 Commanded Address ----

void SetN2kPGN65240(tN2kMsg &N2kMsg, uint64_t TargetName, unsigned char NewAddress) {
  N2kMsg.SetPGN(kPgnCommandedAddress, 6);
  AddName(N2kMsg, TargetName);
  N2kMsg.AddByte(NewAddress);
}

bool ParseN2kPGN65240(const tN2kMsg &N2kMsg, uint64_t &TargetName, unsigned char &NewAddress) {
  if (!Is(N2kMsg, kPgnCommandedAddress, kCommandedAddressLen)) return false;
  int i = 0;
  TargetName = GetName(N2kMsg, i);
  NewAddress = N2kMsg.GetByte(i);
  return true;
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
  N2kMsg.SetPGN(kPgnHeartbeat, 7);
  N2kMsg.Add2ByteUInt(IntervalMs <= 0xfffc ? static_cast<uint16_t>(IntervalMs) : 0xffff);
  N2kMsg.AddByte(SequenceCounter);
  // Controller 1 error active (0), no second controller (3), equipment operational (0),
  // reserved bits 1s.
  N2kMsg.AddByte(0xcc);
  N2kMsg.Add4ByteUInt(0xffffffffu);
}

bool ParseN2kPGN126993(const tN2kMsg &N2kMsg, uint32_t &IntervalMs,
                       unsigned char &SequenceCounter) {
  if (!Is(N2kMsg, kPgnHeartbeat, kSingleFrameLen)) return false;
  int i = 0;
  IntervalMs = N2kMsg.Get2ByteUInt(i);
  SequenceCounter = N2kMsg.GetByte(i);
  return true;
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
