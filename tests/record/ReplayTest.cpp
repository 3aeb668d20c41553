#include "record/Replay.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/RecordingDialogs.h"
#include "hand/Syanten.h"
#include "platform/Dialogs.h"
#include "record/RecordTable.h"

namespace balvek::record {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using balvek::testing::RecordingDialogs;
using test::EventLog;
using test::Table;
using Lines = std::vector<std::string>;

const std::string kHead =
    "<mjloggm ver=\"2.3\"><SHUFFLE seed=\"mt19937ar-sha512-n288-base64,abc+/\" ref=\"\"/>"
    "<GO type=\"9\" lobby=\"0\"/><UN n0=\"%E9%BA%BB\" n1=\"B\" n2=\"C\" n3=\"D\" dan=\"1,2,3,4\" "
    "rate=\"1500.9,-1600.5,1700,1800\" sx=\"M,F,C,M\"/><TAIKYOKU oya=\"0\"/>";
const std::string kOwari = "<BYE owari=\"250,0.5,250,0,250,0,250,-0.5\" />";
const std::string kTail = kOwari + "</mjloggm>";
const std::string kLogEnd = "LogEnd [250,0.5,250,0,250,0,250,-0.5]";
const std::string kLogBegin = "LogBegin 36 77";

// Seat 0 waits on kind 28 (a single tile), seat 1 holds tiles 6 and 7.
const std::string kHai =
    " hai0=\"0,4,8,36,40,44,72,76,80,108,109,110,112\""
    " hai1=\"6,7,48,52,56,84,88,92,120,121,124,128,132\""
    " hai2=\"1,9,13,37,41,45,73,77,81,113,114,116,117\"";
const std::string kHai3 = " hai3=\"2,10,14,18,22,26,30,34,42,50,58,66,70\"";
const std::string kInit =
    "<INIT seed=\"0,0,0,1,2,55\" ten=\"250,250,250,250\" oya=\"0\"" + kHai + kHai3 + "/>";
const std::string kSceneBegin = "SceneBegin [0,0,0,1,2] [55]";

std::string Record(const std::string& body) { return kHead + body + kTail; }

// The hand's number of its current form equals a fresh calculation.
void ExpectFreshSyanten(const hand::Tehai& hand) {
  EXPECT_EQ(hand.Syanten(), hand::CalcSyanten(std::span<const std::uint8_t, 14>(hand.slots)));
}

TEST(ReplayTest, ForeignHeaderRaisesNothingAndLeavesPlayersAlone) {
  Table table;
  table.seats[0].name = u"before";
  EventLog log;
  const std::string text = "<mjloggm ver=\"2.4\">" + kHead.substr(19) + kInit + kTail;
  EXPECT_EQ(table.Replay(text, log), kReplayForeignHeader);
  EXPECT_TRUE(log.lines.empty());
  EXPECT_EQ(table.seats[0].name, u"before");
}

TEST(ReplayTest, PlayersAreSetBeforeTheOwariDecides) {
  for (const std::string& owari : {std::string(), std::string("<BYE owari=\"1,2,3,4,5,6\" />")}) {
    SCOPED_TRACE(owari);
    Table table;
    EventLog log;
    EXPECT_EQ(table.Replay(kHead + kInit + owari + "</mjloggm>", log), 0);
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(table.seats[0].name, u"\u9EBB");
    EXPECT_EQ(table.seats[3].name, u"D");
    const int marks[] = {'M', 'F', 'C', 'M'};
    const int rates[] = {1500, -1600, 1700, 1800};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(table.seats[i].sx, marks[i]);
      EXPECT_EQ(table.seats[i].dan, i + 1);
      EXPECT_EQ(table.seats[i].rate, rates[i]);
    }
  }
}

TEST(ReplayTest, OwariOfSixteenValuesIsReplayed) {
  Table table;
  EventLog log;
  log.mask = EventBit(Event::kLogEnd);
  const std::string owari = "<BYE owari=\"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\" />";
  EXPECT_EQ(table.Replay(kHead + owari + "</mjloggm>", log), 0);
  EXPECT_THAT(log.lines, ElementsAre("LogEnd [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16]"));
}

TEST(ReplayTest, MarksDanAndRateNeedTheirExactCounts) {
  Table table;
  for (Player& p : table.seats) p.dan = 9, p.rate = 1234;
  EventLog log;
  const std::string head =
      "<mjloggm ver=\"2.3\"><UN n0=\"a\" dan=\"1,2,3\" rate=\"1,2,3,4,5\" sx=\"M,F\"/>";
  EXPECT_EQ(table.Replay(head + kTail, log), 0);
  for (const Player& p : table.seats) {
    EXPECT_EQ(p.sx, 'C');
    EXPECT_EQ(p.dan, 9);
    EXPECT_EQ(p.rate, 1234);
  }
  EXPECT_EQ(table.seats[0].name, u"a");
  EXPECT_EQ(table.seats[1].name, u"");

  // Without a player node every name is empty and every mark C.
  table.seats[2].name = u"old";
  table.seats[2].sx = 'M';
  EXPECT_EQ(table.Replay("<mjloggm ver=\"2.3\">" + kTail, log), 0);
  EXPECT_EQ(table.seats[2].name, u"");
  EXPECT_EQ(table.seats[2].sx, 'C');
  EXPECT_EQ(table.seats[2].dan, 9);
}

TEST(ReplayTest, WithoutStreamCallbacksTheStreamIsNotRead) {
  Table table;
  RecordingDialogs dialogs;
  EventLog log;
  log.mask = EventBit(Event::kLogBegin) | EventBit(Event::kLogEnd);
  EXPECT_EQ(table.Replay(Record(kInit + "<XX/><T999/><N who=\"7\"/>"), log), 0);
  EXPECT_THAT(log.lines, ElementsAre(kLogBegin, kLogEnd));
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(ReplayTest, EventOrderAcrossRounds) {
  Table table;
  EventLog log;
  const std::string second =
      "<INIT seed=\"1,1,0,3,4,66,67\" ten=\"240,260,250,250\" oya=\"1\"" + kHai + kHai3 + "/>";
  const std::string body = kInit + "<T3/><D3/><DORA hai=\"57\" /><REACH who=\"1\" step=\"1\"/>" +
                           second + "<U11/><E11/>";
  EXPECT_EQ(table.Replay(Record(body), log), 0);
  EXPECT_THAT(log.lines,
              ElementsAre(kLogBegin, kSceneBegin, "Tsumo 0 3", "Dahai 0 3", "Dora 57", "Reach 1",
                          "SceneEnd", "SceneBegin [1,1,0,3,4] [66,67]", "Tsumo 1 11",
                          "Dahai 1 11", "SceneEnd", kLogEnd));
  EXPECT_EQ(table.seats[1].ten, 260);
}

TEST(ReplayTest, OnlyTheFirstTwoLettersNameANode) {
  Table table;
  EventLog log;
  const std::string body =
      kInit + "<TAB/><DOT hai=\"57\" /><REACHED who=\"2\" step=\"1\"/><UNKNOWN/><GONE/><BYTE/><SHX/>";
  EXPECT_EQ(table.Replay(Record(body), log), 0);
  EXPECT_THAT(log.lines, ElementsAre(kLogBegin, kSceneBegin, "Dora 57", "Reach 2", "SceneEnd", kLogEnd));
}

TEST(ReplayTest, AbsentCallbacksAreSkippedAndTheReplayGoesOn) {
  Table table;
  EventLog log;
  log.mask = kAllEvents & ~EventBit(Event::kTsumo) & ~EventBit(Event::kSceneEnd);
  EXPECT_EQ(table.Replay(Record(kInit + "<T3/><D3/>"), log), 0);
  EXPECT_THAT(log.lines, ElementsAre(kLogBegin, kSceneBegin, "Dahai 0 3", kLogEnd));
}

TEST(ReplayTest, AFailingCallEndsTheReplayAtOnce) {
  const std::string second = "<INIT seed=\"1,0,0,3,4\" ten=\"250,250,250,250\"" + kHai + "/>";
  const std::string text = Record(kInit + "<T3/><D3/>" + second + "<U11/>");
  const Lines all = {kLogBegin, kSceneBegin, "Tsumo 0 3", "Dahai 0 3", "SceneEnd",
                     "SceneBegin [1,0,0,3,4] []", "Tsumo 1 11", "SceneEnd", kLogEnd};
  for (int fail_at = 0; fail_at < static_cast<int>(all.size()); ++fail_at) {
    SCOPED_TRACE(all[fail_at]);
    Table table;
    EventLog log;
    log.failAt = fail_at;
    log.failStatus = 5 + fail_at;
    EXPECT_EQ(table.Replay(text, log), 5 + fail_at);
    EXPECT_THAT(log.lines, ElementsAreArray(all.begin(), all.begin() + fail_at + 1));
  }
}

TEST(ReplayTest, FailingLogBeginWithoutStreamCallbacksSkipsLogEnd) {
  Table table;
  EventLog log;
  log.mask = EventBit(Event::kLogBegin) | EventBit(Event::kLogEnd);
  log.failAt = 0;
  EXPECT_EQ(table.Replay(Record(kInit), log), 5);
  EXPECT_THAT(log.lines, ElementsAre(kLogBegin));
}

TEST(ReplayTest, ANewlineEndsTheStream) {
  Table table;
  EventLog log;
  EXPECT_EQ(table.Replay(Record(kInit + "<T3/>\n<D3/><T7/>"), log), 0);
  EXPECT_THAT(log.lines, ElementsAre(kLogBegin, kSceneBegin, "Tsumo 0 3", "SceneEnd", kLogEnd));
}

TEST(ReplayTest, DiscardingTheDrawnTileKeepsTheEvaluationAndAChangedDiscardIsFuriten) {
  Table table;
  EventLog log;
  // Seat 0 waits on kind 28; it draws and discards 115 (kind 28), then draws
  // tile 12 and discards tile 0, still waiting on 28, now furiten.
  std::string body = kInit + "<T115/><D115/>";
  EXPECT_EQ(table.Replay(Record(body), log), 0);
  const hand::Tehai& hand = table.hand(0);
  EXPECT_EQ(hand.nHai, 13);
  EXPECT_EQ(hand.syanten1, 0);
  EXPECT_THAT(hand.machi, ElementsAre(28));
  EXPECT_EQ(hand.furiten, 0);
  EXPECT_EQ(hand.dahaiKinds[28], 1);

  body += "<T12/><D0/>";
  EXPECT_EQ(table.Replay(Record(body), log), 0);
  EXPECT_EQ(hand.nHai, 13);
  EXPECT_EQ(hand.syanten1, 0);
  EXPECT_THAT(hand.machi, ElementsAre(28));
  EXPECT_EQ(hand.furiten, 1);
  ExpectFreshSyanten(hand);
}

TEST(ReplayTest, PonFromAThirteenTileHand) {
  Table table;
  EventLog log;
  EXPECT_EQ(table.Replay(Record(kInit + "<T5/><D5/><N who=\"1\" m=\"1547\" />"), log), 0);
  EXPECT_EQ(log.lines[4], "Naki 1 1547 1 3 [5,6,7,255]");
  const hand::Tehai& hand = table.hand(1);
  EXPECT_EQ(hand.nHai, 11);
  EXPECT_THAT(hand.nakiList, ElementsAre(1547));
  ExpectFreshSyanten(hand);
}

TEST(ReplayTest, ReachStepTwoCostsTenAndRaisesNothing) {
  Table table;
  EventLog log;
  const std::string body = kInit + "<REACH who=\"1\" step=\"1\"/><REACH who=\"1\" step=\"2\"/>";
  EXPECT_EQ(table.Replay(Record(body), log), 0);
  EXPECT_THAT(log.lines, ElementsAre(kLogBegin, kSceneBegin, "Reach 1", "SceneEnd", kLogEnd));
  EXPECT_EQ(table.seats[1].ten, 240);
  EXPECT_EQ(table.seats[0].ten, 250);
}

TEST(ReplayTest, AgariValuesAndTheRegistersItClears) {
  Table table;
  EventLog log;
  const std::string body =
      kInit +
      "<AGARI yaku=\"1,1\" yakuman=\"37\" doraHaiUra=\"8\" paoWho=\"2\" fromWho=\"1\" who=\"0\" "
      "sc=\"1,2,3,4,5,6,7,8\" /><AGARI who=\"3\" ten=\"30\" sc=\"1.5,-2,0,0,0,0,0,0\" />"
      "<AGARI who=\"2\" ten=\"40,12000,1,9\" sc=\"1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8\" />";
  EXPECT_EQ(table.Replay(Record(body), log), 0);
  EXPECT_THAT(log.lines,
              ElementsAre(kLogBegin, kSceneBegin,
                          "Agari 0 [250,250,250] [1,1] [37] [8] [1,2,3,4,5,6,7,8] 2 1",
                          "Agari 3 [30,0,0] [] [] [] [1.5,-2,0,0,0,0,0,0] -1 1",
                          "Agari 2 [40,12000,1] [] [] [] [1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8] -1 1",
                          "SceneEnd", kLogEnd));
}

TEST(ReplayTest, RyuukyokuKindsAndFlags) {
  struct Case {
    std::string nodes;
    std::string line;
  } cases[] = {
      {"<RYUUKYOKU type=\"nm\" ba=\"0,0\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku 'nm'"},
      {"<RYUUKYOKU sc=\"1,2,3,4,5,6,7,8\" type=\"nm\"/>", "Ryuukyoku ''"},
      {"<RYUUKYOKU type=\"ron3\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku 'ron3'"},
      {"<RYUUKYOKU type=\"kan4\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku 'kan4'"},
      {"<RYUUKYOKU type=\"yao9\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku 'yao9'"},
      {"<RYUUKYOKU type=\"reach4\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku 'reach4'"},
      {"<RYUUKYOKU type=\"kaze4\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku 'kaze4'"},
      {"<RYUUKYOKU type=\"5\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku ''"},
      {"<RYUUKYOKU type=\"abcd\" sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku ''"},
      {"<RYUUKYOKU sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku ''"},
      // A kind from the stream's GO node is a number: none.
      {"<GO type=\"169\"/><RYUUKYOKU sc=\"1,2,3,4,5,6,7,8\" />", "Ryuukyoku ''"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nodes);
    Table table;
    EventLog log;
    log.mask = EventBit(Event::kRyuukyoku);
    // The second draw of the round sees the kind cleared.
    EXPECT_EQ(table.Replay(Record(kInit + c.nodes + "<RYUUKYOKU sc=\"0,0,0,0,0,0,0,-1.5\" />"), log), 0);
    EXPECT_THAT(log.lines, ElementsAre(c.line + " [1,2,3,4,5,6,7,8] 0000",
                                       "Ryuukyoku '' [0,0,0,0,0,0,0,-1.5] 0000"));
  }
  const std::string flags[][2] = {
      {" hai1=\"1,2\" hai3=\"3\"", "0101"},
      {" hai0=\"1\" hai2=\"4\"", "1010"},
      {" hai0=\"\" hai1=\"5\"", "0100"},
  };
  for (const auto& [attributes, expected] : flags) {
    SCOPED_TRACE(attributes);
    Table table;
    EventLog log;
    log.mask = EventBit(Event::kRyuukyoku);
    EXPECT_EQ(table.Replay(Record(kInit + "<RYUUKYOKU sc=\"1,2,3,4,5,6,7,8\"" + attributes + " />"), log), 0);
    EXPECT_THAT(log.lines, ElementsAre("Ryuukyoku '' [1,2,3,4,5,6,7,8] " + expected));
  }
}

TEST(ReplayTest, InitWithoutHai3LeavesSeatThreeEmpty) {
  Table table;
  EventLog log;
  // The previous record left seat 3 with tiles; this INIT resets it.
  EXPECT_EQ(table.Replay(Record(kInit), log), 0);
  EXPECT_EQ(table.hand(3).nHai, 13);
  const std::string init = "<INIT seed=\"0,0,0,1,2\" ten=\"250,250,250,250\"" + kHai + "/>";
  EXPECT_EQ(table.Replay(Record(init), log), 0);
  const hand::Tehai& hand = table.hand(3);
  EXPECT_EQ(hand.nHai, 0);
  EXPECT_EQ(hand.syanten1, 8);
  EXPECT_EQ(hand.syanten2, 8);
}

TEST(ReplayTest, DataErrorsShowTheirMessageAndEndTheRecord) {
  const std::string filetw = "\r\n\r\nfiletw=2011010100gm-0009-0000-1a2b3c4d&tw=2";
  const std::string ten = " ten=\"250,250,250,250\"";
  struct Case {
    std::string body;
    std::string message;
    std::uint32_t flags;
  } cases[] = {
      {"<INIT seed=\"1,2,3,4\"" + ten + kHai + "/>", "INVALID INIT seed=4" + filetw, 0},
      {"<INIT seed=\"1,2,3,4,5\" ten=\"1,2,3\"" + kHai + "/>", "INVALID INIT ten =3" + filetw, 0},
      {"<INIT seed=\"1,2,3,4,5\"" + ten + " hai0=\"1\"/>", "INVALID INIT hai0=1" + filetw, 0},
      {"<INIT seed=\"1,2,3,4,5\"" + ten + kHai + " hai1=\"\"/>", "INVALID INIT hai1=0" + filetw, 0},
      {"<INIT seed=\"1,2,3,4,5\"" + ten + kHai + " hai2=\"1,2\"/>", "INVALID INIT hai2=2" + filetw, 0},
      {kInit + "<DORA />", "INVALID DORA hai=0\r\n", 0},
      {kInit + "<DORA hai=\"1,2\" />", "INVALID DORA hai=2\r\n", 0},
      {kInit + "<REACH who=\"1\" step=\"3\"/>", "INVALID REACH step=3\r\n", 0},
      {kInit + "<AGARI who=\"1\" sc=\"1,2,3,4,5,6,7\" />", "INVALID AGARI sc=7\r\n", 0},
      {kInit + "<AGARI who=\"1\" sc=\"1,2,3,4,5,6,7,8\" doraHaiUra=\"1,2,3,4,5,6,7,8\" />",
       "INVALID AGARI doraHaiUra=8\r\n", 0},
      {kInit + "<RYUUKYOKU sc=\"1,2,3,4,5,6,7,8,1,2,3,4,5,6,7,8\" />", "INVALID RYUUKYOKU sc=16\r\n", 0},
      {kInit + "<FOO/>", "INVALID NODENAME <FOO/>", platform::MB_ICONERROR},
      {kInit + "<N/>", "INVALID NODENAME <N/>", platform::MB_ICONERROR},
      {kInit + "<N m=\"1547\" />", "INVALID SEAT -1\r\n<N m=\"1547\" />\r\n", platform::MB_ICONERROR},
      {kInit + "<REACH step=\"1\"/>", "INVALID SEAT -1\r\n<REACH step=\"1\"/>\r\n",
       platform::MB_ICONERROR},
      // The hand's own failures end the record the same way.
      {kInit + "<D135/>", "INVALID TEHAI hai136=135", platform::MB_ICONERROR},
      {kInit + "<N who=\"1\" m=\"33\" />", "UNKNOWN NAKI TYPE m=33", 0},
      // And the reader's.
      {kInit + "<X12/>", "INVALID NODENAME X\r\n", platform::MB_ICONERROR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    Table table;
    RecordingDialogs dialogs;
    EventLog log;
    EXPECT_EQ(table.Replay(Record(c.body), log), kReplayDataError);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, c.message);
    EXPECT_EQ(dialogs.boxes[0].flags, c.flags);
    EXPECT_EQ(dialogs.boxes[0].owner, platform::kNoWindow);
    EXPECT_EQ(dialogs.boxes[0].caption, "");
    ASSERT_FALSE(log.lines.empty());
    EXPECT_NE(log.lines.back(), "SceneEnd");
    EXPECT_NE(log.lines.back(), kLogEnd);

    // The next record replays normally on the same players.
    EventLog next;
    EXPECT_EQ(table.Replay(Record(kInit + "<T3/><D3/>"), next), 0);
    EXPECT_EQ(next.lines.back(), kLogEnd);
  }
}

TEST(ReplayTest, NodesBeforeTheFirstInitUseTheHandsAsLeft) {
  Table table;
  EventLog log;
  EXPECT_EQ(table.Replay(Record(kInit), log), 0);
  EXPECT_EQ(table.Replay(Record("<T3/>"), log), 0);
  EXPECT_EQ(table.hand(0).nHai, 14);
  EXPECT_EQ(table.seats[0].ten, 250);
}

}  // namespace
}  // namespace balvek::record
