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

// One evaluation per iteration, cycling through the hands.
template <class Hand, class Evaluate>
void Cycle(benchmark::State& state, const std::vector<Hand>& hands, Evaluate evaluate) {
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(evaluate(hands[i]));
    if (++i == hands.size()) i = 0;
  }
}

void CountForm(benchmark::State& state) {
  Cycle(state, Hands(static_cast<int>(state.range(0))),
        [](const CountVector& hand) { return balvek::hand::CalcSyanten(hand); });
}

void SlotForm(benchmark::State& state) {
  Cycle(state, SlotHands(static_cast<int>(state.range(0))),
        [](const Slots& hand) { return balvek::hand::CalcSyanten(hand); });
}

void PlainSearch(benchmark::State& state) {
  Cycle(state, Hands(static_cast<int>(state.range(0))),
        [](const CountVector& hand) { return balvek::testing::ReferenceSyanten::Calc(hand, false); });
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
  Cycle(state, ready, [](const CountVector& hand) { return balvek::hand::CalcMachi(hand); });
}

BENCHMARK(CountForm)->Arg(14)->Arg(13);
BENCHMARK(SlotForm)->Arg(14)->Arg(13);
BENCHMARK(PlainSearch)->Arg(14)->Arg(13);
BENCHMARK(Machi);

}  // namespace

BENCHMARK_MAIN();
