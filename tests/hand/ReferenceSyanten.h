#pragma once
// The shanten search written the plain way: every cut tried, no bound, no
// shortcuts. The real calculator must give the same numbers; benchmarks use
// it as their baseline.
#include <array>
#include <cstdint>

#include "hand/Tile.h"

namespace balvek::testing {

class ReferenceSyanten {
 public:
  // In-domain hands only (counts 0..4, at most 14 tiles).
  static int Calc(const hand::CountVector& input, bool noTile) {
    ReferenceSyanten r;
    return r.Run(input, noTile);
  }

 private:
  int Run(const hand::CountVector& input, bool noTile) {
    counts = input;
    int total = 0;
    for (auto n : counts) total += n;
    if (noTile) toitsu = 1;
    const int melds = (14 - total) / 3;
    if (total >= 13) {
      int pairs = 0, kinds = 0;
      for (auto n : counts) {
        if (n >= 2) ++pairs;
        if (n >= 1) ++kinds;
      }
      const int s7 = 6 - pairs + (kinds < 7 ? 7 - kinds : 0);
      if (s7 < best) best = s7;
      int yk = 0;
      bool two = false;
      for (auto k : hand::kYaochu) {
        if (counts[k] >= 1) ++yk;
        if (counts[k] >= 2) two = true;
      }
      const int s13 = 13 - yk - (two ? 1 : 0);
      if (s13 < best) best = s13;
    }
    unsigned lone = 0, quads = 0;
    for (int i = 0; i < 7; ++i) {
      const int n = counts[27 + i];
      if (n == 1) lone |= 1u << i;
      if (n == 2) ++toitsu;
      if (n == 3) ++mentsu;
      if (n == 4) {
        ++mentsu;
        ++honorQuads;
        quads |= 1u << i;
        lone |= 1u << i;
      }
    }
    if (honorQuads > 0 && total % 3 == 2) --honorQuads;
    if (lone != 0) {
      isolatedMask |= 0x8000000;
      if ((lone & quads) == lone) quadMask |= 0x8000000;
    }
    for (int k = 0; k < 27; ++k)
      if (counts[k] == 4) quadMask |= 1u << k;
    mentsu = static_cast<std::uint8_t>(mentsu + melds);
    Search(0);
    return best;
  }

  void Take(int k, int n) { counts[k] = static_cast<std::uint8_t>(counts[k] - n); }
  void Put(int k, int n) { counts[k] = static_cast<std::uint8_t>(counts[k] + n); }

  template <class Next>
  void Seq(int a, Next next) {
    Take(a, 1), Take(a + 1, 1), Take(a + 2, 1);
    ++mentsu;
    next();
    --mentsu;
    Put(a, 1), Put(a + 1, 1), Put(a + 2, 1);
  }
  template <class Next>
  void Partial(int a, int b, Next next) {
    Take(a, 1), Take(b, 1);
    ++taatsu;
    next();
    --taatsu;
    Put(a, 1), Put(b, 1);
  }
  template <class Next>
  void Pair(int a, Next next) {
    Take(a, 2);
    ++toitsu;
    next();
    --toitsu;
    Put(a, 2);
  }
  template <class Next>
  void Triplet(int a, Next next) {
    Take(a, 3);
    ++mentsu;
    next();
    --mentsu;
    Put(a, 3);
  }
  template <class Next>
  void Lone(int a, Next next) {
    Take(a, 1);
    isolatedMask |= 1u << a;
    next();
    isolatedMask &= ~(1u << a);
    Put(a, 1);
  }

  void Search(int a) {
    if (best == -1) return;
    while (a < 27 && counts[a] == 0) ++a;
    if (a == 27) return Leaf();
    const int pos = a % 9;
    const int c0 = counts[a];
    const int c1 = pos < 8 ? counts[a + 1] : 0;
    const int c2 = pos < 7 ? counts[a + 2] : 0;
    const int c3 = pos < 6 ? counts[a + 3] : 0;
    auto at = [this](int b) { return [this, b] { Search(b); }; };
    if (c0 == 1) {
      if (pos < 6 && c1 == 1 && c2 >= 1 && c3 != 4) return Seq(a, at(a + 2));
      Lone(a, at(a + 1));
      if (pos < 7 && c2 >= 1) {
        if (c1 >= 1) Seq(a, at(a + 1));
        Partial(a, a + 2, at(a + 1));
      }
      if (pos < 8 && c1 >= 1) Partial(a, a + 1, at(a + 1));
    } else if (c0 == 2) {
      Pair(a, at(a + 1));
      if (pos < 7 && c1 >= 1 && c2 >= 1) Seq(a, at(a));
    } else if (c0 == 3) {
      Triplet(a, at(a + 1));
      Pair(a, [&] {
        if (pos < 7 && c1 >= 1 && c2 >= 1)
          Seq(a, at(a + 1));
        else if (pos < 7 && c1 == 0 && c2 >= 1)
          Partial(a, a + 2, at(a + 1));
        else if (pos < 8 && c1 >= 1)
          Partial(a, a + 1, at(a + 1));
      });
      if (pos < 7 && c1 >= 2 && c2 >= 2) Seq(a, [&] { Seq(a, at(a)); });
    } else if (c0 == 4) {
      Triplet(a, [&] {
        if (pos < 7 && c2 >= 1) {
          if (c1 >= 1) Seq(a, at(a + 1));
          Partial(a, a + 2, at(a + 1));
        }
        if (pos < 8 && c1 >= 1) Partial(a, a + 1, at(a + 1));
        Lone(a, at(a + 1));
      });
      Pair(a, [&] {
        if (pos < 7 && c2 >= 1) {
          if (c1 >= 1) Seq(a, at(a));
          Partial(a, a + 2, at(a + 1));
        }
        if (pos < 8 && c1 >= 1) Partial(a, a + 1, at(a + 1));
      });
    }
  }

  void Leaf() {
    int f = 8 - 2 * mentsu - taatsu - toitsu;
    int blocks = mentsu + taatsu;
    if (toitsu > 0)
      blocks += toitsu - 1;
    else if (quadMask != 0 && isolatedMask != 0 && (isolatedMask & quadMask) == isolatedMask)
      f += 1;
    if (blocks > 4) f += blocks - 4;
    if (f != -1 && f < honorQuads) f = honorQuads;
    if (f < best) best = f;
  }

  hand::CountVector counts{};
  std::uint8_t mentsu = 0, taatsu = 0, toitsu = 0, honorQuads = 0;
  std::uint32_t quadMask = 0, isolatedMask = 0;
  int best = 8;
};

}  // namespace balvek::testing
