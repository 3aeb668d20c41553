#pragma once
// Data errors of a record: the message box first (no owner, default caption),
// then platform::DataError ends the replay of the record.
#include <cstdint>
#include <string>
#include <string_view>

namespace balvek::record {

inline constexpr std::int32_t kMaxTileId = 135;

[[noreturn]] void FailRecord(const std::string& text, std::uint32_t icon);
// A tile id outside 0..135 or a seat outside 0..3 would index past a hand or
// the players, so such records are refused before anything is touched.
[[noreturn]] void FailBadTile(std::int32_t tile, std::string_view node);
[[noreturn]] void FailBadSeat(std::int32_t seat, std::string_view node);

}  // namespace balvek::record
