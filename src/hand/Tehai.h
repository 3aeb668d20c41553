#pragma once
// A player's hand: the concealed tiles, the calls, and the evaluation kept
// after every change (shanten numbers, waits, furiten). Failures show their
// message box and throw platform::DataError, which ends the record's replay.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "hand/Naki.h"
#include "hand/Tile.h"

namespace balvek::hand {

// XOR of the little-endian words of slots 0..3, 4..7, 8..11 and 12..13.
std::uint32_t SlotFingerprint(const Slots& slots);

class Tehai {
 public:
  Tehai() { Reset(); }

  void Reset();
  // The 13 starting tiles (low 8 bits of each value); slot 13 stays empty.
  void SetHaipai(std::span<const std::int32_t, 13> values);
  // A draw. Fails with "TEHAI FULL" on 14 tiles.
  void AddHai(std::int32_t tile);
  // Takes one copy of exactly this tile id (low 8 bits) out; the last tile
  // fills the hole. Fails with "INVALID TEHAI hai136=%d".
  void RemoveHai(std::int32_t tile);
  void MarkDahai(std::int32_t tile);
  // Re-evaluates a 3n+1 hand (syanten1, machi, furiten) unless the slots'
  // fingerprint is unchanged since the last evaluation.
  void UpdateSyanten1();
  // Re-evaluates a 3n+2 hand (syanten2).
  void UpdateSyanten2();
  // Takes the meld's tiles out, re-evaluates, records the code.
  Naki ApplyNaki(std::uint16_t m);
  CountVector Counts() const;
  // Ascending byte order: tiles by id, empty slots last.
  void Sort();
  // syanten1 for 3n+1 tiles, else syanten2.
  std::int32_t Syanten() const { return nHai % 3 == 1 ? syanten1 : syanten2; }

  Slots slots;
  std::int32_t nHai;
  std::int32_t syanten1;
  std::int32_t syanten2;
  std::uint32_t fingerprint;
  std::vector<std::uint16_t> nakiList;
  std::vector<std::uint8_t> machi;
  std::array<std::uint8_t, kKinds> dahaiKinds;
  std::uint8_t furiten;
};

}  // namespace balvek::hand
