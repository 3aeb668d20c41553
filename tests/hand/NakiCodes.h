#pragma once
// Meld codes built the way the records build them, for tests that make calls.
#include <cstdint>

namespace balvek::testing {

// Triplet of `kind` without copy `unused`; `called` indexes the three tiles
// in ascending order; `from` 1..3.
constexpr std::uint16_t PonCode(int kind, int unused, int called, int from) {
  return static_cast<std::uint16_t>(((kind * 3 + called) << 9) | (unused << 5) | 0x8 | from);
}
// The added quad that extends a triplet code.
constexpr std::uint16_t ChakanCode(std::uint16_t pon) { return static_cast<std::uint16_t>(pon ^ 0x18); }
// Sequence from number kind `first` (position 0..6) with copies c0..c2.
constexpr std::uint16_t ChiCode(int first, int c0, int c1, int c2, int called, int from) {
  const int q = (first / 9) * 7 + first % 9;
  return static_cast<std::uint16_t>(((q * 3 + called) << 10) | (c0 << 3) | (c1 << 5) | (c2 << 7) | 0x4 | from);
}
constexpr std::uint16_t AnkanCode(int tile) { return static_cast<std::uint16_t>(tile << 8); }
constexpr std::uint16_t MinkanCode(int calledTile, int from) {
  return static_cast<std::uint16_t>((calledTile << 8) | from);
}
constexpr std::uint16_t NukiCode(int tile) { return static_cast<std::uint16_t>((tile << 8) | 0x20); }

}  // namespace balvek::testing
