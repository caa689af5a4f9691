// RAW lines against the examples written out by hand: identifiers without leading
// zeros, single frames, and the fast-packet split at its edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RawLines.h"

namespace {

// The lines of a message of length bytes b0, b1, ...; in the received form when
// msOfDay is given.
std::vector<std::string> Lines(unsigned long pgn, unsigned char priority, int length,
                               uint8_t source = 0x23, long msOfDay = -1) {
  tN2kMsg m(15, priority, pgn, 0);
  m.DataLen = length;
  for (int i = 0; i < length; i++) m.Data[i] = static_cast<uint8_t>(0xb0 + i);
  tRawLines lines;
  const int n = msOfDay < 0 ? FormatRawLines(m, source, lines)
                            : FormatTimedRawLines(m, source, static_cast<uint32_t>(msOfDay), lines);
  std::vector<std::string> out;
  for (int k = 0; k < n; k++) {
    EXPECT_EQ(lines.length[k], static_cast<int>(strlen(lines.text[k])));
    out.emplace_back(lines.text[k], lines.length[k]);
  }
  return out;
}

}  // namespace

TEST(RawLines, IdentifierHasNoLeadingZeros) {
  // ISO request at priority 0 from 0x23: six digits.
  EXPECT_EQ(Lines(59904, 0, 3), std::vector<std::string>{"ea0023 b0 b1 b2\r\n"});
  // Priority 3, System Time: 0x0DF01023, seven digits.
  EXPECT_EQ(Lines(126992, 3, 0), std::vector<std::string>{"df01023\r\n"});
  // Only the priority's low three bits count, and the source is the one given.
  EXPECT_EQ(Lines(127508, 6 | 8, 8, 0xb1),
            std::vector<std::string>{"19f214b1 b0 b1 b2 b3 b4 b5 b6 b7\r\n"});
  EXPECT_EQ(Lines(127508, 6, 8)[0].size(), 8u + 8 * 3 + 2);
}

TEST(RawLines, WorkedFastPacketExample) {
  EXPECT_EQ(Lines(127513, 6, 10), (std::vector<std::string>{"19f21923 00 0a b0 b1 b2 b3 b4 b5\r\n",
                                                            "19f21923 01 b6 b7 b8 b9\r\n"}));
  // 13 bytes fill two frames exactly; 14 need a third with one byte.
  EXPECT_EQ(Lines(127506, 6, 13).back(), "19f21223 01 b6 b7 b8 b9 ba bb bc\r\n");
  EXPECT_EQ(Lines(127506, 6, 14).back(), "19f21223 02 bd\r\n");
  // A PGN that is not a fast packet, longer than a frame, is split all the same.
  EXPECT_EQ(Lines(127508, 6, 9), (std::vector<std::string>{"19f21423 00 09 b0 b1 b2 b3 b4 b5\r\n",
                                                           "19f21423 01 b6 b7 b8\r\n"}));
}

TEST(RawLines, ShortFastPackets) {
  // 0 bytes: the counter only, no length.
  EXPECT_EQ(Lines(127507, 6, 0), std::vector<std::string>{"19f21323 00\r\n"});
  // 1 to 6 bytes: all in the first line, and a second line with the counter alone.
  EXPECT_EQ(Lines(127507, 6, 1),
            (std::vector<std::string>{"19f21323 00 01 b0\r\n", "19f21323 01\r\n"}));
  EXPECT_EQ(Lines(127507, 6, 6),
            (std::vector<std::string>{"19f21323 00 06 b0 b1 b2 b3 b4 b5\r\n", "19f21323 01\r\n"}));
  // A single-frame PGN with no data: the identifier alone.
  EXPECT_EQ(Lines(127508, 6, 0), std::vector<std::string>{"19f21423\r\n"});
}

TEST(RawLines, LongestFastPacket) {
  const std::vector<std::string> lines = Lines(126996, 6, 223);
  ASSERT_EQ(lines.size(), 32u);
  EXPECT_EQ(lines[0].substr(0, 15), "19f01423 00 df ");
  for (int k = 0; k < 32; k++) {
    char counter[8];
    snprintf(counter, sizeof(counter), " %02x", k);
    EXPECT_EQ(lines[k].substr(8, 3), counter) << k;
  }
  // 6 + 30 * 7 = 216 bytes before the last frame, which takes the last 7: 0xb0 + 216 = 0x188.
  EXPECT_EQ(lines[31], "19f01423 1f 88 89 8a 8b 8c 8d 8e\r\n");
}

// The received form: time of day (UTC, ms), R, 8 upper-case digits whatever the
// priority, upper-case bytes; the frames as in the gateway form.
TEST(RawLines, ReceivedForm) {
  struct {
    unsigned long pgn;
    unsigned char priority;
    int length;
    long msOfDay;
    std::vector<std::string> lines;
  } rows[] = {
      {59904, 0, 3, 47109042, {"13:05:09.042 R 00EA0023 B0 B1 B2\r\n"}},
      {127488, 2, 8, 0, {"00:00:00.000 R 09F20023 B0 B1 B2 B3 B4 B5 B6 B7\r\n"}},
      {127508, 7, 0, 86399999, {"23:59:59.999 R 1DF21423\r\n"}},
      // Midnight: a new day starts at 00:00:00.000 again.
      {127508, 6, 1, 86400000, {"00:00:00.000 R 19F21423 B0\r\n"}},
      {127508, 6, 1, 86400000 + 3723004, {"01:02:03.004 R 19F21423 B0\r\n"}},
      {127513,
       6,
       10,
       43200500,
       {"12:00:00.500 R 19F21923 00 0A B0 B1 B2 B3 B4 B5\r\n",
        "12:00:00.500 R 19F21923 01 B6 B7 B8 B9\r\n"}},
  };
  for (const auto &r : rows)
    EXPECT_EQ(Lines(r.pgn, r.priority, r.length, 0x23, r.msOfDay), r.lines)
        << r.pgn << " " << r.msOfDay;
  // The longest line: 12 + 3 + 8 + 8 x 3 + 2 characters.
  EXPECT_EQ(Lines(127508, 6, 8, 0x23, 0)[0].size(), 49u);
}
