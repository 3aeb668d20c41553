#pragma once
// What the reader keeps of a record: the attribute registers of the node
// stream and the values of the player node.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace balvek::record {

// Attribute values of the node stream. A value stays in force until the same
// attribute occurs again or the replay clears it, so a node sees what earlier
// nodes set (an AGARI without `ten` sees the INIT scores).
struct Registers {
  std::int32_t who = -1;
  std::int32_t fromSeat = -1;
  std::int32_t paoSeat = -1;
  std::int32_t step = 0;
  std::int32_t m = 0;
  // A number, or the value's first four characters packed in text order
  // (first character in the lowest byte) when typeIsKey is set.
  std::int32_t type = 0;
  bool typeIsKey = false;
  std::vector<std::int32_t> seed;
  std::vector<std::int32_t> ten;
  std::vector<std::int32_t> hai;
  std::array<std::vector<std::int32_t>, 4> haiN;  // hai0 .. hai3
  std::vector<std::int32_t> yaku;
  std::vector<std::int32_t> yakuExtra;
  std::vector<std::int32_t> doraHaiUra;
  std::vector<double> sc;
};

// The attributes of the "<UN " node. Names and sx point into the record text
// and are still percent-encoded.
struct PlayerValues {
  std::array<std::string_view, 4> names;
  std::string_view sx;
  std::vector<std::int32_t> dan;
  std::vector<double> rate;
  std::vector<std::int32_t> rc;
};

}  // namespace balvek::record
