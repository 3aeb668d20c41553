// The complete-hand test and the waits built on it.
#include <bit>

#include "hand/CountMasks.h"
#include "hand/Syanten.h"

namespace balvek::hand {
namespace {

constexpr int kFirstHonor = kNumberKinds;

// One linear pass over the number kinds, lowest first: a kind's tiles must
// all go into triplets or sequences starting there.
bool GreedyCut(CountVector& c) {
  for (int i = 0; i < kNumberKinds; ++i) {
    const int n = c[i];
    if (n == 0) continue;
    if (kPosition[i] <= 6) {
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
    // A set adds a multiple of 3 to the kind sum and the same amount to the
    // three residue-class sums, so the pair alone decides these mod 3: the
    // head's class is known before any cut.
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

KindList CalcMachi(const CountVector& counts) {
  KindList waits;
  CountMasks masks;
  if (!masks.Read(counts) || masks.total > 14 || masks.total % 3 != 1) return waits;
  // A tile completes a hand only in a block with tiles held: its own kind
  // or one within two places; for 13 tiles also as a thirteen-orphans tile.
  std::uint64_t candidates = masks.present | Neighbours(static_cast<std::uint32_t>(masks.present));
  if (masks.total == 13) candidates |= kYaochuMask;
  candidates &= ~masks.quad;
  CountVector c = counts;
  for (; candidates != 0; candidates &= candidates - 1) {
    const int i = std::countr_zero(candidates);
    ++c[i];
    bool wait = false;
    if (masks.total == 13) {
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

bool IsAgari(const CountVector& counts) {
  CountMasks masks;
  return masks.Read(counts) && masks.total <= 14 && masks.total % 3 == 2 && IsAgariUnchecked(counts);
}

}  // namespace balvek::hand
