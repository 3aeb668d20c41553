#pragma once
// The plain data a replay reads and fills: the record's information and the
// four players. The analyzer's script objects carry these; the replay never
// sees script objects.
#include <cstdint>
#include <string>

namespace balvek::hand {
class Tehai;
}

namespace balvek::record {

struct RecordInfo {
  // The record id, "&tw=" and the seat digit of the record's owner.
  std::u16string name;
  std::int32_t gameType = 0;
  std::int32_t lobby = 0;
};

// One seat. The hand belongs to whoever owns the player (the player's script
// face, or a test) and is reused for every round of every record.
struct Player {
  explicit Player(hand::Tehai& hand) : tehai(hand) {}

  std::u16string name;
  std::int32_t dan = 0;
  std::int32_t rate = 1500;  // the record's rating truncated toward zero
  std::int32_t sx = 'C';     // the mark letter's character code
  std::int32_t ten = 0;      // score in hundreds of points
  hand::Tehai& tehai;
};

}  // namespace balvek::record
