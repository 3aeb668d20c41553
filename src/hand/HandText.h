#pragma once
// Hands written as text: 34 comma-separated counts (kind 0 first), or the
// compact notation "123m456p789s11z" (digits, then their suit: m, p, s the
// number suits 1..9, z the honors 1..7).
#include <optional>
#include <string>
#include <string_view>

#include "hand/Tile.h"

namespace balvek::hand {

struct ParsedHand {
  std::optional<CountVector> counts;
  std::string error;  // why there are no counts
};

// Blanks between the groups of the compact form are allowed.
// Counts above 4 or more than 14 tiles are accepted: they are hands the
// calculator answers for, not text errors. A count must fit in 0..255.
ParsedHand ParseHand(std::string_view text);

}  // namespace balvek::hand
