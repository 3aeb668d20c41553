#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "hand/HandTestUtil.h"
#include "hand/ReferenceSyanten.h"
#include "hand/Syanten.h"

namespace balvek::hand {
namespace {

using testing::FromKinds;
using testing::KindsOf;
using testing::SlotsFromKinds;

std::vector<int> Waits(const CountVector& counts) {
  const KindList waits = CalcMachi(counts);
  return {waits.begin(), waits.end()};
}

struct HandCase {
  const char* what;
  std::initializer_list<int> kinds;
  int syanten;
  std::vector<int> waits;  // checked for 3n+1 hands
};

TEST(SyantenTest, HandsOfTheRulebook) {
  const std::vector<int> yaochu(kYaochu.begin(), kYaochu.end());
  const HandCase cases[] = {
      {"two pairs of honors wait", {0, 1, 2, 12, 13, 14, 24, 25, 26, 27, 27, 28, 28}, 0, {27, 28}},
      {"thirteen orphans, thirteen waits", {0, 8, 9, 17, 18, 26, 27, 28, 29, 30, 31, 32, 33}, 0, yaochu},
      {"thirteen orphans with a pair", {0, 8, 9, 17, 18, 26, 27, 28, 29, 30, 31, 32, 32}, 0, {33}},
      {"seven pairs", {0, 0, 3, 3, 10, 10, 12, 12, 20, 20, 27, 27, 33}, 0, {33}},
      {"nine gates", {0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 8, 8}, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"quad rule: the lone tile is a fourth copy", {0, 0, 0, 0, 12, 13, 14, 15, 16, 17, 24, 25, 26}, 1, {}},
      {"no wait on a kind held four times", {0, 0, 0, 0, 1, 2, 3}, 0, {3}},
      {"honor-quad floor", {27, 27, 27, 27, 12, 13, 14, 15, 16, 17, 24, 25, 26}, 1, {}},
      {"honor quad with 14 tiles", {27, 27, 27, 27, 12, 13, 14, 15, 16, 17, 24, 25, 26, 22}, 0, {}},
      {"two honor quads", {27, 27, 27, 27, 28, 28, 28, 28, 12, 13, 14, 15, 16, 17}, 1, {}},
      {"one tile, four melds fixed", {5}, 0, {5}},
      {"complete pair, four melds fixed", {5, 5}, -1, {}},
      {"side partial, four melds fixed", {0, 1}, 0, {}},
      {"complete normal form", {0, 1, 2, 12, 13, 14, 24, 25, 26, 27, 27, 27, 28, 28}, -1, {}},
      {"complete seven pairs", {0, 0, 3, 3, 10, 10, 12, 12, 20, 20, 27, 27, 33, 33}, -1, {}},
      {"a quad is one pair for seven pairs", {0, 0, 0, 0, 3, 3, 10, 10, 12, 12, 20, 20, 27}, 2, {}},
  };
  for (const HandCase& c : cases) {
    SCOPED_TRACE(c.what);
    const CountVector counts = FromKinds(c.kinds);
    EXPECT_EQ(CalcSyanten(counts), c.syanten);
    EXPECT_EQ(CalcSyanten(SlotsFromKinds(c.kinds)), c.syanten);
    if (c.kinds.size() % 3 == 1) {
      EXPECT_EQ(Waits(counts), c.waits);
    }
  }
}

TEST(SyantenTest, CompleteTestIsTheNormalFormOnly) {
  EXPECT_TRUE(IsAgari(FromKinds({0, 1, 2, 12, 13, 14, 24, 25, 26, 27, 27, 27, 28, 28})));
  EXPECT_FALSE(IsAgari(FromKinds({0, 0, 3, 3, 10, 10, 12, 12, 20, 20, 27, 27, 33, 33})));
  EXPECT_FALSE(IsAgari(FromKinds({0, 8, 9, 17, 18, 26, 27, 28, 29, 30, 31, 32, 33, 33})));
}

TEST(SyantenTest, WaitsAndCompletenessNeedTheirHandSize) {
  EXPECT_TRUE(CalcMachi(FromKinds({0, 1, 2, 12, 13, 14, 24, 25, 26, 27, 27, 27, 28, 28})).empty());
  EXPECT_TRUE(CalcMachi(FromKinds({0, 1})).empty());
  EXPECT_FALSE(IsAgari(FromKinds({0, 1, 2})));
  EXPECT_FALSE(IsAgari(FromKinds({5})));
}

TEST(SyantenTest, EmptyHandDependsOnTheForm) {
  Slots empty;
  empty.fill(kNoTile);
  EXPECT_EQ(CalcSyanten(empty), -1);
  EXPECT_EQ(CalcSyanten(CountVector{}), 0);
  // Bytes 136..254 are no tiles either.
  Slots junk;
  junk.fill(200);
  EXPECT_EQ(CalcSyanten(junk), -1);
}

TEST(SyantenTest, HandsNoGameCanHoldAnswerEight) {
  Slots sameId;
  sameId.fill(0);
  CountVector five = FromKinds({0, 0, 0, 0, 0, 1, 2});
  CountVector wrapped = FromKinds({3, 4, 5});
  wrapped[27] = 255;  // a count of -1 in its low 8 bits
  CountVector fifteen = FromKinds({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14});
  CountVector full{};
  full.fill(4);
  EXPECT_EQ(CalcSyanten(sameId), 8);
  for (const CountVector& c : {five, wrapped, fifteen, full}) {
    SCOPED_TRACE(::testing::PrintToString(KindsOf(c).size()));
    EXPECT_EQ(CalcSyanten(c), 8);
    EXPECT_TRUE(CalcMachi(c).empty());
    EXPECT_FALSE(IsAgari(c));
  }
  // Even a pair added to five copies of a kind is not complete.
  EXPECT_FALSE(IsAgari(FromKinds({0, 0, 0, 0, 0, 1, 2, 3, 3, 3, 4, 4, 4, 9})));
}

// Both forms against the plain search, over random and crowded hands of
// every size; the crowded ones bring quads and long runs.
TEST(SyantenTest, SameNumbersAsThePlainSearch) {
  std::mt19937 rng(20240601);
  for (int round = 0; round < 4000; ++round) {
    for (int n = 1; n <= 14; ++n) {
      const CountVector hand = round % 2 ? testing::RandomHand(rng, n) : testing::CrowdedHand(rng, n);
      const int expected = testing::ReferenceSyanten::Calc(hand, false);
      ASSERT_EQ(CalcSyanten(hand), expected) << ::testing::PrintToString(KindsOf(hand));
      Slots slots;
      slots.fill(kNoTile);
      std::array<int, kKinds> used{};
      int i = 0;
      for (int k : KindsOf(hand)) slots[i++] = static_cast<std::uint8_t>(k * 4 + used[k]++);
      ASSERT_EQ(CalcSyanten(slots), expected);
    }
  }
}

TEST(SyantenTest, CompleteTestAgreesWithExhaustiveCutting) {
  std::mt19937 rng(7);
  int complete = 0;
  for (int round = 0; round < 20000; ++round) {
    const int sets = round % 5;
    CountVector hand = round % 2 ? testing::RandomCompleteHand(rng, sets) : testing::CrowdedHand(rng, sets * 3 + 2);
    if (round % 4 == 0) {
      // Swap one tile for another kind: near misses.
      const auto kinds = KindsOf(hand);
      const int k = std::uniform_int_distribution<int>(0, kKinds - 1)(rng);
      if (hand[k] < 4) --hand[kinds[rng() % kinds.size()]], ++hand[k];
    }
    const bool expected = testing::IsNormalComplete(hand);
    complete += expected;
    ASSERT_EQ(IsAgari(hand), expected) << ::testing::PrintToString(KindsOf(hand));
  }
  EXPECT_GT(complete, 5000);  // the sample really holds complete hands
}

// A wait is a kind not held four times whose tile completes the hand (the
// seven pairs and thirteen orphans forms only for 13 tiles).
TEST(SyantenTest, WaitsAreTheKindsThatComplete) {
  std::mt19937 rng(99);
  int withWaits = 0;
  for (int round = 0; round < 20000; ++round) {
    const int sets = 1 + round % 4;
    CountVector hand = testing::RandomCompleteHand(rng, sets);
    const auto kinds = KindsOf(hand);
    --hand[kinds[rng() % kinds.size()]];
    if (round % 3 == 0) {
      const int k = std::uniform_int_distribution<int>(0, kKinds - 1)(rng);
      if (hand[k] < 4) --hand[KindsOf(hand)[0]], ++hand[k];
    }
    const int total = sets * 3 + 1;
    std::vector<int> expected;
    for (int k = 0; k < kKinds; ++k) {
      if (hand[k] == 4) continue;
      CountVector more = hand;
      ++more[k];
      if (testing::IsNormalComplete(more) ||
          (total == 13 && (testing::IsSevenPairs(more) || testing::IsThirteenOrphans(more))))
        expected.push_back(k);
    }
    withWaits += !expected.empty();
    ASSERT_EQ(Waits(hand), expected) << ::testing::PrintToString(KindsOf(hand));
  }
  EXPECT_GT(withWaits, 10000);
}

TEST(SyantenTest, SevenPairsAndOrphanWaitsOfThirteenTiles) {
  std::mt19937 rng(3);
  for (int round = 0; round < 2000; ++round) {
    // Six random distinct pairs and a single of a seventh kind.
    std::array<int, kKinds> order;
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    CountVector hand{};
    for (int i = 0; i < 6; ++i) hand[order[i]] = 2;
    hand[order[6]] = 1;
    const std::vector<int> waits = Waits(hand);
    EXPECT_NE(std::find(waits.begin(), waits.end(), order[6]), waits.end());
    EXPECT_EQ(CalcSyanten(hand), 0);
  }
}

}  // namespace
}  // namespace balvek::hand
