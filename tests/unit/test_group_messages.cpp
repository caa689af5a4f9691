// Network management messages against byte vectors written from protocol.md; the
// samples of the described ones are in test_message_table.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>

#include "CodecTestUtil.h"
#include "N2kGroupMessages.h"

namespace {

// A 32-byte product-information field: text, then pad bytes.
void AppendField(Bytes &out, const std::string &text, uint8_t pad) {
  out.insert(out.end(), text.begin(), text.end());
  out.insert(out.end(), 32 - text.size(), pad);
}

}  // namespace

TEST(GroupMessages, PgnList) {
  const unsigned long list[] = {126993, 126996, 60928, 0};
  tN2kMsg m;
  SetN2kPGN126464(m, 0x10, N2kpgnl_transmit, list);
  ExpectWire(m, 126464, 6, 0x10, {0x00, 0x11, 0xF0, 0x01, 0x14, 0xF0, 0x01, 0x00, 0xEE, 0x00});
  tN2kPGNList function;
  unsigned long got[4] = {1, 1, 1, 1};
  ASSERT_TRUE(ParseN2kPGN126464(m, function, got, 4));
  EXPECT_EQ(std::tie(function, got[0], got[1], got[2], got[3]),
            std::make_tuple(N2kpgnl_transmit, 126993ul, 126996ul, 60928ul, 0ul));
  EXPECT_FALSE(ParseN2kPGN126464(m, function, got, 3));  // no room for the terminator
  ASSERT_TRUE(ParseN2kPGN126464(Msg(126464, {0x01}), function, got, 1));
  EXPECT_EQ(std::tie(function, got[0]), std::make_tuple(N2kpgnl_receive, 0ul));
  // Length must be 1 + 3n; the function code must be transmit or receive.
  for (const Bytes &bad : {Bytes{}, Bytes{0x00, 0x11}, Bytes{0x00, 0x11, 0xF0},
                           Bytes{0x00, 0x11, 0xF0, 0x01, 0x14}, Bytes{0xFF, 0x11, 0xF0, 0x01}})
    EXPECT_FALSE(ParseN2kPGN126464(Msg(126464, bad), function, got, 4)) << bad.size();

  // A list longer than one message is cut at 74 entries.
  unsigned long many[kMaxPgnListEntries + 2];
  for (int i = 0; i <= kMaxPgnListEntries; i++) many[i] = 130000 + i;
  many[kMaxPgnListEntries + 1] = 0;
  SetN2kPGN126464(m, 0x10, N2kpgnl_receive, many);
  EXPECT_EQ(m.DataLen, 223);
  EXPECT_EQ(m.Data[220], (130000 + 73) & 0xFF);
}

TEST(GroupMessages, ProductInformation) {
  tN2kProductInfo info;
  info.N2kVersion = 2100;
  info.ProductCode = 31173;
  std::strcpy(info.ModelID, "tidewire");
  std::strcpy(info.SwCode, "1.0");
  std::strcpy(info.ModelSerialCode, "SN42");
  info.CertificationLevel = 1;
  info.LoadEquivalency = 2;
  Bytes expected = {0x34, 0x08, 0xC5, 0x79};
  for (const char *text : {"tidewire", "1.0", "", "SN42"}) AppendField(expected, text, 0xFF);
  expected.insert(expected.end(), {0x01, 0x02});
  tN2kMsg m;
  SetN2kPGN126996(m, info);
  ExpectWire(m, 126996, 6, 255, expected);

  // Received fields end at 0xFF, '@' or 0 (trailing blanks dropped) or fill all 32 bytes.
  Bytes wire = {0x34, 0x08, 0xC5, 0x79};
  AppendField(wire, "RO500", 0xFF);
  AppendField(wire, "1.2.3  ", '@');
  AppendField(wire, std::string("Rev B\0junk", 10), 0x00);
  AppendField(wire, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 0xFF);
  wire.insert(wire.end(), {0x02, 0x05});
  ASSERT_TRUE(ParseN2kPGN126996(Msg(126996, wire), info));
  EXPECT_EQ(
      std::tie(info.N2kVersion, info.ProductCode, info.CertificationLevel, info.LoadEquivalency),
      std::make_tuple(2100, 31173, 2, 5));
  EXPECT_STREQ(info.ModelID, "RO500");
  EXPECT_STREQ(info.SwCode, "1.2.3");
  EXPECT_STREQ(info.ModelVersion, "Rev B");
  EXPECT_STREQ(info.ModelSerialCode, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");

  // Legacy 132-byte form: level and LEN unknown. One byte less is malformed.
  wire.resize(132);
  ASSERT_TRUE(ParseN2kPGN126996(Msg(126996, wire), info));
  EXPECT_EQ(std::tie(info.CertificationLevel, info.LoadEquivalency), std::make_tuple(0xFF, 0xFF));
  wire.resize(131);
  EXPECT_FALSE(ParseN2kPGN126996(Msg(126996, wire), info));
}

TEST(GroupMessages, ConfigurationInformation) {
  tN2kConfigInfo info;
  std::strcpy(info.ManufacturerInformation, "AB");
  tN2kMsg m;
  SetN2kPGN126998(m, info);
  ExpectWire(m, 126998, 6, 255, {0x02, 0x01, 0x02, 0x01, 0x04, 0x01, 0x41, 0x42});

  // ASCII "Mast" + blank + 0xFF; encoding 0xFF filled with 0xFF; "Hi" in two-byte characters.
  tN2kConfigInfo got;
  ASSERT_TRUE(ParseN2kPGN126998(Msg(126998, {0x08, 0x01, 'M', 'a', 's', 't', ' ', 0xFF, 0x04, 0xFF,
                                             0xFF, 0xFF, 0x06, 0x00, 'H', 0x00, 'i', 0x00}),
                                got));
  EXPECT_STREQ(got.InstallationDescription1, "Mast");
  EXPECT_STREQ(got.InstallationDescription2, "");
  EXPECT_STREQ(got.ManufacturerInformation, "Hi");

  const Bytes malformed[] = {
      {},                                                // no field at all
      {0x02, 0x01, 0x02, 0x01},                          // third field missing
      {0x02, 0x01, 0x02, 0x01, 0x02},                    // third header cut off
      {0x02, 0x01, 0x01, 0x01, 0x02, 0x01},              // length byte below 2
      {0x00, 0x01, 0x02, 0x01, 0x02, 0x01},              // length byte 0
      {0x02, 0x01, 0x02, 0x01, 0x05, 0x01, 0x41, 0x42},  // runs past the end
  };
  for (const Bytes &b : malformed) EXPECT_FALSE(ParseN2kPGN126998(Msg(126998, b), got)) << b.size();

  // A 100-character field is cut to what the struct holds.
  Bytes longText = {0x02, 0x01, 0x02, 0x01, 102, 0x01};
  longText.insert(longText.end(), 100, 'x');
  ASSERT_TRUE(ParseN2kPGN126998(Msg(126998, longText), got));
  EXPECT_EQ(std::string(got.ManufacturerInformation), std::string(kN2kConfigStrMax, 'x'));

  // Buffers filled to the last byte without a NUL: each field sends 70 characters.
  for (char *text :
       {info.InstallationDescription1, info.InstallationDescription2, info.ManufacturerInformation})
    std::memset(text, 'c', kN2kConfigStrMax + 1);
  SetN2kPGN126998(m, info);
  EXPECT_EQ(std::tie(m.DataLen, m.Data[0]),
            std::make_tuple(3 * (2 + kN2kConfigStrMax), 2 + kN2kConfigStrMax));
}

TEST(GroupMessages, FastPacketTable) {
  // protocol.md section B: every standardised fast-packet PGN below 0x1FD00.
  const std::set<unsigned long> fast = {
      126208, 126464, 126720, 126983, 126984, 126985, 126986, 126987, 126988, 126996,
      126998, 127233, 127237, 127489, 127490, 127491, 127494, 127495, 127496, 127497,
      127498, 127503, 127504, 127506, 127507, 127509, 127510, 127511, 127512, 127513,
      127514, 128275, 128520, 128538, 129029, 129038, 129039, 129040, 129041, 129044,
      129045, 129284, 129285, 129301, 129302, 129538, 129540, 129541, 129542, 129545,
      129547, 129549, 129551, 129556, 129792, 129793, 129794, 129795, 129796, 129797,
      129798, 129799, 129800, 129801, 129802, 129803, 129804, 129805, 129806, 129807,
      129808, 129809, 129810, 130052, 130053, 130054, 130060, 130061, 130064, 130065,
      130066, 130067, 130068, 130069, 130070, 130071, 130072, 130073, 130074};
  ASSERT_EQ(fast.size(), 89u);
  // ISO commanded address is fast in NMEA's own table; nothing else below 0x1FD00.
  for (unsigned long pgn = 0; pgn < 0x1FD00; pgn++)
    ASSERT_EQ(IsDefaultFastPacketMessage(pgn), fast.count(pgn) == 1 || pgn == 65240) << pgn;
  // RV-C's range stays single-frame, the proprietary 0x1FFxx DGNs included.
  for (unsigned long pgn :
       {130723ul, 130725ul, 130751ul, 130759ul, 130760ul, 130761ul, 130762ul, 130763ul,
        130764ul, 130795ul, 130816ul, 130966ul, 130968ul, 130969ul, 130976ul, 131014ul,
        131015ul, 131067ul, 131068ul, 131069ul, 131070ul, 131071ul, 97792ul})
    EXPECT_FALSE(IsDefaultFastPacketMessage(pgn)) << pgn;
}

// ---- Pins: all-ones, error and maximum values, and bits beyond a field's width. A row
// without arguments only decodes.

TEST(GroupMessagesPins, FieldsAtTheirLimits) {
  using Request = std::tuple<unsigned long>;
  RunPins<std::tuple<unsigned char, unsigned long>, Request>(
      59904, 6, [](tN2kMsg &m, auto... a) { SetN2kPGN59904(m, a...); },
      [](const tN2kMsg &m, auto &...a) { return ParseN2kPGN59904(m, a...); },
      {
          {std::make_tuple(0xFF, 0x1FFFFFFul), {0xFF, 0xFF, 0xFF}, Request{0xFFFFFFul}},
          {std::make_tuple(0x23, 0x1234567ul), {0x67, 0x45, 0x23}, Request{0x234567ul}},
      });
  using Ack = std::tuple<tN2kAckControl, unsigned char, unsigned long>;
  RunPins<std::tuple<unsigned char, tN2kAckControl, unsigned char, unsigned long>, Ack>(
      59392, 6, [](tN2kMsg &m, auto... a) { SetN2kPGN59392(m, a...); },
      [](const tN2kMsg &m, auto &...a) { return ParseN2kPGN59392(m, a...); },
      {
          {std::make_tuple(0x10, N2kAck_Busy, 0xFE, 0xFFFFFFFFul),
           Bytes{0x03, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
           Ack{N2kAck_Busy, 0xFE, 0xFFFFFFul}},
          {{}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, Ack{N2kAck_ACK, 0, 0ul}},
      });
  using Name = std::tuple<uint64_t>;
  RunPins<Name, Name>(
      60928, 6, [](tN2kMsg &m, auto... a) { SetN2kPGN60928(m, a...); },
      [](const tN2kMsg &m, auto &...a) { return ParseN2kPGN60928(m, a...); },
      {
          {Name{~0ull}, Bytes(8, 0xFF)},
          {Name{0x8000000000000001ull}, {0x01, 0, 0, 0, 0, 0, 0, 0x80}},
      });
  using Commanded = std::tuple<uint64_t, unsigned char>;
  RunPins<Commanded, Commanded>(
      65240, 6, [](tN2kMsg &m, auto... a) { SetN2kPGN65240(m, a...); },
      [](const tN2kMsg &m, auto &...a) { return ParseN2kPGN65240(m, a...); },
      {
          {Commanded{~0ull, 0xFF}, Bytes(9, 0xFF)},
          {Commanded{1, 0xFE}, {0x01, 0, 0, 0, 0, 0, 0, 0, 0xFE}},
      });
  using Heartbeat = std::tuple<uint32_t, unsigned char>;
  RunPins<Heartbeat, Heartbeat>(
      126993, 7, [](tN2kMsg &m, auto... a) { SetN2kPGN126993(m, a...); },
      [](const tN2kMsg &m, auto &...a) { return ParseN2kPGN126993(m, a...); },
      {
          {Heartbeat{0xFFFC, 0xFF}, {0xFC, 0xFF, 0xFF, 0xCC, 0xFF, 0xFF, 0xFF, 0xFF}},
          {Heartbeat{0xFFFD, 0},
           {0xFF, 0xFF, 0x00, 0xCC, 0xFF, 0xFF, 0xFF, 0xFF},
           Heartbeat{0xFFFF, 0}},
          {{}, {0xFE, 0xFF, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x00}, Heartbeat{0xFFFE, 0xFE}},
      });
}
