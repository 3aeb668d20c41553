#pragma once
// Where a replay reports its events. The analyzer's event calls implement it
// (each event becomes one page callback); tests and benchmarks count or check.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "record/Player.h"

namespace balvek::record {

// In callback-table order (the analyzer's slot of an event is its value + 3).
enum class Event : unsigned {
  kLogBegin,
  kSceneBegin,
  kTsumo,
  kDahai,
  kNaki,
  kDora,
  kReach,
  kAgari,
  kRyuukyoku,
  kSceneEnd,
  kLogEnd,
};
inline constexpr unsigned kEventCount = 11;

using EventMask = std::uint32_t;
constexpr EventMask EventBit(Event event) { return EventMask{1} << static_cast<unsigned>(event); }
inline constexpr EventMask kAllEvents = (EventMask{1} << kEventCount) - 1;
// The events raised inside the node stream; without any of them the stream is
// not read at all.
inline constexpr EventMask kStreamEvents =
    kAllEvents & ~EventBit(Event::kLogBegin) & ~EventBit(Event::kLogEnd);

using Players = std::array<Player*, 4>;

struct NakiEvent {
  std::int32_t who;
  std::int32_t m;     // the meld code's low 16 bits
  std::int32_t type;  // NakiType
  std::int32_t from;  // m & 3
  std::array<std::int32_t, 4> hai;  // t0..t3, 255 where not used
};

struct AgariEvent {
  std::int32_t who;
  std::array<std::int32_t, 3> ten;  // 0 where the record has fewer values
  std::span<const std::int32_t> yaku;
  std::span<const std::int32_t> yakuExtra;
  std::span<const std::int32_t> doraHaiUra;
  std::span<const double> sc;
  std::int32_t paoSeat;
  std::int32_t fromSeat;
};

struct RyuukyokuEvent {
  std::string_view kind;  // "nm", "ron3", "kan4", "yao9", "reach4", "kaze4" or empty
  std::span<const double> sc;
  std::array<bool, 4> tenpai;  // hai0..hai3 given and not empty
};

// Every call returns a status; anything but 0 ends the replay at once with
// that status. Lists and spans are valid only during the call.
class ReplaySink {
 public:
  virtual ~ReplaySink() = default;

  // The events wanted; the replay raises no other (an absent one succeeds).
  virtual EventMask Events() const { return kAllEvents; }

  virtual std::int32_t OnLogBegin(const RecordInfo&, const Players&) { return 0; }
  // seed: the first five seed values; dora: the rest (dora indicators).
  virtual std::int32_t OnSceneBegin(std::span<const std::int32_t, 5>,
                                    std::span<const std::int32_t>) {
    return 0;
  }
  virtual std::int32_t OnTsumo(std::int32_t /*who*/, std::int32_t /*hai*/) { return 0; }
  virtual std::int32_t OnDahai(std::int32_t /*who*/, std::int32_t /*hai*/) { return 0; }
  virtual std::int32_t OnNaki(const NakiEvent&) { return 0; }
  virtual std::int32_t OnDora(std::int32_t /*hai*/) { return 0; }
  virtual std::int32_t OnReach(std::int32_t /*who*/) { return 0; }
  virtual std::int32_t OnAgari(const AgariEvent&) { return 0; }
  virtual std::int32_t OnRyuukyoku(const RyuukyokuEvent&) { return 0; }
  virtual std::int32_t OnSceneEnd() { return 0; }
  virtual std::int32_t OnLogEnd(std::span<const double> /*owari*/) { return 0; }
};

}  // namespace balvek::record
