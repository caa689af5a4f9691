// A decoded bus message: what a handler sees once frames are put back together.
// The raw CAN frame is a different type (CanFrame.h).
#ifndef BUSLIB_N2KMSG_H
#define BUSLIB_N2KMSG_H

#include <cstddef>
#include <cstdint>

// Largest payload a fast-packet message can carry (6 + 31 * 7).
constexpr int kN2kMaxDataLen = 223;
constexpr uint8_t kN2kGlobalAddress = 255;
constexpr uint8_t kN2kNullAddress = 254;

// The library's "not available" physical value.
constexpr double N2kDoubleNA = -1e9;
inline bool N2kIsNA(double v) {
  return v == N2kDoubleNA;
}

class tN2kMsg {
 public:
  // Defaults match what the daemon builds before a Set... function fills it in:
  // placeholder source 15, priority 6, no PGN, no data.
  explicit tN2kMsg(unsigned char Source = 15, unsigned char Priority = 6, unsigned long PGN = 0,
                   int DataLen = 0);

  unsigned char Priority;
  unsigned long PGN;
  unsigned char Source;
  unsigned char Destination;  // 255 for broadcast PGNs
  int DataLen;                // 0..kN2kMaxDataLen
  unsigned char Data[kN2kMaxDataLen];
  uint32_t MsgTime;  // millis() when the last frame arrived (received messages)

  // Starts a new message: sets PGN and priority, destination global, no data.
  void SetPGN(unsigned long pgn, unsigned char priority);
  void Clear();

  // Appenders. Each returns false and leaves the message unchanged when the value
  // would not fit in kN2kMaxDataLen bytes. Multi-byte values go little-endian.
  bool AddByte(uint8_t v);
  bool Add2ByteUInt(uint16_t v);
  bool Add2ByteInt(int16_t v);
  bool Add3ByteUInt(uint32_t v);
  bool Add4ByteUInt(uint32_t v);
  bool AddBuf(const void *buf, int len);
  // Fixed-width text field: copies at most len characters of s (s may be null),
  // pads the rest with pad.
  bool AddFixedStr(const char *s, int len, uint8_t pad = 0xff);

  // Scaled physical values: raw = round(v / resolution [- offset/resolution]).
  // v that is N2kDoubleNA, NaN, infinite or outside the field's valid range
  // writes the field's not-available code.
  bool Add1ByteUDouble(double v, double resolution, double offset = 0);
  bool Add2ByteUDouble(double v, double resolution, double offset = 0);
  bool Add2ByteDouble(double v, double resolution);
  bool Add4ByteUDouble(double v, double resolution);
  bool Add1ByteDouble(double v, double resolution);

  // Readers advance index. They return the not-available value for the type
  // (0xFF.., or N2kDoubleNA for doubles) when reading past DataLen, so a short
  // message never causes a read out of bounds.
  uint8_t GetByte(int &index) const;
  uint16_t Get2ByteUInt(int &index) const;
  int16_t Get2ByteInt(int &index) const;
  uint32_t Get3ByteUInt(int &index) const;
  uint32_t Get4ByteUInt(int &index) const;
  bool GetBuf(void *buf, int len, int &index) const;

  double Get1ByteUDouble(double resolution, int &index, double offset = 0) const;
  double Get2ByteUDouble(double resolution, int &index, double offset = 0) const;
  double Get2ByteDouble(double resolution, int &index) const;
  double Get4ByteUDouble(double resolution, int &index) const;
  double Get1ByteDouble(double resolution, int &index) const;

  // Reads a fixed-width text field of len bytes into out (outSize bytes incl. NUL).
  // Stops at 0xFF, 0 or '@', strips trailing blanks. Never reads past the
  // field or past DataLen; always NUL-terminates when outSize > 0.
  void GetFixedStr(char *out, size_t outSize, int len, int &index) const;

  bool IsBroadcast() const { return Destination == kN2kGlobalAddress; }
};

#endif
