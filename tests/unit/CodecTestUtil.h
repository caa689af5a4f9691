// Helpers the codec tests share: build a message from hand-written bytes, and check
// what an encoder put on the wire against such bytes.
#ifndef TESTS_UNIT_CODECTESTUTIL_H
#define TESTS_UNIT_CODECTESTUTIL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "N2kMsg.h"

using Bytes = std::vector<uint8_t>;

// A received message: pgn and data only, the rest as tN2kMsg defaults them.
inline tN2kMsg Msg(unsigned long pgn, const Bytes &data) {
  tN2kMsg m;
  m.PGN = pgn;
  m.DataLen = static_cast<int>(data.size());
  if (!data.empty()) std::memcpy(m.Data, data.data(), data.size());
  return m;
}

inline void ExpectWire(const tN2kMsg &m, unsigned long pgn, int priority, const Bytes &wire) {
  EXPECT_EQ(m.PGN, pgn);
  EXPECT_EQ(m.Priority, priority);
  EXPECT_EQ(Bytes(m.Data, m.Data + m.DataLen), wire);
}

// The same for an addressed message.
inline void ExpectWire(const tN2kMsg &m, unsigned long pgn, int priority, int destination,
                       const Bytes &wire) {
  EXPECT_EQ(m.Destination, destination);
  ExpectWire(m, pgn, priority, wire);
}

#endif
