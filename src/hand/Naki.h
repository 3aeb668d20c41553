#pragma once
// The 16-bit meld code `m` of the records and its decoding.
#include <array>
#include <cstdint>
#include <optional>

#include "hand/Tile.h"

namespace balvek::hand {

// The numbers are the ones the replay reports.
enum class NakiType : std::int32_t {
  Chi = 0,
  Pon = 1,
  Nuki = 2,
  Ankan = 4,
  Minkan = 5,
  Chakan = 6,
};

struct Naki {
  NakiType type;
  // t0..t3, kNoTile where not used. For Chi and Pon called from another
  // seat t0 is the called tile and t1, t2 come from the hand.
  std::array<std::uint8_t, 4> t;
};

// Nothing for a code that matches no meld type.
std::optional<Naki> DecodeNaki(std::uint16_t m);

}  // namespace balvek::hand
