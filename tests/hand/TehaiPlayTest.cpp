// Thousands of random rounds of draws, discards and calls: after every step
// the hand's numbers must be those of a fresh calculation on its slots,
// except where the fingerprint says the slots are unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "hand/HandTestUtil.h"
#include "hand/NakiCodes.h"
#include "hand/Syanten.h"
#include "hand/Tehai.h"

namespace balvek::hand {
namespace {

class Round {
 public:
  explicit Round(std::mt19937& rng) : rng_(rng), wall_(testing::ShuffledWall(rng)) {}

  void Play() {
    std::array<std::int32_t, 13> haipai;
    for (auto& tile : haipai) tile = Draw();
    tehai_.Reset();
    held_.assign(haipai.begin(), haipai.end());
    tehai_.SetHaipai(haipai);
    tehai_.UpdateSyanten1();
    Evaluated1();
    while (next_ + 2 < kTileIds) {
      if (!Call()) {
        const int tile = DrawIntoHand();
        if (!ConcealedQuad()) Discard(rng_() % 3 == 0 ? tile : PickDiscard());
      }
    }
  }

 private:
  int Draw() { return wall_[next_++]; }

  int DrawIntoHand() {
    const int tile = Draw();
    tehai_.AddHai(tile);
    held_.push_back(tile);
    tehai_.UpdateSyanten2();
    Evaluated2();
    return tile;
  }

  // A tile of `kind` still in the wall, as another player's discard.
  int FromWall(int kind) {
    for (int i = next_; i < kTileIds; ++i) {
      if (wall_[i] / 4 != kind) continue;
      std::swap(wall_[i], wall_[next_]);
      return wall_[next_++];
    }
    return -1;
  }

  std::vector<int> HeldOf(int kind) const {
    std::vector<int> tiles;
    for (int t : held_)
      if (t / 4 == kind) tiles.push_back(t);
    return tiles;
  }

  // A random tile, mostly not of a kind held three times, so that
  // triplets grow into concealed quads now and then.
  int PickDiscard() {
    int tile = held_[rng_() % held_.size()];
    for (int tries = 0; tries < 3 && HeldOf(tile / 4).size() >= 3; ++tries) tile = held_[rng_() % held_.size()];
    return tile;
  }

  void Take(int tile) { held_.erase(std::find(held_.begin(), held_.end(), tile)); }

  void Discard(int tile) {
    tehai_.MarkDahai(tile);
    discarded_[tile / 4] = 1;
    tehai_.RemoveHai(tile);
    Take(tile);
    tehai_.UpdateSyanten1();
    Evaluated1();
  }

  // Sometimes a call on a wall tile: triplet, sequence or open quad.
  bool Call() {
    if (rng_() % 4 != 0 || held_.size() < 4) return false;
    const int kind = held_[rng_() % held_.size()] / 4;
    const std::vector<int> same = HeldOf(kind);
    const int from = 1 + rng_() % 3;
    if (same.size() == 3 && rng_() % 2) {
      const int called = FromWall(kind);
      if (called < 0) return false;
      Apply(testing::MinkanCode(called, from), {same[0], same[1], same[2]});
      Replace();
      return true;
    }
    // Triplets stay concealed half the time, to grow into concealed quads.
    if (same.size() == 2 || (same.size() == 3 && rng_() % 2)) {
      const int called = FromWall(kind);
      if (called < 0) return false;
      std::array<int, 3> tiles = {same[0], same[1], called};
      std::sort(tiles.begin(), tiles.end());
      int unused = 0 + 1 + 2 + 3;
      for (int t : tiles) unused -= t % 4;
      const int index = static_cast<int>(std::find(tiles.begin(), tiles.end(), called) - tiles.begin());
      const std::uint16_t m = testing::PonCode(kind, unused, index, from);
      Apply(m, {same[0], same[1]});
      pons_.push_back(m);
      Discard(PickDiscard());
      return true;
    }
    if (kind < kNumberKinds && kind % 9 <= 6) {
      const std::vector<int> second = HeldOf(kind + 1);
      if (second.empty()) return false;
      const int called = FromWall(kind + 2);
      if (called < 0) return false;
      const std::uint16_t m = testing::ChiCode(kind, same[0] % 4, second[0] % 4, called % 4, 2, from);
      Apply(m, {same[0], second[0]});
      Discard(PickDiscard());
      return true;
    }
    return false;
  }

  // After a draw: a concealed quad, or the fourth tile added to a triplet.
  bool ConcealedQuad() {
    if (rng_() % 2) return false;
    for (std::uint16_t& pon : pons_) {
      const int kind = (pon >> 9) / 3;
      const int added = kind * 4 + ((pon >> 5) & 3);
      if (std::find(held_.begin(), held_.end(), added) == held_.end()) continue;
      const std::uint16_t m = testing::ChakanCode(pon);
      Apply(m, {added});
      pon = m;
      Replace();
      return true;
    }
    for (int kind = 0; kind < kKinds; ++kind) {
      const std::vector<int> same = HeldOf(kind);
      if (same.size() != 4) continue;
      Apply(testing::AnkanCode(same[0]), {same[0], same[1], same[2], same[3]});
      Replace();
      return true;
    }
    return false;
  }

  // The replacement draw after a quad, then a discard.
  void Replace() {
    DrawIntoHand();
    Discard(PickDiscard());
  }

  void Apply(std::uint16_t m, std::initializer_list<int> fromHand) {
    const std::vector<std::uint16_t> before = tehai_.nakiList;
    const Naki naki = tehai_.ApplyNaki(m);
    ++calls_[static_cast<int>(naki.type)];
    for (int tile : fromHand) Take(tile);
    if (naki.type == NakiType::Chi || naki.type == NakiType::Pon)
      Evaluated2();
    else
      Evaluated1();
    if (naki.type != NakiType::Chakan) {
      ASSERT_EQ(tehai_.nakiList.size(), before.size() + 1);
      ASSERT_EQ(tehai_.nakiList.back(), m);
    }
  }

  // The slots hold exactly the tiles in hand, packed at the front.
  void CheckSlots() {
    ASSERT_EQ(tehai_.nHai, static_cast<int>(held_.size()));
    std::vector<int> slots(tehai_.slots.begin(), tehai_.slots.begin() + tehai_.nHai);
    std::vector<int> held = held_;
    std::sort(slots.begin(), slots.end());
    std::sort(held.begin(), held.end());
    ASSERT_EQ(slots, held);
    for (int i = tehai_.nHai; i < kSlots; ++i) ASSERT_EQ(tehai_.slots[i], kNoTile);
  }

  void Evaluated2() {
    CheckSlots();
    ASSERT_EQ(tehai_.syanten2, CalcSyanten(tehai_.slots));
  }

  void Evaluated1() {
    CheckSlots();
    const std::uint32_t now = SlotFingerprint(tehai_.slots);
    if (now != last_.fingerprint) {
      last_.fingerprint = now;
      last_.syanten1 = CalcSyanten(tehai_.slots);
      last_.machi.clear();
      if (last_.syanten1 == 0) {
        ++ready_;
        const KindList waits = CalcMachi(tehai_.Counts());
        last_.machi.assign(waits.begin(), waits.end());
        last_.furiten = std::any_of(waits.begin(), waits.end(), [&](std::uint8_t k) { return discarded_[k]; });
      }
    }
    ASSERT_EQ(tehai_.fingerprint, last_.fingerprint);
    ASSERT_EQ(tehai_.syanten1, last_.syanten1);
    ASSERT_EQ(tehai_.machi, last_.machi);
    ASSERT_EQ(tehai_.furiten, last_.furiten);
  }

 public:
  Tehai tehai_;
  Tehai last_;  // the expected evaluation, kept apart
  std::array<std::uint8_t, kKinds> discarded_{};
  int ready_ = 0;
  std::array<int, 7> calls_{};  // by NakiType

 private:
  std::mt19937& rng_;
  std::array<std::uint8_t, kTileIds> wall_;
  int next_ = 0;
  std::vector<int> held_;
  std::vector<std::uint16_t> pons_;
};

TEST(TehaiPlayTest, EvaluationFollowsEveryStep) {
  std::mt19937 rng(12345);
  int ready = 0;
  std::array<int, 7> calls{};
  for (int round = 0; round < 3000; ++round) {
    Round play(rng);
    play.Play();
    if (HasFatalFailure()) FAIL() << "round " << round;
    ready += play.ready_;
    for (int type = 0; type < 7; ++type) calls[type] += play.calls_[type];
  }
  // The rounds reach ready hands and make calls of every kind often.
  EXPECT_GT(ready, 1000);
  for (NakiType type : {NakiType::Chi, NakiType::Pon, NakiType::Ankan, NakiType::Minkan, NakiType::Chakan})
    EXPECT_GT(calls[static_cast<int>(type)], 50) << static_cast<int>(type);
}

}  // namespace
}  // namespace balvek::hand
