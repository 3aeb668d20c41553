#include "balvek-recgen/HandMath.h"

#include "hand/Syanten.h"

namespace balvek::recgen {

int Shanten(const Counts& counts) { return hand::CalcSyanten(std::span<const std::uint8_t, 34>(counts)); }

std::vector<int> Waits(const Counts& counts) {
  const hand::KindList kinds = hand::CalcMachi(counts);
  return {kinds.begin(), kinds.end()};
}

}  // namespace balvek::recgen
