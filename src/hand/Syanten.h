#pragma once
// The shanten number (-1 complete, 0 ready, 1.. further), the waits of a
// ready hand and the complete-hand test. Tiles not given are taken to be in
// fixed melds. Nothing here allocates.
#include <cstdint>
#include <span>

#include "hand/Tile.h"

namespace balvek::hand {

// Slot form: 14 bytes, tile ids below 136 counted, any other byte no tile.
// No tile at all evaluates to -1.
int CalcSyanten(std::span<const std::uint8_t, kSlots> slots);
// Count form: 34 counts per kind. All zero evaluates to 0.
// A hand no game can hold (a count above 4, or more than 14 tiles) answers 8
// in both forms, the value of a hand never evaluated.
int CalcSyanten(std::span<const std::uint8_t, kKinds> counts);

// The kinds that complete a 3n+1 hand, ascending; never a kind the hand
// already holds four times. None for a hand of another size or no game's.
KindList CalcMachi(const CountVector& counts);

// True when a 3n+2 hand forms n sets and one pair (normal form only); false
// for a hand of another size or no game's.
bool IsAgari(const CountVector& counts);

}  // namespace balvek::hand
