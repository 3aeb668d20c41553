// Replays generated games and checks, after every event, that each hand's
// evaluation equals a fresh calculation, and that the games are legal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <bitset>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>

#include "balvek-recgen/Corpus.h"
#include "fakes/RecordingDialogs.h"
#include "fakes/TempDir.h"
#include "hand/Syanten.h"
#include "record/RecordTable.h"

namespace balvek::record {
namespace {

using test::Table;

// Checks every event against the hands and counts what happened.
class LegalitySink : public ReplaySink {
 public:
  explicit LegalitySink(Table& table) : table_(table) {}

  std::int32_t OnLogBegin(const RecordInfo&, const Players&) override { return Checked("LogBegin"); }
  std::int32_t OnSceneBegin(std::span<const std::int32_t, 5> seed,
                            std::span<const std::int32_t> dora) override {
    int sum = 10 * seed[2];
    for (int i = 0; i < 4; ++i) {
      sum += table_.seats[i].ten;
      if (haveScores_) Expect(table_.seats[i].ten == expected_[i], "INIT score carries the last sc");
    }
    Expect(sum == 1000, "scores and sticks add up at INIT");
    Expect(dora.size() == 1 && dora[0] >= 0 && dora[0] < 136, "one dora indicator at INIT");
    seen_.reset();
    for (const hand::Tehai& hand : table_.hands) {
      for (int i = 0; i < hand.nHai; ++i) See(hand.slots[i]);
    }
    See(dora[0]);
    ++count["round"];
    return Checked("SceneBegin");
  }
  std::int32_t OnTsumo(std::int32_t, std::int32_t hai) override {
    See(hai);
    return Checked("Tsumo");
  }
  std::int32_t OnDahai(std::int32_t, std::int32_t hai) override {
    lastDahai_ = hai;
    return Checked("Dahai");
  }
  std::int32_t OnNaki(const NakiEvent& e) override {
    if (e.type == 0) Expect(e.from == 3, "chi only from the player on the left");
    const char* names[] = {"chi", "pon", "nuki", "", "ankan", "minkan", "chakan"};
    ++count[names[e.type]];
    return Checked("Naki");
  }
  std::int32_t OnDora(std::int32_t hai) override {
    See(hai);
    return Checked("Dora");
  }
  std::int32_t OnReach(std::int32_t who) override {
    const hand::Tehai& hand = table_.hands[who];
    Expect(hand.nHai % 3 == 2 && hand.syanten2 <= 0, "reach only when ready");
    Expect(static_cast<std::ptrdiff_t>(hand.nakiList.size()) == std::count_if(hand.nakiList.begin(), hand.nakiList.end(),
                                                 [](std::uint16_t m) { return (m & 0x3F) == 0; }),
           "reach only with a closed hand");
    Expect(table_.seats[who].ten >= 10, "reach only with 1000 points");
    ++count["reach"];
    return Checked("Reach");
  }
  std::int32_t OnAgari(const AgariEvent& e) override {
    const hand::Tehai& hand = table_.hands[e.who];
    if (e.fromSeat == e.who) {
      Expect(hand.nHai % 3 == 2 && hand.syanten2 == -1, "tsumo with a complete hand");
      ++count["tsumo"];
    } else {
      Expect(hand.nHai % 3 == 1 && hand.syanten1 == 0 &&
                 std::count(hand.machi.begin(), hand.machi.end(), lastDahai_ / 4) == 1,
             "ron on a wait");
      ++count[lastWasAgari_ ? "double ron" : "ron"];
    }
    CheckSc(e.sc);
    lastWasAgari_ = true;
    return Checked("Agari");
  }
  std::int32_t OnRyuukyoku(const RyuukyokuEvent& e) override {
    if (e.kind.empty() || e.kind == "nm") {
      for (int i = 0; i < 4; ++i) {
        const hand::Tehai& hand = table_.hands[i];
        Expect(e.tenpai[i] == (hand.syanten1 == 0 && !hand.machi.empty()),
               "exhaustive draw shows the ready hands");
      }
    }
    CheckSc(e.sc);
    ++count["ryuukyoku " + std::string(e.kind.empty() ? "-" : e.kind)];
    return Checked("Ryuukyoku");
  }
  std::int32_t OnSceneEnd() override { return Checked("SceneEnd"); }
  std::int32_t OnLogEnd(std::span<const double> owari) override {
    Expect(owari.size() == 8, "owari of 8 values");
    double scores = 0, points = 0;
    for (std::size_t i = 0; i + 1 < owari.size(); i += 2) scores += owari[i], points += owari[i + 1];
    Expect(scores == 1000 && std::abs(points) < 1e-6, "final scores add up");
    return Checked("LogEnd");
  }

  std::map<std::string, int> count;
  std::vector<std::string> faults;

 private:
  void Expect(bool ok, const char* what) {
    if (!ok && faults.size() < 10) faults.push_back(what);
  }
  void See(int tile) {
    Expect(tile >= 0 && tile < 136 && !seen_[tile], "each tile of the wall once");
    if (tile >= 0 && tile < 136) seen_.set(tile);
  }
  void CheckSc(std::span<const double> sc) {
    Expect(sc.size() == 8, "sc of 8 values");
    for (int i = 0; i < 4 && sc.size() == 8; ++i) {
      Expect(sc[2 * i] == table_.seats[i].ten || lastWasAgari_, "sc starts from the scores");
      expected_[i] = static_cast<int>(sc[2 * i] + sc[2 * i + 1]);
    }
    haveScores_ = true;
  }
  // After every event: each hand's number of its form equals a fresh
  // calculation of its slots, and a ready hand's waits equal fresh waits.
  std::int32_t Checked(const char* event) {
    if (std::string_view(event) != "Agari") lastWasAgari_ = false;
    for (const hand::Tehai& hand : table_.hands) {
      if (hand.nHai == 0) continue;
      const int fresh = hand::CalcSyanten(std::span<const std::uint8_t, 14>(hand.slots));
      if (hand.Syanten() != fresh) {
        if (faults.size() < 10) {
          faults.push_back(std::string("stale shanten after ") + event);
        }
      }
      if (hand.nHai % 3 == 1 && hand.syanten1 == 0) {
        const hand::KindList waits = hand::CalcMachi(hand.Counts());
        Expect(std::equal(waits.begin(), waits.end(), hand.machi.begin(), hand.machi.end()),
               "stale waits");
      }
    }
    ++count["events"];
    return 0;
  }

  Table& table_;
  std::bitset<136> seen_;
  std::array<int, 4> expected_{};
  bool haveScores_ = false;
  bool lastWasAgari_ = false;
  int lastDahai_ = -1;
};

TEST(GeneratedRecordsTest, EveryRecordReplaysLegallyWithFreshEvaluations) {
  recgen::CorpusGenerator generator(20110101);
  Table table;
  balvek::testing::RecordingDialogs dialogs;
  std::map<std::string, int> totals;
  constexpr int kRecords = 150;
  for (int i = 0; i < kRecords; ++i) {
    const recgen::GeneratedRecord record = generator.Next();
    SCOPED_TRACE(record.name);
    LegalitySink sink(table);
    ASSERT_EQ(table.Replay(record.text, sink), 0);
    ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.boxes[0].text;
    EXPECT_THAT(sink.faults, ::testing::IsEmpty());
    for (const auto& [what, n] : sink.count) totals[what] += n;
  }
  // The corpus shows what real games show.
  for (const char* what : {"chi", "pon", "ankan", "minkan", "chakan", "reach", "tsumo", "ron",
                           "double ron", "ryuukyoku -", "ryuukyoku yao9"}) {
    EXPECT_GT(totals[what], 0) << what;
  }
  for (const auto& [what, n] : totals) std::printf("%-16s %d\n", what.c_str(), n);
}

TEST(GeneratedRecordsTest, GenerationIsDeterministicForASeed) {
  recgen::CorpusGenerator a(5), b(5), c(6);
  for (int i = 0; i < 3; ++i) {
    const auto ra = a.Next(), rb = b.Next(), rc = c.Next();
    EXPECT_EQ(ra.name, rb.name);
    EXPECT_EQ(ra.text, rb.text);
    EXPECT_NE(ra.text, rc.text);
  }
}

// YYYYMMDDHHgm-TTTT-LLLL-XXXXXXXX&tw=D: digits, hexadecimal digits, seat 0..3.
bool IsRecordName(const std::string& name) {
  const std::string_view shape = "9999999999gm-ffff-9999-ffffffff&tw=3";
  if (name.size() != shape.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    switch (shape[i]) {
      case '9': if (!std::isdigit(static_cast<unsigned char>(c))) return false; break;
      case 'f': if (!std::isxdigit(static_cast<unsigned char>(c)) || std::isupper(static_cast<unsigned char>(c))) return false; break;
      case '3': if (c < '0' || c > '3') return false; break;
      default: if (c != shape[i]) return false;
    }
  }
  return true;
}

TEST(GeneratedRecordsTest, CorpusFilesHaveRecordNamesInMonthFolders) {
  balvek::testing::TempDir dir;
  const std::vector<std::string> paths = recgen::WriteCorpus(dir.path(), 40, 3);
  ASSERT_EQ(paths.size(), 40u);
  recgen::CorpusGenerator again(3);
  std::set<std::string> months;
  for (const std::string& path : paths) {
    const recgen::GeneratedRecord record = again.Next();
    const std::filesystem::path p(path);
    const std::string stem = p.stem().string();
    ASSERT_TRUE(IsRecordName(stem)) << stem;
    EXPECT_EQ(stem, record.name);
    EXPECT_EQ(p.extension(), ".mjlog");
    EXPECT_EQ(p.parent_path().filename(), stem.substr(0, 6));
    EXPECT_EQ(p.parent_path().parent_path(), std::filesystem::path(dir.path()) / "log");
    EXPECT_EQ(std::stoi(stem.substr(13, 4), nullptr, 16) & 0x10, 0) << "four players";
    months.insert(stem.substr(0, 6));

    gzFile file = gzopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::string text(record.text.size() + 1, '\0');
    const int n = gzread(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
    EXPECT_EQ(n, static_cast<int>(record.text.size()));
    text.resize(static_cast<std::size_t>(std::max(n, 0)));
    EXPECT_EQ(text, record.text);
  }
  EXPECT_GT(months.size(), 1u);
}

}  // namespace
}  // namespace balvek::record

namespace balvek::record {
namespace {

std::string ReadFixture(const std::string& name) {
  const std::string path = std::string(BALVEK_RECORD_FIXTURES) + "/" + name;
  gzFile file = gzopen(path.c_str(), "rb");
  EXPECT_NE(file, nullptr) << path;
  std::string text;
  char block[4096];
  int n;
  while (file && (n = gzread(file, block, sizeof block)) > 0) text.append(block, static_cast<std::size_t>(n));
  if (file) gzclose(file);
  return text;
}

TEST(RecordFixturesTest, GeneratedRecordsReplayLegally) {
  for (const char* name : {"2010100721gm-00e1-0000-8ca62de3&tw=0.mjlog",
                           "2010100906gm-0041-5698-8cf4e6de&tw=2.mjlog"}) {
    SCOPED_TRACE(name);
    Table table;
    balvek::testing::RecordingDialogs dialogs;
    LegalitySink sink(table);
    EXPECT_EQ(table.Replay(ReadFixture(name), sink), 0);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_THAT(sink.faults, ::testing::IsEmpty());
    EXPECT_GT(sink.count["round"], 0);
  }
}

TEST(RecordFixturesTest, MalformedRecords) {
  struct Case {
    const char* file;
    std::int32_t status;
    std::size_t events;
    const char* message;  // nullptr: no message box
  } cases[] = {
      {"malformed-version.mjlog", kReplayForeignHeader, 0, nullptr},
      {"malformed-no-owari.mjlog", 0, 0, nullptr},
      {"malformed-cut-off.mjlog", kReplayDataError, 4, "MISSING >\r\n"},
      {"malformed-tile-id.mjlog", kReplayDataError, 2, "INVALID HAI 136\r\n<T136/>\r\n"},
      {"malformed-node-name.mjlog", kReplayDataError, 3, "INVALID NODENAME <XYZ who=\"1\"/>"},
      {"malformed-discard.mjlog", kReplayDataError, 3, "INVALID TEHAI hai136=5"},
      // The zero byte ends the text: nothing after it is read.
      {"malformed-zero-byte.mjlog", 0, 5, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    Table table;
    balvek::testing::RecordingDialogs dialogs;
    test::EventLog log;
    const std::string text = ReadFixture(c.file);
    EXPECT_EQ(table.Replay(text, log), c.status);
    EXPECT_EQ(log.lines.size(), c.events);
    if (c.message) {
      ASSERT_EQ(dialogs.boxes.size(), 1u);
      EXPECT_EQ(dialogs.boxes[0].text, c.message);
    } else {
      EXPECT_TRUE(dialogs.boxes.empty());
    }
  }
}

}  // namespace
}  // namespace balvek::record
