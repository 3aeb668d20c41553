#pragma once
// Tile ids 0..135 (four copies per face), kinds 0..33 (0..26 three suits of
// nine, 27..33 honors) and the count vector the calculator works on.
#include <array>
#include <cstddef>
#include <cstdint>

namespace balvek::hand {

inline constexpr std::uint8_t kNoTile = 255;
inline constexpr int kTileIds = 136;
inline constexpr int kKinds = 34;
inline constexpr int kNumberKinds = 27;
inline constexpr int kHonorKinds = 7;
inline constexpr int kSlots = 14;

using Slots = std::array<std::uint8_t, kSlots>;
using CountVector = std::array<std::uint8_t, kKinds>;

// The place of each number kind in its suit, 0..8.
inline constexpr std::array<std::uint8_t, kNumberKinds> kPosition = {0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 2, 3, 4,
                                                                     5, 6, 7, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8};

// The terminal and honor kinds.
inline constexpr std::array<std::uint8_t, 13> kYaochu = {0, 8, 9, 17, 18, 26, 27, 28, 29, 30, 31, 32, 33};

constexpr bool IsTile(std::uint8_t slot) { return slot < kTileIds; }

// A list of distinct kinds in ascending order; fixed capacity, so filling it
// allocates nothing.
class KindList {
 public:
  void push_back(std::uint8_t kind) { kinds_[size_++] = kind; }
  void clear() { size_ = 0; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const std::uint8_t* begin() const { return kinds_.data(); }
  const std::uint8_t* end() const { return kinds_.data() + size_; }
  std::uint8_t operator[](std::size_t i) const { return kinds_[i]; }

 private:
  std::array<std::uint8_t, kKinds> kinds_{};
  std::uint8_t size_ = 0;
};

}  // namespace balvek::hand
