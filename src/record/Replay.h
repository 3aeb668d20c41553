#pragma once
// Plays one game record through: players and hands follow every node, and
// each step is reported to the sink.
#include <cstdint>
#include <string_view>

#include "record/Player.h"
#include "record/ReplaySink.h"

namespace balvek::record {

inline constexpr std::int32_t kReplayForeignHeader = 1;
// The record showed a data error's message box (reader, hand or replay
// check); its replay ended there. E_FAIL, so the worker treats it like a
// failing event call.
inline constexpr std::int32_t kReplayDataError = static_cast<std::int32_t>(0x80004005);

// `text` is the decompressed record; the byte after it must be zero.
// Returns 1 when the header is not a record's (no event), 0 when replayed to
// the end or skipped for its owari list, kReplayDataError after a data error,
// else the non-zero status of the event call that stopped it.
std::int32_t Replay(std::string_view text, const RecordInfo& info, const Players& players,
                    ReplaySink& sink);

}  // namespace balvek::record
