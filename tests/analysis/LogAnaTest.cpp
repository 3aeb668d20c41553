#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "analysis/LogAnaFixture.h"
#include "fakes/DebugLogListener.h"

namespace balvek::analysis::test {
namespace {

using ::testing::ElementsAre;

class AnalyzerRunTest : public LogAnaTest {
 protected:
  void OnAll() {
    for (const std::u16string_view name : kCallbackNames)
      On(std::u16string(name), name == u"OnEnumLog" ? std::function<Variant(const DispParams&)>(
                                                          [](const DispParams&) { return Variant::Bool(true); })
                                                    : nullptr);
  }
  std::vector<std::string> Replayed() const { return CallsOf("OnLogBegin"); }
};

TEST_F(AnalyzerRunTest, FullRunCallsEveryCallbackInOrder) {
  testing::DebugLogListener log;
  const std::string jan1 = Name("2011010100", "0009", "0000000a");
  const std::string jan2 = Name("2011010200", "0009", "0000000b");
  const std::string dec1 = Name("2010120100", "0009", "0000000c");
  const std::string cached = Name("2011010300", "0041", "0000000d", 2);
  AddRecord("201101", jan1);
  AddRecord("201101/deeper", jan2);
  AddRecord("201012", dec1);
  store.Set(u"abc", u"x", std::nullopt);
  store.Set(platform::Utf8ToUtf16(cached), u"y", std::nullopt);
  OnAll();
  std::vector<std::pair<int, int>> progress;

  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  ASSERT_TRUE(analyzer);
  hook = [&](const std::string&) { progress.emplace_back(analyzer->nProgress(), analyzer->nTotal()); };
  ASSERT_EQ(Analyze(*analyzer), script::S_OK);
  RunToEnd();

  const std::vector<std::string> replay = {"OnSceneBegin 0 0 0 1 2 obj", "OnTsumo 0 60", "OnDahai 0 60",
                                           "OnRyuukyoku '' obj obj",     "OnSceneEnd",   "OnLogEnd obj"};
  std::vector<std::string> expected = {"OnAnalyzeBegin", "OnEnumCache 'abc'",
                                       "OnEnumCache '" + cached + "' <" + cached + ">"};
  // The walk is breadth-first: the record one level deeper comes last.
  ASSERT_GE(calls.size(), 6u);
  std::vector<std::string> firstLevel = {calls[3], calls[4]};
  std::sort(firstLevel.begin(), firstLevel.end());
  EXPECT_THAT(firstLevel, ElementsAre("OnEnumLog <" + dec1 + ">", "OnEnumLog <" + jan1 + ">"));
  expected.push_back(calls[3]);
  expected.push_back(calls[4]);
  expected.push_back("OnEnumLog <" + jan2 + ">");
  for (const std::string& name : {jan2, jan1, dec1}) {  // newest first
    expected.push_back("OnLogBegin <" + name + "> obj");
    expected.insert(expected.end(), replay.begin(), replay.end());
  }
  expected.push_back("OnAnalyzeEnd");
  EXPECT_EQ(calls, expected);

  // Counters as script reads them: counted before each cache call, equal
  // during the record pass, records replayed so far during the analysis.
  ASSERT_GE(progress.size(), 10u);
  EXPECT_EQ(progress[1], std::make_pair(1, 2));
  EXPECT_EQ(progress[2], std::make_pair(2, 2));
  EXPECT_EQ(progress[3], std::make_pair(1, 1));
  EXPECT_EQ(progress[5], std::make_pair(3, 3));
  EXPECT_EQ(progress[6], std::make_pair(0, 3));
  EXPECT_EQ(Get(*analyzer, IDispatchLogAnaImpl::kNProgress).i4(), 3);
  EXPECT_EQ(Get(*analyzer, IDispatchLogAnaImpl::kNTotal).i4(), 3);

  EXPECT_EQ(mainWindow.statuses.front(), "Analyzing cache 0/2");
  EXPECT_TRUE(Shown("Scanning ... log"));
  EXPECT_TRUE(Shown("Scanning ... deeper"));
  EXPECT_TRUE(Shown("Analyzing 0/3") && Shown("Analyzing 2/3"));
  EXPECT_EQ(mainWindow.statuses.back(), "done");
  EXPECT_EQ(mainWindow.attaches, 1);
  EXPECT_EQ(mainWindow.detaches, 1);
  EXPECT_TRUE(dialogs.boxes.empty());

  if (log.bound()) {
    const std::vector<std::string> lines = log.Lines();  // once: other processes may log too
    auto saw = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
      return l.starts_with("OnTsumo        dispid=") && l.ends_with(" vt=9 hr=0\r\n");
    }));
    EXPECT_TRUE(saw("iSortAs=1 enumLobbyID=-1 enumMatch(0000:0000) enumSkip(0000:0000) enumPlayer.len=0\r\n"));
    EXPECT_TRUE(saw("nDownload=0 vLogList=3\r\n"));
    EXPECT_TRUE(saw("vLogList=3\r\n"));
    const auto profile = std::find(lines.begin(), lines.end(), "----- profile -----\r\n");
    ASSERT_NE(profile, lines.end());
    EXPECT_TRUE(profile[1].starts_with("OnAnalyzeBegin ") && profile[1].ends_with("       1\r\n"));
    EXPECT_EQ(profile[1].size(), 30u);
    int profiled = 0;
    for (auto it = profile + 1; it != lines.end() && it->rfind("total=", 0) != 0; ++it) ++profiled;
    EXPECT_EQ(profiled, 11);  // all but OnNaki, OnDora, OnReach and OnAgari, which the record has not
  }

  // A finished run leaves the analyzer idle: it may run again.
  calls.clear();
  ASSERT_EQ(Analyze(*analyzer), script::S_OK);
  RunToEnd();
  EXPECT_EQ(calls.back(), "OnAnalyzeEnd");
  EXPECT_EQ(mainWindow.detaches, 2);
}

TEST_F(AnalyzerRunTest, SortOrdersOfRecordsAndCacheKeys) {
  const std::string a = Name("2011010100", "0009", "0000000a"), b = Name("2011010200", "0009", "0000000b"),
                    c = Name("2011010300", "0009", "0000000c");
  AddRecord("201101", b);
  AddRecord("201101", c);
  AddRecord("201101", a);
  for (const char* key : {"k2", "k1", "k3"}) store.Set(platform::Utf8ToUtf16(key), u"v", std::nullopt);
  OnAll();
  struct Case {
    std::optional<std::u16string> sortAs;
    std::vector<std::string> records, keys;
  };
  const std::vector<std::string> newest = {b, c, a}, oldest = {a, b, c};
  const Case cases[] = {
      {std::nullopt, {c, b, a}, {"k3", "k2", "k1"}},
      {u"CTimeAscent", {a, b, c}, {"k1", "k2", "k3"}},
      {u"CTimeDescent", {c, b, a}, {"k3", "k2", "k1"}},
      {u"ctimeascent", {c, b, a}, {"k3", "k2", "k1"}},
      {u"", {c, b, a}, {"k3", "k2", "k1"}},
  };
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  for (const Case& k : cases) {
    options->Set(u"sortAs", k.sortAs ? Variant::String(*k.sortAs) : Variant::I4(0));
    calls.clear();
    ASSERT_EQ(Analyze(*analyzer), script::S_OK);
    RunToEnd();
    std::vector<std::string> records, keys;
    for (const std::string& line : CallsOf("OnLogBegin <")) records.push_back(line.substr(12, 36));
    for (const std::string& line : CallsOf("OnEnumCache '")) keys.push_back(line.substr(13, 2));
    EXPECT_EQ(records, k.records) << (k.sortAs ? platform::Utf16ToUtf8(*k.sortAs) : "absent");
    EXPECT_EQ(keys, k.keys);
  }
}

TEST_F(AnalyzerRunTest, GameTypeFiltersAndCacheFilters) {
  AddRecord("201101", Name("2011010100", "0009", "0000000a"));
  AddRecord("201101", Name("2011010200", "0001", "0000000b"));
  AddRecord("201101", Name("2011010300", "0008", "0000000c"));
  const std::string lobby7 = "2011010400gm-0009-0007-0000000d&tw=1";
  store.Set(platform::Utf8ToUtf16(lobby7), u"v", u"me");
  store.Set(platform::Utf8ToUtf16(Name("2011010500", "0008", "0000000e")), u"v", u"me");
  store.Set(u"other", u"v", u"someone");
  store.Set(u"plain", u"v", u"me");
  OnAll();
  struct Case {
    const char* what;
    std::vector<std::pair<std::u16string, Variant>> settings;
    int records;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"no filter", {}, 3, {"plain", "other", "2011010500", "2011010400"}},
      {"match bit 1", {{u"enumMatchMask", Variant::I4(1)}, {u"enumMatch", Variant::I4(1)}}, 2,
       {"plain", "other", "2011010400"}},
      {"skip bit 8", {{u"enumSkipMask", Variant::I4(8)}, {u"enumSkip", Variant::I4(8)}}, 1,
       {"plain", "other"}},
      {"lobby 7 and a player", {{u"enumLobbyID", Variant::I4(7)}, {u"enumPlayer", Variant::String(u"me")}}, 3,
       {"plain", "2011010400"}},
      {"lobby given as text: off", {{u"enumLobbyID", Variant::String(u"7")}}, 3,
       {"plain", "other", "2011010500", "2011010400"}},
  };
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  for (const Case& c : cases) {
    for (const char16_t* name : {u"enumMatchMask", u"enumMatch", u"enumSkipMask", u"enumSkip", u"enumLobbyID",
                                 u"enumPlayer"})
      options->Set(name, Variant());
    for (const auto& [name, value] : c.settings) options->Set(name, value);
    calls.clear();
    ASSERT_EQ(Analyze(*analyzer), script::S_OK);
    RunToEnd();
    EXPECT_EQ(static_cast<int>(CallsOf("OnEnumLog").size()), c.records) << c.what;
    std::vector<std::string> keys;
    for (const std::string& line : CallsOf("OnEnumCache '")) keys.push_back(line.substr(13, line.find('\'', 13) - 13).substr(0, 10));
    EXPECT_EQ(keys, c.keys) << c.what;
  }
}

TEST_F(AnalyzerRunTest, OnEnumLogAnswersSelect) {
  AddRecord("201101", Name("2011010100"));
  struct Case {
    const char* what;
    std::function<Variant(const DispParams&)> answer;
    bool selects;
  };
  const Case cases[] = {
      {"true", [](const DispParams&) { return Variant::Bool(true); }, true},
      {"1", [](const DispParams&) { return Variant::I4(1); }, true},
      {"-3", [](const DispParams&) { return Variant::I4(-3); }, true},
      {"0.5", [](const DispParams&) { return Variant::R8(0.5); }, false},
      {"false", [](const DispParams&) { return Variant::Bool(false); }, false},
      {"0", [](const DispParams&) { return Variant::I4(0); }, false},
      {"a text", [](const DispParams&) { return Variant::String(u"1"); }, false},
      {"nothing", nullptr, false},
  };
  On(u"OnLogBegin");
  On(u"OnAnalyzeEnd");
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  for (const Case& c : cases) {
    On(u"OnEnumLog", c.answer);
    calls.clear();
    ASSERT_EQ(Analyze(*analyzer), script::S_OK);
    RunToEnd();
    EXPECT_EQ(CallsOf("OnLogBegin").size(), c.selects ? 1u : 0u) << c.what;
    EXPECT_EQ(calls.back(), "OnAnalyzeEnd") << c.what;
    EXPECT_EQ(mainWindow.statuses.back(), "done");
  }
}

// stop in each pass: what is left of the run is skipped, and the run still
// finishes with "done" and OnAnalyzeEnd.
TEST_F(AnalyzerRunTest, StopInEachPassStillFinishes) {
  for (const char* hour : {"2011010100", "2011010200", "2011010300"}) AddRecord("201101", Name(hour));
  store.Set(u"k1", u"v", std::nullopt);
  store.Set(u"k2", u"v", std::nullopt);
  struct Case {
    const char* in;
    std::size_t enumCache, enumLog, replayed;
    int listed;
  };
  const Case cases[] = {{"OnEnumCache", 1, 0, 0, 0}, {"OnEnumLog", 2, 1, 0, 1}, {"OnLogBegin", 2, 3, 1, 3}};
  for (const Case& c : cases) {
    calls.clear();
    OnAll();
    Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
    hook = [&](const std::string& line) {
      if (line.rfind(c.in, 0) == 0) {
        DispParams none;
        analyzer->Invoke(IDispatchLogAnaImpl::kStop, script::IID_NULL, 0, script::DISPATCH_METHOD, &none, nullptr,
                         nullptr, nullptr);
      }
    };
    ASSERT_EQ(Analyze(*analyzer), script::S_OK);
    RunToEnd();
    hook = nullptr;
    EXPECT_EQ(CallsOf("OnEnumCache").size(), c.enumCache) << c.in;
    EXPECT_EQ(CallsOf("OnEnumLog").size(), c.enumLog) << c.in;
    EXPECT_EQ(Replayed().size(), c.replayed) << c.in;
    EXPECT_EQ(calls.back(), "OnAnalyzeEnd") << c.in;
    EXPECT_EQ(mainWindow.statuses.back(), "done") << c.in;
    EXPECT_EQ(analyzer->nProgress(), analyzer->nTotal()) << c.in;
    EXPECT_EQ(analyzer->nTotal(), c.listed) << c.in;
  }
}

// A failing callback ends its pass: OnEnumCache only the cache pass, the
// others the run, which then has no finish and refuses another analyze.
TEST_F(AnalyzerRunTest, FailingCallbackInEachPass) {
  const std::string name = Name("2011010100");
  AddRecord("201101", name);
  store.Set(u"abc", u"v", std::nullopt);
  struct Case {
    const char* failing;
    std::string status;
    bool finishes;
  };
  const Case cases[] = {
      {"OnEnumCache", "ERROR(2) hr=80004005 ", true},
      {"OnEnumLog", "ERROR(1) hr=80004005 " + name, false},
      {"OnTsumo", "ERROR(3) hr=80004005 " + name, false},
  };
  for (const Case& c : cases) {
    calls.clear();
    mainWindow.statuses.clear();
    OnAll();
    On(platform::Utf8ToUtf16(c.failing), c.failing == std::string("OnEnumLog")
                                             ? std::function<Variant(const DispParams&)>()
                                             : nullptr,
       script::E_FAIL);
    Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
    ASSERT_EQ(Analyze(*analyzer), script::S_OK);
    RunToEnd();
    EXPECT_TRUE(Shown(c.status)) << c.failing;
    EXPECT_EQ(calls.back() == "OnAnalyzeEnd", c.finishes) << c.failing;
    EXPECT_EQ(Shown("done"), c.finishes) << c.failing;
    if (c.finishes) {
      // The record pass ran after the failed cache pass.
      EXPECT_EQ(Replayed().size(), 1u);
      continue;
    }
    calls.clear();
    EXPECT_EQ(Analyze(*analyzer), script::E_UNEXPECTED) << c.failing;
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes.back().text, "THREAD IS NOT EMPTY");
    EXPECT_EQ(dialogs.boxes.back().flags, platform::MB_OK | platform::MB_ICONERROR);
    EXPECT_TRUE(calls.empty()) << "a refused analyze calls nothing";
  }
}

// A second analyze while a run goes on is refused before it changes
// anything: the run's events keep going to the first options object.
TEST_F(AnalyzerRunTest, SecondAnalyzeDuringARunIsRefused) {
  AddRecord("201101", Name("2011010100"));
  AddRecord("201101", Name("2011010200"));
  OnAll();
  Ref<fakes::FakePageObject> other = fakes::FakePageObject::Create();
  bool otherCalled = false;
  for (const std::u16string_view name : kCallbackNames) {
    other->Set(std::u16string(name), Variant::Object(page.get()));
    other->SetMethod(std::u16string(name), [&](DispParams&, Variant*) {
      otherCalled = true;
      return script::S_OK;
    });
  }
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  HRESULT second = script::S_OK;
  hook = [&](const std::string& line) {
    if (line.rfind("OnEnumLog", 0) == 0 && second == script::S_OK) second = Analyze(*analyzer, other.get());
  };
  ASSERT_EQ(Analyze(*analyzer), script::S_OK);
  RunToEnd();
  EXPECT_EQ(second, script::E_UNEXPECTED);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "THREAD IS NOT EMPTY");
  EXPECT_FALSE(otherCalled);
  EXPECT_EQ(Replayed().size(), 2u);
  EXPECT_EQ(calls.back(), "OnAnalyzeEnd");
  EXPECT_EQ(mainWindow.attaches, 1);
}

// The page lets go of the analyzer during a run: the worker ends at its next
// check without boxes or finish, and the detach destroys the analyzer.
TEST_F(AnalyzerRunTest, PageDroppingTheAnalyzerEndsTheRun) {
  for (const char* hour : {"2011010100", "2011010200"}) AddRecord("201101", Name(hour));
  OnAll();
  for (const char* in : {"OnEnumLog", "OnLogBegin"}) {
    calls.clear();
    Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
    Ref<script::Dispatch> cacheObject(Get(*analyzer, IDispatchLogAnaImpl::kCache).dispatch());
    ASSERT_EQ(cacheObject->RefCount(), 2);
    hook = [&](const std::string& line) {
      if (line.rfind(in, 0) == 0) analyzer.Reset();
    };
    ASSERT_EQ(Analyze(*analyzer), script::S_OK);
    RunToEnd();
    hook = nullptr;
    EXPECT_FALSE(analyzer);
    EXPECT_EQ(CallsOf(in).size(), 1u) << in;
    EXPECT_NE(calls.back(), "OnAnalyzeEnd") << in;
    EXPECT_FALSE(Shown("done")) << in;
    EXPECT_TRUE(dialogs.boxes.empty()) << in;
    EXPECT_EQ(cacheObject->RefCount(), 1) << "the analyzer is gone";
    mainWindow.statuses.clear();
  }
}

}  // namespace
}  // namespace balvek::analysis::test
