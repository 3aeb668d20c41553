#pragma once
// Player names, ranks and marks for generated games.
#include <string>
#include <string_view>

#include "balvek-recgen/GameSimulator.h"
#include "balvek-recgen/Rng.h"

namespace balvek::recgen {

// Every byte but ASCII letters and digits as "%" and two upper-case
// hexadecimal digits, as the service writes names.
std::string PercentEncode(std::string_view utf8);

// A player drawn from a fixed pool of names (Japanese ones among them).
PlayerProfile RandomProfile(Rng& rng);

}  // namespace balvek::recgen
