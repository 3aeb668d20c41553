#include "hand/Naki.h"

namespace balvek::hand {
namespace {

constexpr std::uint16_t kSequence = 0x4;
constexpr std::uint16_t kTriplet = 0x8;
constexpr std::uint16_t kAddedQuad = 0x10;
constexpr std::uint16_t kSetAside = 0x20;
// Seven sequence starts per suit in three suits.
constexpr unsigned kSequenceStarts = 21;

// t1..t3: the three other copies of t0's kind, ascending.
Naki Quad(NakiType type, unsigned t0) {
  Naki naki{type, {static_cast<std::uint8_t>(t0), kNoTile, kNoTile, kNoTile}};
  const unsigned first = t0 & ~3u;
  int next = 1;
  for (unsigned id = first; id < first + 4; ++id)
    if (id != t0) naki.t[next++] = static_cast<std::uint8_t>(id);
  return naki;
}

// Three ascending tiles a < b < c; the called one goes first when the tile
// came from another seat.
Naki CalledFirst(NakiType type, unsigned from, unsigned called, unsigned a, unsigned b, unsigned c) {
  auto byte = [](unsigned id) { return static_cast<std::uint8_t>(id); };
  if (from == 0 || called == 0) return {type, {byte(a), byte(b), byte(c), kNoTile}};
  if (called == 1) return {type, {byte(b), byte(a), byte(c), kNoTile}};
  return {type, {byte(c), byte(a), byte(b), kNoTile}};
}

}  // namespace

std::optional<Naki> DecodeNaki(std::uint16_t m) {
  const unsigned from = m & 3;
  if (!(m & kSequence) && !(m & kTriplet) && (m & kAddedQuad)) {
    const unsigned t0 = ((m >> 9) / 3) * 4 + ((m >> 5) & 3);
    return Quad(NakiType::Chakan, t0);
  }
  if (from == 0 && !(m & (kSequence | kTriplet)) && (m & kSetAside))
    return Naki{NakiType::Nuki, {static_cast<std::uint8_t>(m >> 8), kNoTile, kNoTile, kNoTile}};
  if (from == 0 && !(m & (kSequence | kTriplet | kAddedQuad))) return Quad(NakiType::Ankan, m >> 8);
  if (from != 0 && !(m & (kSequence | kTriplet | kAddedQuad | kSetAside))) return Quad(NakiType::Minkan, m >> 8);
  if (!(m & kSequence) && (m & kTriplet)) {
    const unsigned s = m >> 9;
    const unsigned kind = s / 3;
    const unsigned unused = (m >> 5) & 3;
    unsigned tiles[3];
    int n = 0;
    for (unsigned copy = 0; copy < 4; ++copy)
      if (copy != unused) tiles[n++] = kind * 4 + copy;
    return CalledFirst(NakiType::Pon, from, s % 3, tiles[0], tiles[1], tiles[2]);
  }
  if (m & kSequence) {
    const unsigned s = m >> 10;
    const unsigned q = s / 3;
    // Codes past the last sequence start would make a sequence of honors.
    if (q >= kSequenceStarts) return std::nullopt;
    const unsigned k = (q / 7) * 9 + q % 7;
    return CalledFirst(NakiType::Chi, from, s % 3, k * 4 + ((m >> 3) & 3), (k + 1) * 4 + ((m >> 5) & 3),
                       (k + 2) * 4 + ((m >> 7) & 3));
  }
  return std::nullopt;
}

}  // namespace balvek::hand
