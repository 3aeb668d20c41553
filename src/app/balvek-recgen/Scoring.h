#pragma once
// Points of a win from han and fu, and who pays what, in hundreds of points
// as the records count them.
#include <array>

namespace balvek::recgen {

struct WinValue {
  int han = 0;
  int fu = 30;
  bool yakuman = false;
};

// The record's "ten" triple: fu, points without honba and sticks, limit
// (0 none, 1 mangan, 2 haneman, 3 baiman, 4 sanbaiman, 5 yakuman).
struct WinPoints {
  int fu = 0;
  int points = 0;
  int limit = 0;
};

struct Payment {
  WinPoints points;
  std::array<int, 4> delta{};  // hundreds of points, sums to the sticks taken
};

// winner and loser are seats; loser < 0 for a self-drawn win. The winner also
// takes honba (300 per counter) and the sticks on the table (10 each).
Payment Pay(const WinValue& value, int winner, int loser, int dealer, int honba, int sticks);

// Nagashi mangan: paid like a self-drawn mangan, without honba.
std::array<int, 4> PayNagashi(int winner, int dealer);

// Noten payments of an exhaustive draw: 3000 points split.
std::array<int, 4> PayNoten(const std::array<bool, 4>& tenpai);

}  // namespace balvek::recgen
