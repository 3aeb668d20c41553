#pragma once
// Hands written as lists of kinds, random hands from a shuffled wall, and a
// completeness test by exhaustive cutting that shares nothing with the
// calculator's head rule and greedy cut.
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <numeric>
#include <random>
#include <vector>

#include "hand/Tile.h"

namespace balvek::testing {

inline hand::CountVector FromKinds(std::initializer_list<int> kinds) {
  hand::CountVector counts{};
  for (int k : kinds) ++counts[k];
  return counts;
}

// Slot bytes holding the given kinds, distinct copies of each.
inline hand::Slots SlotsFromKinds(std::initializer_list<int> kinds) {
  hand::Slots slots;
  slots.fill(hand::kNoTile);
  std::array<int, hand::kKinds> used{};
  int i = 0;
  for (int k : kinds) slots[i++] = static_cast<std::uint8_t>(k * 4 + used[k]++);
  return slots;
}

inline std::vector<int> KindsOf(const hand::CountVector& counts) {
  std::vector<int> kinds;
  for (int k = 0; k < hand::kKinds; ++k)
    for (int n = 0; n < counts[k]; ++n) kinds.push_back(k);
  return kinds;
}

inline std::array<std::uint8_t, hand::kTileIds> ShuffledWall(std::mt19937& rng) {
  std::array<std::uint8_t, hand::kTileIds> wall;
  std::iota(wall.begin(), wall.end(), 0);
  std::shuffle(wall.begin(), wall.end(), rng);
  return wall;
}

// `n` tiles from a fresh shuffled wall.
inline hand::CountVector RandomHand(std::mt19937& rng, int n) {
  const auto wall = ShuffledWall(rng);
  hand::CountVector counts{};
  for (int i = 0; i < n; ++i) ++counts[wall[i] / 4];
  return counts;
}

// `n` tiles from a few kinds of one or two suits, so that quads, triplets
// and long runs are common.
inline hand::CountVector CrowdedHand(std::mt19937& rng, int n) {
  hand::CountVector counts{};
  const int first = std::uniform_int_distribution<int>(0, 30)(rng);
  const int width = std::uniform_int_distribution<int>(3, 12)(rng);
  std::uniform_int_distribution<int> pick(first, std::min(first + width, hand::kKinds - 1));
  for (int placed = 0; placed < n;) {
    const int k = pick(rng);
    if (counts[k] < 4) ++counts[k], ++placed;
  }
  return counts;
}

// All tiles cut into sets (triplets, sequences within a suit).
inline bool AllSets(hand::CountVector& c, int k = 0) {
  while (k < hand::kKinds && c[k] == 0) ++k;
  if (k == hand::kKinds) return true;
  if (c[k] >= 3) {
    c[k] -= 3;
    const bool ok = AllSets(c, k);
    c[k] += 3;
    if (ok) return true;
  }
  if (k < hand::kNumberKinds && k % 9 <= 6 && c[k + 1] && c[k + 2]) {
    --c[k], --c[k + 1], --c[k + 2];
    const bool ok = AllSets(c, k);
    ++c[k], ++c[k + 1], ++c[k + 2];
    if (ok) return true;
  }
  return false;
}

// n sets and one pair.
inline bool IsNormalComplete(hand::CountVector c) {
  int total = 0;
  for (auto n : c) total += n;
  if (total % 3 != 2) return false;
  for (int k = 0; k < hand::kKinds; ++k) {
    if (c[k] < 2) continue;
    c[k] -= 2;
    const bool ok = AllSets(c);
    c[k] += 2;
    if (ok) return true;
  }
  return false;
}

inline bool IsSevenPairs(const hand::CountVector& c) {
  int pairs = 0;
  for (auto n : c) {
    if (n != 0 && n != 2) return false;
    pairs += n == 2;
  }
  return pairs == 7;
}

inline bool IsThirteenOrphans(const hand::CountVector& c) {
  int total = 0;
  for (auto n : c) total += n;
  if (total != 14) return false;
  for (auto k : hand::kYaochu)
    if (c[k] == 0) return false;
  int yaochuTiles = 0;
  for (auto k : hand::kYaochu) yaochuTiles += c[k];
  return yaochuTiles == 14;
}

}  // namespace balvek::testing

namespace balvek::testing {

// A random complete hand of `sets` sets and a pair, every count within 4.
inline hand::CountVector RandomCompleteHand(std::mt19937& rng, int sets) {
  for (;;) {
    hand::CountVector c{};
    bool ok = true;
    std::uniform_int_distribution<int> kind(0, hand::kKinds - 1);
    for (int s = 0; s < sets && ok; ++s) {
      const int k = kind(rng);
      if (k < hand::kNumberKinds && k % 9 <= 6 && rng() % 2) {
        ok = c[k] < 4 && c[k + 1] < 4 && c[k + 2] < 4;
        ++c[k], ++c[k + 1], ++c[k + 2];
      } else {
        ok = c[k] <= 1;
        c[k] += 3;
      }
    }
    const int head = kind(rng);
    ok = ok && c[head] <= 2;
    c[head] += 2;
    if (ok) return c;
  }
}

}  // namespace balvek::testing
