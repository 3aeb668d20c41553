#include "hand/Tehai.h"

#include <algorithm>
#include <string>

#include "hand/Syanten.h"
#include "platform/DataError.h"
#include "platform/DebugLog.h"
#include "platform/Dialogs.h"

namespace balvek::hand {
namespace {

constexpr std::uint16_t kTripletToAddedQuad = 0x18;

[[noreturn]] void Fail(const std::string& text, std::uint32_t icon) {
  platform::ThrowDataError(platform::kNoWindow, text, "", icon);
}

// A hand of the wrong size for the update: only a diagnostic line, no box.
[[noreturn]] void FailSyanten(const char* update, std::int32_t nHai) {
  platform::DebugLog("%s nHai=%d\r\n", update, nHai);
  throw platform::DataError(std::string(update) + " nHai=" + std::to_string(nHai));
}

std::uint32_t Word(const Slots& slots, int first, int bytes) {
  std::uint32_t word = 0;
  for (int i = bytes - 1; i >= 0; --i) word = (word << 8) | slots[first + i];
  return word;
}

}  // namespace

std::uint32_t SlotFingerprint(const Slots& slots) {
  return Word(slots, 0, 4) ^ Word(slots, 4, 4) ^ Word(slots, 8, 4) ^ Word(slots, 12, 2);
}

void Tehai::Reset() {
  slots.fill(kNoTile);
  nHai = 0;
  syanten1 = 8;
  syanten2 = 8;
  fingerprint = 0;
  nakiList.clear();
  machi.clear();
  dahaiKinds.fill(0);
  furiten = 0;
}

void Tehai::SetHaipai(std::span<const std::int32_t, 13> values) {
  nHai = 13;
  for (int i = 0; i < 13; ++i) slots[i] = static_cast<std::uint8_t>(values[i]);
  slots[13] = kNoTile;
}

void Tehai::AddHai(std::int32_t tile) {
  if (nHai >= kSlots) Fail("TEHAI FULL", platform::MB_ICONERROR);
  slots[nHai++] = static_cast<std::uint8_t>(tile);
}

void Tehai::RemoveHai(std::int32_t tile) {
  const auto hai = static_cast<std::uint8_t>(tile);
  // The byte 255 marks an empty slot, never a tile of the hand.
  if (hai != kNoTile) {
    if (nHai > 0 && slots[nHai - 1] == hai) {
      slots[nHai - 1] = kNoTile;
      --nHai;
      return;
    }
    const auto hole = std::find(slots.begin(), slots.end(), hai);
    if (hole != slots.end()) {
      const auto end = std::find(hole, slots.end(), kNoTile);
      *hole = *(end - 1);
      *(end - 1) = kNoTile;
      --nHai;
      return;
    }
  }
  Fail("INVALID TEHAI hai136=" + std::to_string(hai), platform::MB_ICONERROR);
}

void Tehai::MarkDahai(std::int32_t tile) {
  const unsigned kind = (tile & 255) / 4;
  if (kind < kKinds) dahaiKinds[kind] = 1;
}

void Tehai::UpdateSyanten1() {
  if (nHai % 3 != 1) FailSyanten("UpdateSyanten1", nHai);
  const std::uint32_t now = SlotFingerprint(slots);
  if (now == fingerprint) return;
  syanten1 = CalcSyanten(slots);
  fingerprint = now;
  machi.clear();
  if (syanten1 != 0) return;
  const KindList waits = CalcMachi(Counts());
  machi.assign(waits.begin(), waits.end());
  furiten = std::any_of(waits.begin(), waits.end(), [this](std::uint8_t kind) { return dahaiKinds[kind] != 0; });
}

void Tehai::UpdateSyanten2() {
  if (nHai % 3 != 2) FailSyanten("UpdateSyanten2", nHai);
  syanten2 = CalcSyanten(slots);
}

Naki Tehai::ApplyNaki(std::uint16_t m) {
  const std::optional<Naki> decoded = DecodeNaki(m);
  if (!decoded) Fail("UNKNOWN NAKI TYPE m=" + std::to_string(m), platform::MB_OK);
  const Naki naki = *decoded;
  switch (naki.type) {
    case NakiType::Chi:
    case NakiType::Pon:
      RemoveHai(naki.t[1]);
      RemoveHai(naki.t[2]);
      UpdateSyanten2();
      break;
    case NakiType::Minkan:
      RemoveHai(naki.t[1]);
      RemoveHai(naki.t[2]);
      RemoveHai(naki.t[3]);
      UpdateSyanten1();
      break;
    case NakiType::Ankan:
      for (std::uint8_t tile : naki.t) RemoveHai(tile);
      UpdateSyanten1();
      break;
    case NakiType::Chakan:
    case NakiType::Nuki:
      RemoveHai(naki.t[0]);
      UpdateSyanten1();
      break;
  }
  if (naki.type == NakiType::Chakan) {
    const auto pon = std::find(nakiList.begin(), nakiList.end(), static_cast<std::uint16_t>(m ^ kTripletToAddedQuad));
    if (pon == nakiList.end()) Fail("TehaiNaki INVALID Chakan", platform::MB_OK);
    *pon = m;
  } else {
    nakiList.push_back(m);
  }
  return naki;
}

CountVector Tehai::Counts() const {
  CountVector counts{};
  for (std::uint8_t slot : slots)
    if (IsTile(slot)) ++counts[slot / 4];
  return counts;
}

void Tehai::Sort() { std::sort(slots.begin(), slots.end()); }

}  // namespace balvek::hand
