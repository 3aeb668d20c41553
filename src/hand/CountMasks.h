#pragma once
// A count vector read eight counts to a word: the total and, for counts
// 0..4, one bit mask per threshold (bit k for kind k). Internal to the
// calculator.
#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>

#include "hand/Tile.h"

namespace balvek::hand {

constexpr std::uint64_t KindMask(std::initializer_list<std::uint8_t> kinds) {
  std::uint64_t mask = 0;
  for (std::uint8_t k : kinds) mask |= std::uint64_t{1} << k;
  return mask;
}
inline constexpr std::uint64_t kYaochuMask = KindMask({0, 8, 9, 17, 18, 26, 27, 28, 29, 30, 31, 32, 33});

// The number kinds one or two places from a kind of `kinds` in its suit.
constexpr std::uint32_t Neighbours(std::uint32_t kinds) {
  constexpr std::uint32_t kPos0 = KindMask({0, 9, 18});
  constexpr std::uint32_t kPos1 = KindMask({1, 10, 19});
  constexpr std::uint32_t kPos7 = KindMask({7, 16, 25});
  constexpr std::uint32_t kPos8 = KindMask({8, 17, 26});
  kinds &= (1u << kNumberKinds) - 1;
  return ((kinds << 1) & ~kPos0) | ((kinds << 2) & ~(kPos0 | kPos1)) | ((kinds >> 1) & ~kPos8) |
         ((kinds >> 2) & ~(kPos7 | kPos8));
}

static_assert(std::endian::native == std::endian::little, "counts are read as little-endian words");

struct CountMasks {
  std::uint64_t present = 0;  // count >= 1
  std::uint64_t pair = 0;     // count >= 2
  std::uint64_t set = 0;      // count >= 3
  std::uint64_t quad = 0;     // count == 4
  int total = 0;

  // False when some count is above 4; the masks are then incomplete.
  bool Read(std::span<const std::uint8_t, kKinds> counts) {
    for (int at = 0; at < 32; at += 8) {
      std::uint64_t word;
      std::memcpy(&word, counts.data() + at, sizeof word);
      if (!Add(word, at)) return false;
    }
    return Add(counts[32] | counts[33] << 8, 32);
  }

 private:
  static constexpr std::uint64_t kLow = 0x0101010101010101;
  static constexpr std::uint64_t kHigh = 0x8080808080808080;

  // Bit 0 of each byte into one bit per byte.
  static std::uint64_t Gather(std::uint64_t bits) { return (bits * 0x0102040810204080) >> 56; }

  bool Add(std::uint64_t word, int at) {
    // A byte of 5..255 has its high bit set itself or after adding 123.
    if (((word + 0x7B7B7B7B7B7B7B7B) | word) & kHigh) return false;
    total += static_cast<int>((word * kLow) >> 56);
    const std::uint64_t half = word >> 1;
    const std::uint64_t quarter = word >> 2;
    present |= Gather((word | half | quarter) & kLow) << at;
    pair |= Gather((half | quarter) & kLow) << at;
    set |= Gather((quarter | (half & word)) & kLow) << at;
    quad |= Gather(quarter & kLow) << at;
    return true;
  }
};

// Bits set in `mask`, inline: the library call the compiler makes for the
// baseline instruction set costs more than this.
constexpr int CountBits(std::uint64_t mask) {
  mask -= (mask >> 1) & 0x5555555555555555;
  mask = (mask & 0x3333333333333333) + ((mask >> 2) & 0x3333333333333333);
  mask = (mask + (mask >> 4)) & 0x0F0F0F0F0F0F0F0F;
  return static_cast<int>((mask * 0x0101010101010101) >> 56);
}

}  // namespace balvek::hand
