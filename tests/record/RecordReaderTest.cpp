#include "record/RecordReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/DataError.h"
#include "fakes/RecordingDialogs.h"

namespace balvek::record {
namespace {

using platform::MB_ICONERROR;
using balvek::testing::RecordingDialogs;
using Ints = std::vector<std::int32_t>;
using Doubles = std::vector<double>;

constexpr const char* kHeader = "<mjloggm ver=\"2.3\">";

// A record text in a buffer of exactly its size plus the zero byte, so that
// the sanitizer build catches any read past the zero.
class Text {
 public:
  explicit Text(std::string_view text) : size_(text.size()), bytes_(new char[size_ + 1]) {
    std::memcpy(bytes_.get(), text.data(), size_);
    bytes_[size_] = '\0';
  }
  std::string_view view() const { return {bytes_.get(), size_}; }

 private:
  std::size_t size_;
  std::unique_ptr<char[]> bytes_;
};

// Reads every node of `body` (after a plain header) into one reader.
struct Stream {
  explicit Stream(std::string_view body) : text(std::string(kHeader) + std::string(body)),
                                           reader(text.view()) {
    EXPECT_TRUE(reader.ReadHeader());
  }
  Node Next() { return reader.NextNode(); }
  Registers& reg() { return reader.registers(); }
  Text text;
  RecordReader reader;
};

TEST(RecordReaderTest, HeaderDecidesAndPlacesTheCursor) {
  struct Case {
    const char* text;
    bool accepted;
    const char* first_node;  // text of the first node, or "" at end of stream
  } cases[] = {
      {"<mjloggm ver=\"2.3\"><GO type=\"9\"/>", true, "<GO type=\"9\"/>"},
      {"<mjloggm ver=\"2.3\" time=\"1300000000\"><GO type=\"9\"/>", true, "<GO type=\"9\"/>"},
      {"<mjloggm ver=\"2.3\" time=\"", true, ""},
      {"<mjloggm ver=\"2.3\">", true, ""},
      {"<mjloggm ver=\"2.4\"><GO/>", false, ""},
      {"<mjloggm ver=\"2.3\"", false, ""},
      {"", false, ""},
      {" <mjloggm ver=\"2.3\">", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Text text(c.text);
    RecordReader reader(text.view());
    ASSERT_EQ(reader.ReadHeader(), c.accepted);
    if (!c.accepted) continue;
    const Node node = reader.NextNode();
    EXPECT_EQ(node.text, c.first_node);
    EXPECT_EQ(node.kind, *c.first_node ? Node::kNamed : Node::kEnd);
  }
}

TEST(RecordReaderTest, PlayerNodeValues) {
  Text text(std::string(kHeader) +
            "<GO type=\"169\"/><UN n0=\"%E9%BA%BB\" n1=\"b\" n2=\"\" n3=\"d%20e\" dan=\"1,2,3,4\" "
            "rate=\"1500.5,-1600.9,1700,1800\" sx=\"M,F,C,M\" rc=\"7\"/><UN n0=\"second\"/>");
  RecordReader reader(text.view());
  ASSERT_TRUE(reader.ReadHeader());
  const PlayerValues& p = reader.ReadPlayers();
  EXPECT_EQ(p.names[0], "%E9%BA%BB");
  EXPECT_EQ(p.names[1], "b");
  EXPECT_EQ(p.names[2], "");
  EXPECT_EQ(p.names[3], "d%20e");
  EXPECT_EQ(p.dan, (Ints{1, 2, 3, 4}));
  EXPECT_EQ(p.rate, (Doubles{1500.5, -1600.9, 1700, 1800}));
  EXPECT_EQ(p.sx, "M,F,C,M");
  EXPECT_EQ(p.rc, (Ints{7}));
}

TEST(RecordReaderTest, PlayerNodeAbsentOrUnclosedLeavesEverythingEmpty) {
  for (const char* body : {"<GO type=\"1\"/></mjloggm>", "<UN n0=\"a\" n1=\"b\""}) {
    SCOPED_TRACE(body);
    Text text(std::string(kHeader) + body);
    RecordReader reader(text.view());
    ASSERT_TRUE(reader.ReadHeader());
    const PlayerValues& p = reader.ReadPlayers();
    for (const auto& name : p.names) EXPECT_TRUE(name.empty());
    EXPECT_TRUE(p.sx.empty());
    EXPECT_TRUE(p.dan.empty());
    EXPECT_TRUE(p.rate.empty());
  }
}

TEST(RecordReaderTest, PlayerNodeWithUnknownAttributeFails) {
  RecordingDialogs dialogs;
  Text text(std::string(kHeader) + "<UN n0=\"a\" foo=\"x\" n1=\"b\"/>");
  RecordReader reader(text.view());
  ASSERT_TRUE(reader.ReadHeader());
  EXPECT_THROW(reader.ReadPlayers(), platform::DataError);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "INVALID ATTR UN foo=\"x\" n1=\"b\"/");
  EXPECT_EQ(dialogs.boxes[0].flags, 0u);
  EXPECT_EQ(dialogs.boxes[0].owner, platform::kNoWindow);
  EXPECT_EQ(dialogs.boxes[0].caption, "");
}

TEST(RecordReaderTest, OwariIsTheFirstListAfterTheHeader) {
  struct Case {
    const char* body;
    Doubles owari;
  } cases[] = {
      {"<AGARI sc=\"1\" owari=\"308,10.8,191,-30.9,252,-4.8,249,24.9\" />",
       {308, 10.8, 191, -30.9, 252, -4.8, 249, 24.9}},
      {"<RY owari=\"1,2\"/><RY owari=\"3,4,5\"/>", {1, 2}},
      {"<RY owari=\"\"/>", {}},
      {"<RY/>", {}},
      {"<RY xowari=\"1\"/>", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    Text text(std::string(kHeader) + c.body);
    RecordReader reader(text.view());
    ASSERT_TRUE(reader.ReadHeader());
    EXPECT_EQ(reader.ReadOwari(), c.owari);
  }
}

TEST(RecordReaderTest, NodeKindsAndStreamEnd) {
  Stream s("<T12/><D12/><U0/><E135/><V1/><F2/><W3/><G4/><INIT seed=\"0\"/><N who=\"1\" m=\"3\" />"
           "<TAB/></mjloggm>");
  const char letters[] = "TDUEVFWG";
  const int tiles[] = {12, 12, 0, 135, 1, 2, 3, 4};
  for (int i = 0; i < 8; ++i) {
    const Node node = s.Next();
    EXPECT_EQ(node.kind, Node::kTile);
    EXPECT_EQ(node.letter, letters[i]);
    EXPECT_EQ(node.tile, tiles[i]);
  }
  Node node = s.Next();
  EXPECT_EQ(node.kind, Node::kNamed);
  EXPECT_EQ(std::string(node.name, 2), "IN");
  node = s.Next();
  EXPECT_EQ(std::string(node.name, 2), "N ");
  EXPECT_EQ(node.text, "<N who=\"1\" m=\"3\" />");
  node = s.Next();
  EXPECT_EQ(std::string(node.name, 2), "TA");
  EXPECT_EQ(s.Next().kind, Node::kEnd);
  EXPECT_EQ(s.Next().kind, Node::kEnd);
}

TEST(RecordReaderTest, StreamEndsAtAnythingButANodeStart) {
  for (const char* body : {"<T1/>\n<T2/>", "<T1/> <T2/>", "<T1/>", "<T1/></mjloggm><T2/>",
                           "<T1/>x<T2/>"}) {
    SCOPED_TRACE(body);
    Stream s(body);
    EXPECT_EQ(s.Next().tile, 1);
    EXPECT_EQ(s.Next().kind, Node::kEnd);
  }
}

TEST(RecordReaderTest, ZeroByteEndsTheText) {
  const std::string record = std::string(kHeader) + "<T1/>" + std::string(1, '\0') + "<T2/>";
  Text text(record);
  RecordReader reader(text.view());
  ASSERT_TRUE(reader.ReadHeader());
  EXPECT_EQ(reader.NextNode().tile, 1);
  EXPECT_EQ(reader.NextNode().kind, Node::kEnd);
}

TEST(RecordReaderTest, MalformedNodesShowTheirMessage) {
  const std::string long_node = "<GO" + std::string(4093, 'a') + ">";  // 4097 characters
  struct Case {
    std::string body;
    std::string message;
    std::uint32_t flags;
  } cases[] = {
      {"<T12", "MISSING >\r\n", MB_ICONERROR},
      {"<", "MISSING >\r\n", MB_ICONERROR},
      {"<N>", "q-p=3\r\n<N>\r\n", MB_ICONERROR},
      {"<>", "q-p=2\r\n<>\r\n", MB_ICONERROR},
      {long_node, "q-p=4097\r\n" + long_node + "\r\n", MB_ICONERROR},
      {"<X12/>", "INVALID NODENAME X\r\n", MB_ICONERROR},
      {"<N x=\"1\"/>", "INVALID = *** <N x=\"1\"/>", MB_ICONERROR},
      {"<AGARI zz=\"1\" who=\"0\"/>", "INVALID ATTR t+2 <AGARI zz=\"1\" who=\"0\"/>", 0},
      {"<AGARI who=\"0\" abc=\"1\" sc=\"1\"/>", "INVALID ATTR t+3 abc=\"1\" sc=\"1\"/>", 0},
      {"<AGARI abcd=\"1\"/>", "INVALID ATTR tabcd=\"1\"/>", 0},
      {"<AGARI hai4=\"1\"/>", "INVALID ATTR thai4=\"1\"/>", 0},
      {"<T136/>", "INVALID HAI 136\r\n<T136/>\r\n", MB_ICONERROR},
      {"<D99999999999/>", "INVALID HAI 2147483647\r\n<D99999999999/>\r\n", MB_ICONERROR},
      {"<DORA hai=\"136\" />", "INVALID HAI 136\r\n<DORA hai=\"136\" />\r\n", MB_ICONERROR},
      {"<INIT hai2=\"1,-1\" />", "INVALID HAI -1\r\n<INIT hai2=\"1,-1\" />\r\n", MB_ICONERROR},
      {"<N who=\"4\" />", "INVALID SEAT 4\r\n<N who=\"4\" />\r\n", MB_ICONERROR},
      {"<N who=\"\" />", "INVALID SEAT -14\r\n<N who=\"\" />\r\n", MB_ICONERROR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 40));
    RecordingDialogs dialogs;
    Stream s(c.body);
    EXPECT_THROW(s.Next(), platform::DataError);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, c.message);
    EXPECT_EQ(dialogs.boxes[0].flags, c.flags);
    EXPECT_EQ(dialogs.boxes[0].owner, platform::kNoWindow);
    EXPECT_EQ(dialogs.boxes[0].caption, "");
  }
}

TEST(RecordReaderTest, NodeOfFourAndOf4096CharactersIsRead) {
  const std::string longest = "<GO" + std::string(4092, 'a') + ">";
  Stream s("<GO>" + longest);
  EXPECT_EQ(s.Next().text, "<GO>");
  EXPECT_EQ(s.Next().text.size(), 4096u);
}

TEST(RecordReaderTest, AttributeValuesGoIntoTheirRegisters) {
  Stream s(
      "<AGARI ba=\"1,2\" hai=\"1,2,135\" m=\"-12\" machi=\"5\" ten=\"30,7700,0\" "
      "yaku=\"1,1,7,1\" yakuman=\"37\" doraHai=\"4\" doraHaiUra=\"8,9\" who=\"2\" fromWho=\"3\" "
      "paoWho=\"1\" sc=\"1.5,-2,+3,1e2\" owari=\"1,2\" />"
      "<INIT seed=\"\" hai0=\"1,2,\" hai3=\"x\" step=\"2\" />");
  s.Next();
  const Registers& r = s.reg();
  EXPECT_EQ(r.hai, (Ints{1, 2, 135}));
  EXPECT_EQ(r.m, -12);
  EXPECT_EQ(r.ten, (Ints{30, 7700, 0}));
  EXPECT_EQ(r.yaku, (Ints{1, 1, 7, 1}));
  EXPECT_EQ(r.yakuExtra, (Ints{37}));
  EXPECT_EQ(r.doraHaiUra, (Ints{8, 9}));
  EXPECT_EQ(r.who, 2);
  EXPECT_EQ(r.fromSeat, 3);
  EXPECT_EQ(r.paoSeat, 1);
  EXPECT_EQ(r.sc, (Doubles{1.5, -2, 3, 100}));
  s.Next();
  EXPECT_TRUE(r.seed.empty());
  EXPECT_EQ(r.haiN[0], (Ints{1, 2, 0}));  // the trailing comma reads a final 0
  EXPECT_EQ(r.haiN[3], (Ints{0}));        // no number reads as one 0
  EXPECT_EQ(r.step, 2);
}

TEST(RecordReaderTest, RegistersStartEmptyAndCarryOverBetweenNodes) {
  Stream s("<T1/><INIT ten=\"250,250,250,250\" who=\"1\" /><T2/><AGARI sc=\"1\" /><GO/>");
  const Registers& r = s.reg();
  EXPECT_EQ(r.who, -1);
  EXPECT_EQ(r.fromSeat, -1);
  EXPECT_EQ(r.paoSeat, -1);
  EXPECT_EQ(r.step, 0);
  EXPECT_EQ(r.m, 0);
  EXPECT_EQ(r.type, 0);
  EXPECT_TRUE(r.ten.empty());
  for (int i = 0; i < 4; ++i) s.Next();
  EXPECT_EQ(r.ten, (Ints{250, 250, 250, 250}));
  EXPECT_EQ(r.who, 1);
  EXPECT_EQ(r.sc, (Doubles{1}));
}

TEST(RecordReaderTest, TypeIsANumberOrAFourCharacterKey) {
  const auto key = [](const char* s) {
    return static_cast<std::int32_t>(static_cast<std::uint8_t>(s[0]) |
                                     static_cast<std::uint8_t>(s[1]) << 8 |
                                     static_cast<std::uint8_t>(s[2]) << 16 |
                                     static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3]))
                                         << 24);
  };
  struct Case {
    const char* body;
    std::int32_t type;
    bool is_key;
  } cases[] = {
      {"<GO type=\"169\" lobby=\"0\"/>", 169, false},
      {"<RY type=\"nm\" ba=\"0,0\"/>", key("nm\" "), true},
      {"<RY type=\"nm\"/>", key("nm\"/"), true},
      {"<RY type=\"reach4\" />", key("reac"), true},
      {"<RY type=\"\" />", key("\" />"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    Stream s(c.body);
    s.Next();
    EXPECT_EQ(s.reg().type, c.type);
    EXPECT_EQ(s.reg().typeIsKey, c.is_key);
  }
}

TEST(RecordReaderTest, IgnoredNamesAndSplitValues) {
  // ba, oya, ref, lobby, shuffle names are skipped unread; a space inside a
  // value makes its rest a new attribute name.
  Stream s("<RYUUKYOKU ba=\"x\" oya=\"y\" ref=\"\" lobby=\"1\" shuffle=\"2\" chip=\"3\" "
           "ratingc=\"PF4\" yama=\"1\" shibari=\"0\" owari=\"1\" rate=\"2\" doraHai=\"5\" />"
           "<AGARI ten=\"1 sc=\"2\" />");
  EXPECT_EQ(s.Next().kind, Node::kNamed);
  EXPECT_TRUE(s.reg().sc.empty());
  s.Next();
  EXPECT_EQ(s.reg().ten, (Ints{1}));
  EXPECT_EQ(s.reg().sc, (Doubles{2}));
}

TEST(RecordReaderTest, ValuesCutOffByTheEndOfTheTextStayInside) {
  // Names whose value would start beyond the text; the sanitizer build checks
  // that nothing past the zero byte is read.
  for (const char* body : {"<AG from>", "<AG paoW>", "<AG yaku>", "<AG dora>", "<AG seed>",
                           "<AG type>", "<AG who=>", "<AG sc=>", "<AG m=>", "<AG hai0>",
                           "<AG doraHaiUr=>"}) {
    SCOPED_TRACE(body);
    RecordingDialogs dialogs;
    Stream s(body);
    try {
      s.Next();
    } catch (const platform::DataError&) {
      EXPECT_EQ(dialogs.boxes.size(), 1u);
    }
  }
}

}  // namespace
}  // namespace balvek::record
