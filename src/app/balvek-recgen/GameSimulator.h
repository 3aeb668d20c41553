#pragma once
// Plays one four-player game with simple but legal players and writes its
// record text as the service would.
#include <array>
#include <cstdint>
#include <string>

#include "balvek-recgen/Rng.h"

namespace balvek::recgen {

struct PlayerProfile {
  std::string name;  // UTF-8
  int dan = 0;
  double rate = 1500;
  char sx = 'M';
};

struct GameSetup {
  int gameType = 0x00A9;  // hanchan when bit 0x08 is set, else one wind
  int lobby = 0;
  std::array<PlayerProfile, 4> players;
  // 0: the plain root tag; else the root carries this time attribute.
  std::uint64_t rootTime = 0;
};

// The decompressed record text (no trailing zero byte).
std::string SimulateGame(const GameSetup& setup, Rng& rng);

}  // namespace balvek::recgen
