#include "hand/Syanten.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "hand/CountMasks.h"

namespace balvek::hand {
namespace {

// The start value of the search, and the answer for a hand no game can hold
// (a kind more than four times, more than 14 tiles): such a hand has no
// shanten number, so it reads like one never evaluated.
constexpr int kNoSyanten = 8;
constexpr std::uint32_t kHonorBit = 1u << 27;
constexpr std::uint32_t kNumberMask = kHonorBit - 1;
constexpr int kHonorShift = kNumberKinds;
constexpr std::uint32_t kHonorMask = 0x7F;

// The working state of one shanten calculation, on the stack.
class SyantenCalc {
 public:
  explicit SyantenCalc(std::span<const std::uint8_t, kKinds> counts) {
    std::memcpy(counts_.data(), counts.data(), kKinds);
  }
  int Run(const CountMasks& masks, bool noTile);

 private:
  int SettleIsolated(const CountMasks& masks);
  void Search(int a, int rest);
  void Leaf();
  // No leaf below the current path can end under this value: `rest` more
  // tiles give at most rest/3 sets and lower 8 - 2m - t - p by at most
  // 2*rest/3, and a leaf never ends under 3 - m.
  int LowerBound(int rest) const {
    const int byBlocks = 8 - 2 * mentsu_ - taatsu_ - toitsu_ - 2 * rest / 3;
    const int bySets = 3 - mentsu_ - rest / 3;
    return std::max(byBlocks, bySets);
  }

  CountVector counts_;
  // Number kinds the search visits; counts of these may drop to 0 on a path.
  std::uint32_t searched_ = 0;
  int mentsu_ = 0;
  int taatsu_ = 0;
  int toitsu_ = 0;
  int honorQuads_ = 0;
  std::uint32_t quadMask_ = 0;
  std::uint32_t isolatedMask_ = 0;
  int best_ = kNoSyanten;
};

int SyantenCalc::Run(const CountMasks& masks, bool noTile) {
  if (noTile) toitsu_ = 1;
  const int total = masks.total;
  const int melds = (14 - total) / 3;

  if (total >= 13) {
    const int kinds = CountBits(masks.present);
    const int s7 = 6 - CountBits(masks.pair) + (kinds < 7 ? 7 - kinds : 0);
    const int s13 = 13 - CountBits(masks.present & kYaochuMask) - ((masks.pair & kYaochuMask) ? 1 : 0);
    best_ = std::min({best_, s7, s13});
  }

  // Honors: a lone tile or a fourth copy joins nothing; pairs and triplets
  // are fixed.
  const auto honors = [&](std::uint64_t mask) { return static_cast<std::uint32_t>(mask >> kHonorShift) & kHonorMask; };
  const std::uint32_t quads = honors(masks.quad);
  const std::uint32_t lone = (honors(masks.present) & ~honors(masks.pair)) | quads;
  toitsu_ += CountBits(honors(masks.pair) & ~honors(masks.set));
  mentsu_ += CountBits(honors(masks.set));
  honorQuads_ = CountBits(quads);
  if (honorQuads_ > 0 && total % 3 == 2) --honorQuads_;
  if (lone) {
    isolatedMask_ |= kHonorBit;
    if ((lone & ~quads) == 0) quadMask_ |= kHonorBit;
  }

  quadMask_ |= static_cast<std::uint32_t>(masks.quad) & kNumberMask;
  const int rest = SettleIsolated(masks);
  mentsu_ += melds;
  Search(0, rest);
  return best_;
}

// A number kind with no tiles within two places in its suit has one cut in
// the search whatever the path: a lone tile, a pair, a triplet, or a triplet
// and a lone fourth tile. Settling those kinds first leaves the search only
// the tiles that can combine. Returns how many those are.
int SyantenCalc::SettleIsolated(const CountMasks& masks) {
  const std::uint32_t present = static_cast<std::uint32_t>(masks.present) & kNumberMask;
  const std::uint32_t pair = static_cast<std::uint32_t>(masks.pair);
  const std::uint32_t set = static_cast<std::uint32_t>(masks.set);
  const std::uint32_t quad = static_cast<std::uint32_t>(masks.quad);
  const std::uint32_t isolated = present & ~Neighbours(present);
  toitsu_ += CountBits(isolated & pair & ~set);
  mentsu_ += CountBits(isolated & set);
  isolatedMask_ |= isolated & (~pair | quad);
  searched_ = present & ~isolated;
  return CountBits(searched_) + CountBits(searched_ & pair) + CountBits(searched_ & set) + CountBits(searched_ & quad);
}

void SyantenCalc::Leaf() {
  int f = 8 - 2 * mentsu_ - taatsu_ - toitsu_;
  int blocks = mentsu_ + taatsu_;
  if (toitsu_ > 0) {
    // One pair is the head, the others count as partial sets.
    blocks += toitsu_ - 1;
  } else if (quadMask_ != 0 && isolatedMask_ != 0 && (isolatedMask_ & ~quadMask_) == 0) {
    // The only tiles left for a head are fourth copies: no fifth exists.
    f += 1;
  }
  if (blocks > 4) f += blocks - 4;
  if (f != -1 && f < honorQuads_) f = honorQuads_;
  if (f < best_) best_ = f;
}

// Cuts the number tiles from kind `a` on; `rest` counts the tiles still in
// counts_ at searched kinds >= a. Each cut is undone before the next is
// tried. The order of the cuts does not change the result, only how soon
// the bound prunes: blocks come before lone tiles.
void SyantenCalc::Search(int a, int rest) {
  if (best_ == -1) return;
  std::uint32_t ahead = searched_ & (~0u << a);
  while (ahead != 0 && counts_[std::countr_zero(ahead)] == 0) ahead &= ahead - 1;
  if (ahead == 0) {
    Leaf();
    return;
  }
  if (LowerBound(rest) >= best_) return;
  a = std::countr_zero(ahead);

  std::uint8_t* c = &counts_[a];
  const int pos = kPosition[a];
  const int c0 = c[0];
  const int c1 = pos < 8 ? c[1] : 0;
  const int c2 = pos < 7 ? c[2] : 0;
  const int c3 = pos < 6 ? c[3] : 0;
  const std::uint32_t bit = 1u << a;

  // Set aside: the tile joins no block.
  auto lone = [&](int next, int used) {
    --c[0];
    isolatedMask_ |= bit;
    Search(next, rest - used);
    isolatedMask_ &= ~bit;
    ++c[0];
  };
  auto sequence = [&](int next, int used) {
    --c[0], --c[1], --c[2];
    ++mentsu_;
    Search(next, rest - used);
    --mentsu_;
    ++c[0], ++c[1], ++c[2];
  };
  // A partial set of a and a+d (d = 1 side, d = 2 gap).
  auto partial = [&](int d, int next, int used) {
    --c[0], --c[d];
    ++taatsu_;
    Search(next, rest - used);
    --taatsu_;
    ++c[0], ++c[d];
  };

  switch (c0) {
    case 1:
      if (pos < 6 && c1 == 1 && c2 >= 1 && c3 != 4) {
        sequence(a + 2, 3);
        return;
      }
      if (pos < 7 && c2 >= 1) {
        if (c1 >= 1) sequence(a + 1, 3);
        partial(2, a + 1, 2);
      }
      if (pos < 8 && c1 >= 1) partial(1, a + 1, 2);
      lone(a + 1, 1);
      return;
    case 2:
      c[0] -= 2;
      ++toitsu_;
      Search(a + 1, rest - 2);
      --toitsu_;
      c[0] += 2;
      if (pos < 7 && c1 >= 1 && c2 >= 1) sequence(a, 3);
      return;
    case 3:
      c[0] -= 3;
      ++mentsu_;
      Search(a + 1, rest - 3);
      --mentsu_;
      c[0] += 1;
      ++toitsu_;
      rest -= 2;
      if (pos < 7 && c1 >= 1 && c2 >= 1) {
        sequence(a + 1, 3);
      } else if (pos < 7 && c1 == 0 && c2 >= 1) {
        partial(2, a + 1, 2);
      } else if (pos < 8 && c1 >= 1) {
        partial(1, a + 1, 2);
      }
      rest += 2;
      --toitsu_;
      c[0] += 2;
      if (pos < 7 && c1 >= 2 && c2 >= 2) {
        c[0] -= 2, c[1] -= 2, c[2] -= 2;
        mentsu_ += 2;
        Search(a, rest - 6);
        mentsu_ -= 2;
        c[0] += 2, c[1] += 2, c[2] += 2;
      }
      return;
    case 4:
      c[0] -= 3;
      ++mentsu_;
      rest -= 3;
      if (pos < 7 && c2 >= 1) {
        if (c1 >= 1) sequence(a + 1, 3);
        partial(2, a + 1, 2);
      }
      if (pos < 8 && c1 >= 1) partial(1, a + 1, 2);
      lone(a + 1, 1);
      --mentsu_;
      c[0] += 1;
      ++toitsu_;
      rest += 1;
      // One tile of a stays; moving past a leaves it out.
      if (pos < 7 && c2 >= 1) {
        if (c1 >= 1) sequence(a, 3);
        partial(2, a + 1, 3);
      }
      if (pos < 8 && c1 >= 1) partial(1, a + 1, 3);
      --toitsu_;
      c[0] += 2;
      return;
    default:
      return;
  }
}

int Evaluate(std::span<const std::uint8_t, kKinds> counts, bool noTile) {
  CountMasks masks;
  if (!masks.Read(counts) || masks.total > 14) return kNoSyanten;
  SyantenCalc calc(counts);
  return calc.Run(masks, noTile);
}

}  // namespace

int CalcSyanten(std::span<const std::uint8_t, kSlots> slots) {
  CountVector counts{};
  bool noTile = true;
  for (std::uint8_t slot : slots) {
    if (!IsTile(slot)) continue;
    ++counts[slot / 4];
    noTile = false;
  }
  return Evaluate(counts, noTile);
}

int CalcSyanten(std::span<const std::uint8_t, kKinds> counts) { return Evaluate(counts, false); }

}  // namespace balvek::hand
