#pragma once
// The generator's only source of chance. Its own algorithm (not the standard
// library's distributions, which differ between implementations) keeps a
// corpus the same for a seed on every machine.
#include <cstdint>
#include <utility>

namespace balvek::recgen {

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  // splitmix64
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1 (n > 0).
  std::uint32_t Below(std::uint32_t n) {
    return static_cast<std::uint32_t>(((Next() >> 32) * n) >> 32);
  }
  // True with probability percent / 100.
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }

  template <typename It>
  void Shuffle(It first, It last) {
    for (auto n = last - first; n > 1; --n) {
      std::swap(first[n - 1], first[Below(static_cast<std::uint32_t>(n))]);
    }
  }

 private:
  std::uint64_t state_;
};

}  // namespace balvek::recgen
