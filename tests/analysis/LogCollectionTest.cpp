#include "analysis/LogCollection.h"

#include <gtest/gtest.h>

#include "analysis/GzipFiles.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "net/TestHttpServer.h"
#include "platform/Folders.h"
#include "platform/Text.h"

namespace balvek::analysis {
namespace {

using balvek::testing::ReadBytes;
using balvek::testing::ScopedEnv;
using balvek::testing::TempDir;
using balvek::testing::TestHttpServer;
using balvek::testing::WriteBytes;

class RecordingRun : public RunContext {
 public:
  bool goesOn = true;
  std::vector<std::string> statuses, errors;
  bool GoesOn() const override { return goesOn; }
  void Status(const std::string& text) override { statuses.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
};

std::string Name(const char* date, const char* type, int seat = 0, const char* tail = "aaaaaaaa") {
  return std::string(date) + "gm-" + type + "-0000-" + tail + "&tw=" + std::to_string(seat);
}

TEST(GameTypeFilter, MasksMatchAndSkip) {
  struct Case {
    GameTypeFilter filter;
    std::uint32_t type;
    bool passes;
  } cases[] = {
      {{}, 0x0009, true},
      {{0x0001, 0x0001, 0, 0}, 0x0009, true},
      {{0x0001, 0x0001, 0, 0}, 0x0008, false},
      {{0, 0, 0x0008, 0x0008}, 0x0009, false},
      {{0, 0, 0x0008, 0x0008}, 0x0001, true},
      {{0x00ff, 0x0041, 0x0004, 0x0004}, 0x0041, true},
      {{0x00ff, 0x0041, 0x0004, 0x0004}, 0x0045, false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.filter.Passes(c.type), c.passes) << std::hex << c.type;
}

class WalkTest : public ::testing::Test {
 protected:
  WalkTest() : root_(dir_ / "log") {
    for (const char* folder : {"log", "log/a", "log/b", "log/a/deep", "log/a/deep/er"})
      platform::CreateFolder(dir_ / folder);
  }
  void Record(const std::string& folder, const std::string& file, const std::string& bytes = "gz") {
    WriteBytes(dir_ / (folder + "/" + file), bytes);
  }
  // Offers each file to a page that selects every one, and notes the order.
  int Walk(const GameTypeFilter& filter = {}, std::function<bool(const record::RecordInfo&)> select = {}) {
    return WalkRecordFolder(root_, filter, info_, progress_, run_,
                            [&](const record::RecordInfo& info, bool& selected) {
                              offered_.push_back(platform::Utf16ToUtf8(info.name));
                              selected = !select || select(info);
                              return 0;
                            },
                            lists_);
  }

  TempDir dir_;
  std::string root_;
  record::RecordInfo info_;
  Progress progress_;
  RecordingRun run_;
  RecordLists lists_;
  std::vector<std::string> offered_;
};

TEST_F(WalkTest, BreadthFirstFindsEveryRecordFileInAnyCase) {
  Record("log/a/deep/er", Name("2011010300", "0009") + ".mjlog");
  Record("log/a", Name("2011010200", "0009") + ".MJLOG");
  Record("log", Name("2011010100", "0009") + ".mjlog");
  Record("log", "notes.txt");
  Record("log", "noextension");
  Record("log/b", Name("2011010201", "0009") + ".MjLog", "");  // placeholder

  ASSERT_EQ(Walk(), 0);
  ASSERT_EQ(offered_.size(), 4u);
  EXPECT_EQ(offered_[0], Name("2011010100", "0009"));
  EXPECT_EQ(offered_[3], Name("2011010300", "0009"));  // the deepest last
  EXPECT_EQ(progress_.total, 4);
  EXPECT_EQ(progress_.done, 4);
  EXPECT_EQ(lists_.logList.size(), 4u);
  ASSERT_EQ(lists_.downloadList.size(), 1u);
  EXPECT_EQ(lists_.downloadList[0], dir_ / ("log/b/" + Name("2011010201", "0009") + ".MjLog"));
  EXPECT_TRUE(run_.errors.empty());
  EXPECT_EQ(run_.statuses.front(), "Scanning ... log");
  EXPECT_EQ(run_.statuses.size(), 5u);  // one per folder
}

TEST_F(WalkTest, FilterAndAnswerDecideWhatIsListed) {
  Record("log", Name("2011010100", "0011") + ".mjlog", "");
  Record("log", Name("2011010101", "0001") + ".mjlog", "");
  Record("log", Name("2011010102", "0008") + ".mjlog", "");
  const std::string refused = Name("2011010102", "0008");
  ASSERT_EQ(Walk({0, 0, 0x0008, 0x0008}, [&](const record::RecordInfo& info) { return info.gameType != 1; }), 0);
  EXPECT_EQ(progress_.total, 3);  // every record file counts, filtered or not
  EXPECT_EQ(offered_.size(), 2u);
  ASSERT_EQ(lists_.logList.size(), 1u);  // the unselected placeholder is not downloaded
  EXPECT_EQ(lists_.downloadList, std::vector<std::string>{lists_.logList[0].path});
  EXPECT_EQ(std::count(offered_.begin(), offered_.end(), refused), 0);
}

TEST_F(WalkTest, InvalidNameEndsTheRun) {
  Record("log", "abc.mjlog");
  EXPECT_EQ(Walk(), 1);
  EXPECT_EQ(run_.errors, std::vector<std::string>{"INVALID LOG FILENAME\r\nabc.mjlog"});
  EXPECT_TRUE(offered_.empty());
}

TEST_F(WalkTest, AFailingStepOrAStopEndsTheWalkQuietly) {
  for (int i = 0; i < 3; ++i) Record("log", Name("2011010100", "0009", i) + ".mjlog");
  int steps = 0;
  EXPECT_EQ(WalkRecordFolder(root_, {}, info_, progress_, run_,
                             [&](const record::RecordInfo&, bool&) { return ++steps == 2 ? 0x80020009 : 0; },
                             lists_),
            static_cast<int>(0x80020009));
  EXPECT_EQ(steps, 2);

  run_.goesOn = false;
  Record("log/a", "abc.mjlog");  // would be an error, but nobody waits for it any more
  EXPECT_EQ(Walk(), 0);
  EXPECT_TRUE(offered_.empty());
  EXPECT_TRUE(run_.errors.empty());
}

TEST(CheckRecordRoot, NeedsAWritableLogFolder) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path());
  platform::SettingsFile settings(dir / "config.ini");
  platform::CreateFolder(dir / "rec");
  settings.Write("LOG", "PATH", dir / "rec");
  RecordingRun run;
  std::string root;
  EXPECT_EQ(CheckRecordRoot(run, settings, root), 1);
  EXPECT_EQ(run.errors, std::vector<std::string>{kRecordFolderUnusable});
  platform::CreateFolder(dir / "rec/log");
  run.errors.clear();
  EXPECT_EQ(CheckRecordRoot(run, settings, root), 0);
  EXPECT_EQ(root, dir / "rec/log");
  EXPECT_TRUE(run.errors.empty());
}

TEST(SelectCacheKeys, FiltersRecordNamesOnlyAndKeepsKeyOrder) {
  LogAnaCache cache("/nonexistent/00.dat");
  const std::u16string seat0 = platform::Utf8ToUtf16(Name("2011010100", "0009", 0));
  const std::u16string lobby = u"2011010100gm-0009-1234-aaaaaaaa&tw=1";
  const std::u16string skipped = platform::Utf8ToUtf16(Name("2011010100", "0008", 2));
  const std::u16string no_seat = u"2011010100gm-0008-0000-aaaaaaaa&tw=9";  // a name length, not a name
  cache.Set(seat0, u"v", u"alice");
  cache.Set(lobby, u"v", u"bob");
  cache.Set(skipped, u"v", u"alice");
  cache.Set(no_seat, u"v", u"alice");
  cache.Set(u"abc", u"v", std::nullopt);
  cache.Set(u".transient", u"v", std::nullopt);

  struct Case {
    CacheFilter filter;
    std::vector<std::u16string> keys;
  } cases[] = {
      {{}, {u".transient", skipped, no_seat, seat0, lobby, u"abc"}},
      {{u"alice", -1, {}}, {skipped, no_seat, seat0}},
      {{u"", 1234, {}}, {u".transient", no_seat, lobby, u"abc"}},
      {{u"", -1, {0x0001, 0x0001, 0, 0}}, {u".transient", no_seat, seat0, lobby, u"abc"}},
      {{u"", -1, {0, 0, 0x0008, 0x0008}}, {u".transient", no_seat, u"abc"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SelectCacheKeys(cache, c.filter), c.keys);
}

TEST(SortLogList, StableByNameTimeThenCreationTime) {
  const std::vector<LogListEntry> walk = {
      {"a", 20, 5}, {"b", 0, 9}, {"c", 20, 1}, {"d", 10, 7}, {"e", 0, 3}, {"f", 20, 5},
  };
  auto order = [](std::vector<LogListEntry> list, int sortAs) {
    SortLogList(list, sortAs);
    std::string names;
    for (const LogListEntry& e : list) names += e.path;
    return names;
  };
  EXPECT_EQ(order(walk, 0), "ebdcaf");  // undated names first; a before f as walked
  EXPECT_EQ(order(walk, 1), "afcdbe");
}

TEST(ReadListedRecord, NamesTheFailingPath) {
  TempDir dir;
  const std::string good = dir / (Name("2011010100", "0009") + ".mjlog");
  balvek::testing::WriteGzip(good, "<mjloggm/>");
  const std::string empty = dir / (Name("2011010101", "0009") + ".mjlog");
  WriteBytes(empty, "");
  const std::string bad_name = dir / "abc.mjlog";
  WriteBytes(bad_name, "x");

  RecordingRun run;
  record::RecordInfo info;
  std::string text;
  EXPECT_EQ(ReadListedRecord(run, {good, 0, 0}, info, text), 0);
  EXPECT_EQ(text, "<mjloggm/>");
  EXPECT_EQ(info.gameType, 9u);
  EXPECT_EQ(ReadListedRecord(run, {empty, 0, 0}, info, text), 1);
  EXPECT_EQ(ReadListedRecord(run, {bad_name, 0, 0}, info, text), 1);
  EXPECT_EQ(run.errors, (std::vector<std::string>{"INVALID FILE\r\n" + empty, "INVALID LOG FILENAME\r\n" + bad_name}));
}

class DownloadTest : public ::testing::Test {
 protected:
  void Serve(std::function<void(int, const std::string&)> handler) {
    host_.reset();  // puts the old value back before the new one is set
    server_ = std::make_unique<TestHttpServer>(std::move(handler));
    host_ = std::make_unique<ScopedEnv>("BALVEK_SERVICE_HOST", "127.0.0.1:" + std::to_string(server_->port()));
  }
  std::string Placeholder(const std::string& name) {
    const std::string path = dir_ / (name + ".mjlog");
    WriteBytes(path, "");
    list_.push_back(path);
    return path;
  }
  int Run() { return DownloadRecords(list_, run_, std::chrono::milliseconds(300)); }

  TempDir dir_;
  std::unique_ptr<TestHttpServer> server_;
  std::unique_ptr<ScopedEnv> host_;
  std::vector<std::string> list_;
  RecordingRun run_;
};

const std::string kGzipBody("\x1f\x8b\x08\x00 record body", 17);

TEST_F(DownloadTest, FillsPlaceholdersFromTheRecordAddress) {
  Serve([](int fd, const std::string&) {
    TestHttpServer::Send(fd, "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(kGzipBody.size()) +
                                 "\r\n\r\n" + kGzipBody);
  });
  const std::string first = Placeholder(Name("2011010100", "0009", 2));
  const std::string odd = Placeholder("2011010100gm-0009-0000-aa bb%cc&tw=0");
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(list_.empty());
  EXPECT_EQ(ReadBytes(first), kGzipBody);
  EXPECT_EQ(ReadBytes(odd), kGzipBody);
  const auto requests = server_->requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].rfind("GET /0/log/?2011010100gm-0009-0000-aaaaaaaa HTTP/1.0\r\n", 0), 0u);
  EXPECT_EQ(requests[1].rfind("GET /0/log/?2011010100gm-0009-0000-aa%20bb%25cc HTTP/1.0\r\n", 0), 0u);
  EXPECT_EQ(run_.statuses, (std::vector<std::string>{"Downloading 2/2 " + Name("2011010100", "0009", 2),
                                                     "Downloading 1/2 2011010100gm-0009-0000-aa bb%cc&tw=0"}));
}

TEST_F(DownloadTest, FiveFailuresEndThePass) {
  Serve([](int fd, const std::string&) { TestHttpServer::Send(fd, "HTTP/1.0 404 Not Found\r\n\r\n"); });
  std::string expected = kDownloadFailed;
  for (int i = 0; i < 6; ++i) {
    std::string path = Placeholder(Name("2011010100", "0009", 0, ("aaaaaaa" + std::to_string(i)).c_str()));
    if (i < 5) expected += path + "\r\n";
  }
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(run_.errors, std::vector<std::string>{expected});
  EXPECT_EQ(server_->requests().size(), 5u);
  EXPECT_EQ(list_.size(), 1u);
}

TEST_F(DownloadTest, BodiesThatAreNoRecordEndTheRun) {
  struct Case {
    std::string body;
    const char* message;
  } cases[] = {
      {"", kEmptyLogFile},
      {"\x1f\x8b short", kInvalidLogFormat},
      {"<html>not a record</html>", kInvalidLogFormat},
  };
  for (const Case& c : cases) {
    Serve([&](int fd, const std::string&) { TestHttpServer::Send(fd, "HTTP/1.0 200 OK\r\n\r\n" + c.body); });
    list_.clear();
    run_.errors.clear();
    const std::string path = Placeholder(Name("2011010100", "0009"));
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(run_.errors, std::vector<std::string>{c.message + path});
    EXPECT_EQ(ReadBytes(path), "");
  }
}

TEST_F(DownloadTest, UnreachableServiceCostsFiveTries) {
  {
    TestHttpServer gone([](int, const std::string&) {});
    host_.reset();
    host_ = std::make_unique<ScopedEnv>("BALVEK_SERVICE_HOST", "127.0.0.1:" + std::to_string(gone.port()));
  }
  for (int i = 0; i < 7; ++i) Placeholder(Name("2011010100", "0009", 0, ("aaaaaaa" + std::to_string(i)).c_str()));
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(list_.size(), 2u);
  ASSERT_EQ(run_.errors.size(), 1u);
  EXPECT_EQ(run_.errors[0].rfind(kDownloadFailed, 0), 0u);
}

}  // namespace
}  // namespace balvek::analysis
