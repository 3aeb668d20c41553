#include "balvek-recgen/Scoring.h"

#include <algorithm>

namespace balvek::recgen {
namespace {

int BasePoints(const WinValue& v, int& limit) {
  if (v.yakuman || v.han >= 13) return limit = 5, 8000;
  if (v.han >= 11) return limit = 4, 6000;
  if (v.han >= 8) return limit = 3, 4000;
  if (v.han >= 6) return limit = 2, 3000;
  const int base = v.fu << (v.han + 2);
  if (v.han >= 5 || base >= 2000) return limit = 1, 2000;
  limit = 0;
  return base;
}

// Points in hundreds, rounded up to whole hundreds.
int Hundreds(int points) { return (points + 99) / 100; }

}  // namespace

Payment Pay(const WinValue& value, int winner, int loser, int dealer, int honba, int sticks) {
  Payment pay;
  const int base = BasePoints(value, pay.points.limit);
  pay.points.fu = value.fu;
  const bool dealer_wins = winner == dealer;
  if (loser >= 0) {
    const int points = Hundreds(base * (dealer_wins ? 6 : 4));
    pay.points.points = points * 100;
    pay.delta[loser] -= points + 3 * honba;
    pay.delta[winner] += points + 3 * honba;
  } else {
    for (int seat = 0; seat < 4; ++seat) {
      if (seat == winner) continue;
      const int share = Hundreds(base * (dealer_wins || seat == dealer ? 2 : 1)) + honba;
      pay.delta[seat] -= share;
      pay.delta[winner] += share;
      pay.points.points += (share - honba) * 100;
    }
  }
  pay.delta[winner] += 10 * sticks;
  return pay;
}

std::array<int, 4> PayNagashi(int winner, int dealer) {
  std::array<int, 4> delta{};
  for (int seat = 0; seat < 4; ++seat) {
    if (seat == winner) continue;
    const int share = winner == dealer || seat == dealer ? 40 : 20;
    delta[seat] -= share;
    delta[winner] += share;
  }
  return delta;
}

std::array<int, 4> PayNoten(const std::array<bool, 4>& tenpai) {
  std::array<int, 4> delta{};
  const int ready = static_cast<int>(std::count(tenpai.begin(), tenpai.end(), true));
  if (ready == 0 || ready == 4) return delta;
  for (int seat = 0; seat < 4; ++seat) {
    delta[seat] = tenpai[seat] ? 30 / ready : -30 / (4 - ready);
  }
  return delta;
}

}  // namespace balvek::recgen
