#pragma once
// The calculator as the generator's players use it: on kind counts of the
// concealed tiles, called sets left out.
#include <array>
#include <cstdint>
#include <vector>

namespace balvek::recgen {

using Counts = std::array<std::uint8_t, 34>;

// Shanten number; -1 for a complete 3n+2 hand, 0 for a ready 3n+1 hand.
int Shanten(const Counts& counts);
// The wait kinds of a ready 3n+1 hand, ascending.
std::vector<int> Waits(const Counts& counts);

inline bool IsYaochu(int kind) {
  return kind >= 27 || kind % 9 == 0 || kind % 9 == 8;
}

}  // namespace balvek::recgen
