#include "hand/Syanten.h"

#include <algorithm>

namespace balvek::hand {
namespace {

// The start value of the search, and the answer for a hand no game can hold
// (a kind more than four times, more than 14 tiles): such a hand has no
// shanten number, so it reads like one never evaluated.
constexpr int kNoSyanten = 8;
constexpr int kFirstHonor = kNumberKinds;
constexpr std::uint32_t kHonorBit = 1u << 27;

constexpr std::array<std::uint8_t, kNumberKinds> kPos = {0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8,
                                                          0, 1, 2, 3, 4, 5, 6, 7, 8};

// The working state of one shanten calculation, on the stack.
class SyantenCalc {
 public:
  int Run(const CountVector& counts, int total, bool noTile);

 private:
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

  // Number kinds only; honors are settled before the search.
  std::array<std::uint8_t, kNumberKinds> counts_{};
  int mentsu_ = 0;
  int taatsu_ = 0;
  int toitsu_ = 0;
  int honorQuads_ = 0;
  std::uint32_t quadMask_ = 0;
  std::uint32_t isolatedMask_ = 0;
  int best_ = kNoSyanten;
};

int SyantenCalc::Run(const CountVector& counts, int total, bool noTile) {
  if (noTile) toitsu_ = 1;
  const int melds = (14 - total) / 3;

  if (total >= 13) {
    int pairs = 0;
    int kinds = 0;
    for (std::uint8_t n : counts) {
      pairs += n >= 2;
      kinds += n >= 1;
    }
    const int s7 = 6 - pairs + (kinds < 7 ? 7 - kinds : 0);
    best_ = std::min(best_, s7);
    int yaochu = 0;
    bool yaochuPair = false;
    for (std::uint8_t kind : kYaochu) {
      yaochu += counts[kind] >= 1;
      yaochuPair |= counts[kind] >= 2;
    }
    best_ = std::min(best_, 13 - yaochu - (yaochuPair ? 1 : 0));
  }

  unsigned lone = 0;
  unsigned quads = 0;
  for (int i = 0; i < kHonorKinds; ++i) {
    switch (counts[kFirstHonor + i]) {
      case 1:
        lone |= 1u << i;
        break;
      case 2:
        ++toitsu_;
        break;
      case 3:
        ++mentsu_;
        break;
      case 4:
        // The fourth tile stays lone: it can join nothing.
        ++mentsu_;
        ++honorQuads_;
        quads |= 1u << i;
        lone |= 1u << i;
        break;
    }
  }
  if (honorQuads_ > 0 && total % 3 == 2) --honorQuads_;
  if (lone) {
    isolatedMask_ |= kHonorBit;
    if ((lone & ~quads) == 0) quadMask_ |= kHonorBit;
  }

  int rest = 0;
  for (int k = 0; k < kNumberKinds; ++k) {
    counts_[k] = counts[k];
    rest += counts[k];
    if (counts[k] == 4) quadMask_ |= 1u << k;
  }
  mentsu_ += melds;
  Search(0, rest);
  return best_;
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
// counts_ at kinds >= a. Each cut is undone before the next is tried.
void SyantenCalc::Search(int a, int rest) {
  if (best_ == -1) return;
  while (a < kNumberKinds && counts_[a] == 0) ++a;
  if (a == kNumberKinds) {
    Leaf();
    return;
  }
  if (LowerBound(rest) >= best_) return;

  std::uint8_t* c = &counts_[a];
  const int pos = kPos[a];
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
      lone(a + 1, 1);
      if (pos < 7 && c2 >= 1) {
        if (c1 >= 1) sequence(a + 1, 3);
        partial(2, a + 1, 2);
      }
      if (pos < 8 && c1 >= 1) partial(1, a + 1, 2);
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

int Evaluate(const CountVector& counts, bool noTile) {
  int total = 0;
  for (std::uint8_t n : counts) {
    if (n > 4) return kNoSyanten;
    total += n;
  }
  if (total > 14) return kNoSyanten;
  SyantenCalc calc;
  return calc.Run(counts, total, noTile);
}

bool InDomain(const CountVector& counts, int remainder) {
  int total = 0;
  for (std::uint8_t n : counts) {
    if (n > 4) return false;
    total += n;
  }
  return total <= 14 && total % 3 == remainder;
}

// One linear pass over the number kinds, lowest first: a kind's tiles must
// all go into triplets or sequences starting there.
bool GreedyCut(CountVector& c) {
  for (int i = 0; i < kNumberKinds; ++i) {
    const int n = c[i];
    if (n == 0) continue;
    if (kPos[i] <= 6) {
      const int run = n == 3 ? 0 : n == 4 ? 1 : n;
      if (c[i + 1] < run || c[i + 2] < run) return false;
      c[i + 1] -= run;
      c[i + 2] -= run;
    } else if (n != 3) {
      return false;
    }
    c[i] = 0;
  }
  return true;
}

bool IsAgariUnchecked(const CountVector& counts) {
  int honorPair = -1;
  for (int k = kFirstHonor; k < kKinds; ++k) {
    const int n = counts[k];
    if (n == 1 || n == 4) return false;
    if (n == 2) {
      if (honorPair >= 0) return false;
      honorPair = k;
    }
  }

  std::array<std::uint8_t, 9> candidates;
  int found = 0;
  if (honorPair >= 0) {
    candidates[found++] = static_cast<std::uint8_t>(honorPair);
  } else {
    // Sets leave the kind sum and the three residue-class sums unchanged
    // mod 3, so the head's class is fixed before any cut.
    int s = 0;
    int m[3] = {0, 0, 0};
    for (int i = 0; i < kNumberKinds; ++i) {
      s += counts[i] * i;
      m[i % 3] += counts[i];
    }
    const int d = (3 - s % 3) % 3;
    const int a = m[0] % 3, b = m[1] % 3, e = m[2] % 3;
    int head;
    bool any;
    if (b == e) {
      head = 0;
      any = (a + 1) % 3 == b;
    } else if (e == a) {
      head = 1;
      any = (b + 1) % 3 == e;
    } else if (a == b) {
      head = 2;
      any = (e + 1) % 3 == a;
    } else {
      return false;
    }
    if (d != head) return false;
    if (any)
      for (int k = head; k < kNumberKinds; k += 3)
        if (counts[k] >= 2) candidates[found++] = static_cast<std::uint8_t>(k);
  }
  while (found > 0) {
    CountVector copy = counts;
    copy[candidates[--found]] -= 2;
    if (GreedyCut(copy)) return true;
  }
  return false;
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

int CalcSyanten(std::span<const std::uint8_t, kKinds> counts) {
  CountVector copy;
  std::copy(counts.begin(), counts.end(), copy.begin());
  return Evaluate(copy, false);
}

KindList CalcMachi(const CountVector& counts) {
  KindList waits;
  if (!InDomain(counts, 1)) return waits;
  int total = 0;
  for (std::uint8_t n : counts) total += n;
  CountVector c = counts;
  for (int i = 0; i < kKinds; ++i) {
    if (c[i] == 4) continue;
    ++c[i];
    bool wait = false;
    if (total == 13) {
      int product = 1;
      for (std::uint8_t kind : kYaochu) product *= c[kind];
      unsigned any = 0;
      for (std::uint8_t n : c) any |= n;
      wait = product == 2 || any == 2;
    }
    if (!wait) wait = IsAgariUnchecked(c);
    --c[i];
    if (wait) waits.push_back(static_cast<std::uint8_t>(i));
  }
  return waits;
}

bool IsAgari(const CountVector& counts) { return InDomain(counts, 2) && IsAgariUnchecked(counts); }

}  // namespace balvek::hand
