// Shanten numbers of 100,000 random hands drawn from a shuffled wall (fixed
// seed); one evaluation per iteration. The plain search of the tests, run in
// the same process, is the baseline.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "hand/HandTestUtil.h"
#include "hand/ReferenceSyanten.h"
#include "hand/Syanten.h"

namespace {

using balvek::hand::CountVector;
using balvek::hand::Slots;

constexpr int kHands = 100000;

const std::vector<CountVector>& Hands(int tiles) {
  static std::vector<CountVector> hands[15];
  std::vector<CountVector>& list = hands[tiles];
  if (list.empty()) {
    std::mt19937 rng(20240601 + tiles);
    for (int i = 0; i < kHands; ++i) list.push_back(balvek::testing::RandomHand(rng, tiles));
  }
  return list;
}

const std::vector<Slots>& SlotHands(int tiles) {
  static std::vector<Slots> hands[15];
  std::vector<Slots>& list = hands[tiles];
  if (list.empty()) {
    std::mt19937 rng(20240601 + tiles);
    for (int i = 0; i < kHands; ++i) {
      const auto wall = balvek::testing::ShuffledWall(rng);
      Slots slots;
      slots.fill(balvek::hand::kNoTile);
      std::copy_n(wall.begin(), tiles, slots.begin());
      list.push_back(slots);
    }
  }
  return list;
}

void CountForm(benchmark::State& state) {
  const auto& hands = Hands(static_cast<int>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(balvek::hand::CalcSyanten(hands[i]));
    if (++i == hands.size()) i = 0;
  }
}

void SlotForm(benchmark::State& state) {
  const auto& hands = SlotHands(static_cast<int>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(balvek::hand::CalcSyanten(hands[i]));
    if (++i == hands.size()) i = 0;
  }
}

void PlainSearch(benchmark::State& state) {
  const auto& hands = Hands(static_cast<int>(state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(balvek::testing::ReferenceSyanten::Calc(hands[i], false));
    if (++i == hands.size()) i = 0;
  }
}

// Waits of ready 13-tile hands: a complete hand less one tile.
void Machi(benchmark::State& state) {
  static std::vector<CountVector> ready = [] {
    std::mt19937 rng(5);
    std::vector<CountVector> list;
    while (list.size() < 10000) {
      CountVector hand = balvek::testing::RandomCompleteHand(rng, 4);
      const auto kinds = balvek::testing::KindsOf(hand);
      --hand[kinds[rng() % kinds.size()]];
      list.push_back(hand);
    }
    return list;
  }();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(balvek::hand::CalcMachi(ready[i]));
    if (++i == ready.size()) i = 0;
  }
}

BENCHMARK(CountForm)->Arg(14)->Arg(13);
BENCHMARK(SlotForm)->Arg(14)->Arg(13);
BENCHMARK(PlainSearch)->Arg(14)->Arg(13);
BENCHMARK(Machi);

}  // namespace

BENCHMARK_MAIN();
