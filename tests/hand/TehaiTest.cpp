#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "fakes/RecordingDialogs.h"
#include "hand/HandTestUtil.h"
#include "hand/NakiCodes.h"
#include "hand/Syanten.h"
#include "hand/Tehai.h"
#include "platform/DataError.h"

namespace balvek::hand {
namespace {

using platform::DataError;
using testing::RecordingDialogs;

// Tile ids of the given kinds, copy 0 unless a kind repeats.
std::array<std::int32_t, 13> Haipai(std::initializer_list<int> kinds) {
  const Slots slots = testing::SlotsFromKinds(kinds);
  std::array<std::int32_t, 13> values;
  std::copy_n(slots.begin(), 13, values.begin());
  return values;
}

// Ready on 27 and 28 (pairs of both).
constexpr std::initializer_list<int> kReady = {0, 1, 2, 12, 13, 14, 24, 25, 26, 27, 27, 28, 28};

Tehai ReadyHand() {
  Tehai tehai;
  tehai.SetHaipai(Haipai(kReady));
  tehai.UpdateSyanten1();
  return tehai;
}

TEST(TehaiTest, ResetAndHaipai) {
  Tehai tehai;
  EXPECT_EQ(tehai.nHai, 0);
  EXPECT_EQ(tehai.syanten1, 8);
  EXPECT_EQ(tehai.syanten2, 8);
  EXPECT_EQ(tehai.fingerprint, 0u);
  std::array<std::int32_t, 13> values = Haipai(kReady);
  values[0] = 256 + values[0];  // only the low 8 bits count
  tehai.SetHaipai(values);
  EXPECT_EQ(tehai.nHai, 13);
  EXPECT_EQ(tehai.slots[0], 0);
  EXPECT_EQ(tehai.slots[13], kNoTile);
  tehai.UpdateSyanten1();
  EXPECT_EQ(tehai.syanten1, 0);
  EXPECT_EQ(tehai.machi, (std::vector<std::uint8_t>{27, 28}));
  EXPECT_EQ(tehai.Syanten(), 0);
  tehai.MarkDahai(27 * 4);
  tehai.Reset();
  EXPECT_EQ(tehai.slots, Tehai().slots);
  EXPECT_TRUE(tehai.machi.empty());
  EXPECT_EQ(tehai.dahaiKinds, Tehai().dahaiKinds);
}

TEST(TehaiTest, FingerprintIsTheXorOfTheSlotWords) {
  Slots slots;
  for (int i = 0; i < kSlots; ++i) slots[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(SlotFingerprint(slots), 0x03020100u ^ 0x07060504u ^ 0x0B0A0908u ^ 0x0D0Cu);
}

TEST(TehaiTest, RemovingAnInnerTileMovesTheLastIntoItsPlace) {
  Tehai tehai = ReadyHand();
  const std::uint8_t last = tehai.slots[12];
  tehai.RemoveHai(tehai.slots[2]);
  EXPECT_EQ(tehai.nHai, 12);
  EXPECT_EQ(tehai.slots[2], last);
  EXPECT_EQ(tehai.slots[12], kNoTile);
  // The last tile goes straight.
  const std::uint8_t before = tehai.slots[10];
  tehai.RemoveHai(tehai.slots[11]);
  EXPECT_EQ(tehai.slots[10], before);
  EXPECT_EQ(tehai.slots[11], kNoTile);
}

TEST(TehaiTest, FailuresShowTheirBoxThenThrow) {
  RecordingDialogs dialogs;
  Tehai tehai = ReadyHand();
  const Slots before = tehai.slots;
  struct Case {
    const char* text;
    std::uint32_t flags;
    std::function<void()> action;
  };
  const Case cases[] = {
      {"INVALID TEHAI hai136=3", platform::MB_ICONERROR, [&] { tehai.RemoveHai(3); }},
      // 255 marks an empty slot: it is never a tile to take out.
      {"INVALID TEHAI hai136=255", platform::MB_ICONERROR, [&] { tehai.RemoveHai(255); }},
      {"UNKNOWN NAKI TYPE m=33", platform::MB_OK, [&] { tehai.ApplyNaki(0x21); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    dialogs.boxes.clear();
    EXPECT_THROW(c.action(), DataError);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, c.text);
    EXPECT_EQ(dialogs.boxes[0].caption, "");
    EXPECT_EQ(dialogs.boxes[0].owner, platform::kNoWindow);
    EXPECT_EQ(dialogs.boxes[0].flags, c.flags);
    EXPECT_EQ(tehai.slots, before);
    EXPECT_EQ(tehai.nHai, 13);
  }

  dialogs.boxes.clear();
  Tehai empty;
  EXPECT_THROW(empty.RemoveHai(0), DataError);
  tehai.AddHai(100);
  EXPECT_THROW(tehai.AddHai(101), DataError);
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[0].text, "INVALID TEHAI hai136=0");
  EXPECT_EQ(dialogs.boxes[1].text, "TEHAI FULL");
  EXPECT_EQ(tehai.nHai, 14);

  // The wrong hand size for an update is only a diagnostic line.
  dialogs.boxes.clear();
  EXPECT_THROW(tehai.UpdateSyanten1(), DataError);
  tehai.RemoveHai(100);
  EXPECT_THROW(tehai.UpdateSyanten2(), DataError);
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(TehaiTest, DiscardingTheDrawnTileChangesNothing) {
  Tehai tehai = ReadyHand();
  const std::uint32_t fingerprint = tehai.fingerprint;
  // Draw and discard a third 27: its kind is a wait, yet the slots are as
  // before, so the new discard mark is not looked at.
  tehai.AddHai(27 * 4 + 3);
  tehai.UpdateSyanten2();
  EXPECT_EQ(tehai.syanten2, -1);
  tehai.MarkDahai(27 * 4 + 3);
  tehai.RemoveHai(27 * 4 + 3);
  tehai.UpdateSyanten1();
  EXPECT_EQ(tehai.fingerprint, fingerprint);
  EXPECT_EQ(tehai.furiten, 0);
  EXPECT_EQ(tehai.machi, (std::vector<std::uint8_t>{27, 28}));
}

TEST(TehaiTest, FuritenOnChangeAndKeptWhenNoLongerReady) {
  Tehai tehai = ReadyHand();
  // Draw a 33 and discard a 0: no longer ready.
  tehai.AddHai(33 * 4);
  tehai.UpdateSyanten2();
  tehai.MarkDahai(tehai.slots[0]);
  tehai.RemoveHai(tehai.slots[0]);
  tehai.UpdateSyanten1();
  EXPECT_EQ(tehai.syanten1, 1);
  EXPECT_EQ(tehai.furiten, 0);
  // Draw the 0 back, discard the 33: ready again on 27 and 28, and 27 was
  // discarded earlier in the round.
  tehai.MarkDahai(27 * 4 + 3);
  tehai.AddHai(0 * 4 + 1);
  tehai.UpdateSyanten2();
  tehai.MarkDahai(33 * 4);
  tehai.RemoveHai(33 * 4);
  tehai.UpdateSyanten1();
  EXPECT_EQ(tehai.syanten1, 0);
  EXPECT_EQ(tehai.furiten, 1);
  // Breaking the wait keeps the flag, with no waits.
  tehai.AddHai(32 * 4);
  tehai.UpdateSyanten2();
  tehai.RemoveHai(tehai.slots[1]);
  tehai.UpdateSyanten1();
  EXPECT_GT(tehai.syanten1, 0);
  EXPECT_TRUE(tehai.machi.empty());
  EXPECT_EQ(tehai.furiten, 1);
  tehai.Reset();
  EXPECT_EQ(tehai.furiten, 0);
}

TEST(TehaiTest, MarkDahaiIgnoresBytesThatAreNoTile) {
  Tehai tehai;
  tehai.MarkDahai(200);
  tehai.MarkDahai(255);
  tehai.MarkDahai(256 + 4);  // low 8 bits: kind 1
  std::array<std::uint8_t, kKinds> expected{};
  expected[1] = 1;
  EXPECT_EQ(tehai.dahaiKinds, expected);
}

TEST(TehaiTest, SortOrdersTheBytesAndForcesTheNextEvaluation) {
  Tehai tehai = ReadyHand();
  tehai.RemoveHai(tehai.slots[0]);
  tehai.AddHai(200);  // stored, never counted
  tehai.Sort();
  EXPECT_TRUE(std::is_sorted(tehai.slots.begin(), tehai.slots.end()));
  EXPECT_EQ(tehai.slots[12], 200);
  EXPECT_EQ(tehai.slots[13], kNoTile);
  EXPECT_NE(SlotFingerprint(tehai.slots), tehai.fingerprint);
  tehai.UpdateSyanten1();
  EXPECT_EQ(tehai.fingerprint, SlotFingerprint(tehai.slots));
  EXPECT_EQ(tehai.syanten1, 1);  // twelve counted tiles: a meld missing
}

TEST(TehaiTest, CallsTakeTheirTilesAndRecordTheCode) {
  RecordingDialogs dialogs;
  Tehai tehai;
  // Two 1m (ids 4, 5), 36, 44 for a sequence with a called 40.
  tehai.SetHaipai(std::array<std::int32_t, 13>{4, 5, 36, 44, 60, 64, 68, 80, 84, 88, 120, 124, 128});
  tehai.UpdateSyanten1();

  const std::uint16_t pon = testing::PonCode(1, 3, 2, 3);  // tiles 4, 5, 6; 6 called
  Naki naki = tehai.ApplyNaki(pon);
  EXPECT_EQ(naki.type, NakiType::Pon);
  EXPECT_EQ(naki.t, (std::array<std::uint8_t, 4>{6, 4, 5, 255}));
  EXPECT_EQ(tehai.nHai, 11);
  EXPECT_EQ(tehai.syanten2, CalcSyanten(tehai.slots));
  tehai.RemoveHai(128);
  tehai.UpdateSyanten1();

  naki = tehai.ApplyNaki(22535);  // 36, 40, 44 with 40 called
  EXPECT_EQ(naki.type, NakiType::Chi);
  EXPECT_EQ(tehai.nHai, 8);
  tehai.RemoveHai(124);
  tehai.UpdateSyanten1();

  // The fourth 1m is added to the triplet: its code replaces the triplet's.
  tehai.AddHai(7);
  tehai.UpdateSyanten2();
  naki = tehai.ApplyNaki(testing::ChakanCode(pon));
  EXPECT_EQ(naki.type, NakiType::Chakan);
  EXPECT_EQ(naki.t, (std::array<std::uint8_t, 4>{7, 4, 5, 6}));
  EXPECT_EQ(tehai.nHai, 7);
  EXPECT_EQ(tehai.nakiList, (std::vector<std::uint16_t>{testing::ChakanCode(pon), 22535}));
  EXPECT_TRUE(dialogs.boxes.empty());

  // An added quad without its triplet fails after the tile is gone and the
  // hand re-evaluated; the list stays.
  tehai.AddHai(61);
  tehai.UpdateSyanten2();
  EXPECT_THROW(tehai.ApplyNaki(testing::ChakanCode(testing::PonCode(15, 1, 0, 1))), DataError);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "TehaiNaki INVALID Chakan");
  EXPECT_EQ(dialogs.boxes[0].flags, platform::MB_OK);
  EXPECT_EQ(tehai.nHai, 7);
  EXPECT_NE(std::find(tehai.slots.begin(), tehai.slots.end(), 60), tehai.slots.end());
  EXPECT_EQ(std::find(tehai.slots.begin(), tehai.slots.end(), 61), tehai.slots.end());
  EXPECT_EQ(tehai.fingerprint, SlotFingerprint(tehai.slots));
  EXPECT_EQ(tehai.nakiList.size(), 2u);
}

}  // namespace
}  // namespace balvek::hand
