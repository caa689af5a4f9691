// Helpers the codec tests share: build a message from hand-written bytes, check what an
// encoder put on the wire against such bytes, and run tables of pinned Set/Parse cases.
#ifndef TESTS_UNIT_CODECTESTUTIL_H
#define TESTS_UNIT_CODECTESTUTIL_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>
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

// Doubles agree to a few ulps of the value; not available only with itself.
inline void ExpectSameValue(double got, double want, size_t index) {
  if (got == N2kDoubleNA || want == N2kDoubleNA)
    EXPECT_EQ(got, want) << "output " << index;
  else
    EXPECT_NEAR(got, want, 1e-9 * std::max(1.0, std::fabs(want))) << "output " << index;
}
template <typename T>
void ExpectSameValue(const T &got, const T &want, size_t index) {
  static_assert(std::is_integral_v<T> || std::is_enum_v<T>, "numbers, flags and codes");
  EXPECT_EQ(static_cast<long long>(got), static_cast<long long>(want)) << "output " << index;
}
template <typename Tuple, size_t... I>
void ExpectSameTuple(const Tuple &got, const Tuple &want, std::index_sequence<I...>) {
  (ExpectSameValue(std::get<I>(got), std::get<I>(want), I), ...);
}

// One pinned case: the Set function's arguments (none for a case that only decodes), the
// bytes on the wire, and what the Parse function gives back from those bytes (left out:
// the arguments themselves).
template <typename In, typename Out = In>
struct tPin {
  std::optional<In> in;
  Bytes wire;
  std::optional<Out> out = std::nullopt;
};

// set(msg, args...) and parse(msg, outs...) wrap a Set and a Parse function.
template <typename In, typename Out, typename Set, typename Parse>
void RunPins(unsigned long pgn, int priority, Set set, Parse parse,
             const std::vector<tPin<In, Out>> &pins) {
  for (size_t r = 0; r < pins.size(); r++) {
    SCOPED_TRACE(testing::Message() << "pin " << r);
    const tPin<In, Out> &pin = pins[r];
    if (pin.in) {
      tN2kMsg m;
      std::apply([&](const auto &...a) { set(m, a...); }, *pin.in);
      ExpectWire(m, pgn, priority, pin.wire);
    }
    Out got{};
    const tN2kMsg received = Msg(pgn, pin.wire);
    ASSERT_TRUE(std::apply([&](auto &...o) { return parse(received, o...); }, got));
    Out want{};
    if constexpr (std::is_same_v<In, Out>) want = pin.out ? *pin.out : *pin.in;
    if constexpr (!std::is_same_v<In, Out>) want = *pin.out;
    ExpectSameTuple(got, want, std::make_index_sequence<std::tuple_size_v<Out>>());
  }
}

#endif
