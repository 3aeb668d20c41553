#include <gtest/gtest.h>

#include "analysis/LogAnaFixture.h"
#include "fakes/DebugLogListener.h"

namespace balvek::analysis::test {
namespace {

using AnalyzerObjectTest = LogAnaTest;

TEST_F(AnalyzerObjectTest, AnalyzeRefusesWrongArgumentsAndAFailingBegin) {
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  DispParams none;
  EXPECT_EQ(analyzer->Invoke(IDispatchLogAnaImpl::kAnalyze, script::IID_NULL, 0, script::DISPATCH_METHOD, &none,
                             nullptr, nullptr, nullptr),
            script::E_INVALIDARG);
  script::ArgumentBlock text{Variant::String(u"options")};
  EXPECT_EQ(analyzer->Invoke(IDispatchLogAnaImpl::kAnalyze, script::IID_NULL, 0, script::DISPATCH_METHOD,
                             &text.params(), nullptr, nullptr, nullptr),
            script::E_INVALIDARG);

  On(u"OnAnalyzeBegin", nullptr, script::E_FAIL);
  On(u"OnAnalyzeEnd");
  EXPECT_EQ(Analyze(*analyzer), script::E_FAIL);
  EXPECT_EQ(mainWindow.attaches, 0);
  RunToEnd();
  EXPECT_EQ(calls, std::vector<std::string>{"OnAnalyzeBegin"});
}

TEST_F(AnalyzerObjectTest, MembersAsScriptReadsThem) {
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  const char16_t* names[] = {u"nTotal", u"Stop", u"global"};
  script::DISPID ids[3];
  EXPECT_EQ(analyzer->GetIDsOfNames(script::IID_NULL, names, 3, 0, ids), script::S_OK);  // the last name decides
  EXPECT_EQ(ids[0], IDispatchLogAnaImpl::kNTotal);
  EXPECT_EQ(ids[1], script::DISPID_UNKNOWN);
  EXPECT_EQ(ids[2], IDispatchLogAnaImpl::kGlobal);

  EXPECT_EQ(Get(*analyzer, IDispatchLogAnaImpl::kNTotal).i4(), 0);
  EXPECT_EQ(Get(*analyzer, IDispatchLogAnaImpl::kNProgress).i4(), 0);
  const Variant cache1 = Get(*analyzer, IDispatchLogAnaImpl::kCache);
  ASSERT_TRUE(cache1.Is(script::VT_DISPATCH) && cache1.dispatch());
  EXPECT_EQ(Get(*analyzer, IDispatchLogAnaImpl::kCache).dispatch(), cache1.dispatch());

  const Variant empty = Get(*analyzer, IDispatchLogAnaImpl::kGlobal);
  EXPECT_TRUE(empty.Is(script::VT_DISPATCH) && !empty.dispatch());
  auto put = [&](Variant value, unsigned count = 1) {
    std::vector<Variant> values(count, value);
    script::ArgumentBlock args(std::move(values));
    return analyzer->Invoke(IDispatchLogAnaImpl::kGlobal, script::IID_NULL, 0, script::DISPATCH_PROPERTYPUT,
                            &args.params(), nullptr, nullptr, nullptr);
  };
  Ref<fakes::FakePageObject> mine = fakes::FakePageObject::Create();
  EXPECT_EQ(put(Variant::Object(mine.get())), script::S_OK);
  EXPECT_EQ(put(Variant::I4(5)), script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(put(Variant::Object(page.get()), 2), script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Get(*analyzer, IDispatchLogAnaImpl::kGlobal).dispatch(), mine.get());

  DispParams none;
  Variant result;
  EXPECT_EQ(analyzer->Invoke(IDispatchLogAnaImpl::kNTotal, script::IID_NULL, 0, script::DISPATCH_METHOD, &none,
                             &result, nullptr, nullptr),
            script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(analyzer->Invoke(IDispatchLogAnaImpl::kNTotal, script::IID_NULL, 0, script::DISPATCH_PROPERTYPUT, &none,
                             &result, nullptr, nullptr),
            script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(analyzer->Invoke(107, script::IID_NULL, 0, script::DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
            script::DISP_E_MEMBERNOTFOUND);
  // stop outside a run is harmless.
  EXPECT_EQ(analyzer->Invoke(IDispatchLogAnaImpl::kStop, script::IID_NULL, 0, script::DISPATCH_METHOD, &none,
                             nullptr, nullptr, nullptr),
            script::S_OK);
}

TEST_F(AnalyzerObjectTest, AnalyzeReadAsAValueStartsARun) {
  AddRecord("201101", Name("2011010100"));
  On(u"OnEnumLog", [](const DispParams&) { return Variant::Bool(true); });
  On(u"OnLogBegin");
  options->Set(u"OnTsumo", Variant::I4(5));  // not an object: never called
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  const Variant function = Get(*analyzer, IDispatchLogAnaImpl::kAnalyze);
  ASSERT_TRUE(function.Is(script::VT_DISPATCH));
  script::ArgumentBlock args{Variant::Object(options.get())};
  EXPECT_EQ(function.dispatch()->Invoke(script::DISPID_VALUE, script::IID_NULL, 0, script::DISPATCH_METHOD,
                                        &args.params(), nullptr, nullptr, nullptr),
            script::S_OK);
  RunToEnd();
  EXPECT_EQ(CallsOf("OnLogBegin").size(), 1u);
  EXPECT_EQ(mainWindow.statuses.back(), "done");
}

// OnAnalyzeEnd may start the next run with other options while the first
// options object is held by nobody but the analyzer.
TEST_F(AnalyzerObjectTest, NextRunStartedFromOnAnalyzeEnd) {
  AddRecord("201101", Name("2011010100"));
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  int ends = 0;
  HRESULT restarted = script::E_FAIL;
  {
    Ref<fakes::FakePageObject> first = fakes::FakePageObject::Create();
    first->Set(u"OnAnalyzeEnd", Variant::Object(page.get()));
    first->SetMethod(u"OnAnalyzeEnd", [&](DispParams&, Variant*) {
      ++ends;
      restarted = Analyze(*analyzer);  // the fixture's options, with a callback of their own
      return script::S_OK;
    });
    ASSERT_EQ(Analyze(*analyzer, first.get()), script::S_OK);
  }
  On(u"OnEnumLog", [](const DispParams&) { return Variant::Bool(true); });
  On(u"OnLogBegin");
  On(u"OnAnalyzeEnd");
  RunToEnd();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(restarted, script::S_OK);
  EXPECT_EQ(calls, (std::vector<std::string>{"OnEnumLog <" + Name("2011010100") + ">",
                                             "OnLogBegin <" + Name("2011010100") + "> obj", "OnAnalyzeEnd"}));
  EXPECT_EQ(mainWindow.attaches, 2);
  EXPECT_EQ(mainWindow.detaches, 2);
}

// The worker's message boxes: owned by the web view window, error icon, no
// caption; each ends the run without its finish.
TEST_F(AnalyzerObjectTest, DataFailuresShowTheirMessageAndEndTheRun) {
  struct Case {
    const char* what;
    std::function<std::string()> prepare;  // the message expected
  };
  const std::string good = Name("2011010100");
  const Case cases[] = {
      {"no log folder",
       [&] {
         std::filesystem::remove_all(recordFolder + "/log");
         return std::string(kRecordFolderUnusable);
       }},
      {"a file name that is no record name",
       [&] {
         AddRecord("201101", "abc");
         return std::string(kInvalidLogFileName) + "abc.mjlog";
       }},
      {"a damaged record",
       [&] {
         const std::string path = AddRecord("201101", good);
         std::string bytes = testing::ReadBytes(path);
         testing::WriteBytes(path, bytes.substr(0, bytes.size() / 2));
         return std::string(kInvalidFile) + path;
       }},
  };
  On(u"OnEnumLog", [](const DispParams&) { return Variant::Bool(true); });
  On(u"OnAnalyzeEnd");
  for (const Case& c : cases) {
    std::filesystem::remove_all(recordFolder + "/log");
    platform::CreateFolder(recordFolder + "/log");
    const std::string message = c.prepare();
    dialogs.boxes.clear();
    calls.clear();
    Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
    ASSERT_EQ(Analyze(*analyzer), script::S_OK);
    RunToEnd();
    ASSERT_EQ(dialogs.boxes.size(), 1u) << c.what;
    EXPECT_EQ(dialogs.boxes[0].text, message) << c.what;
    EXPECT_EQ(dialogs.boxes[0].owner, webView->window.handle());
    EXPECT_EQ(dialogs.boxes[0].caption, "");
    EXPECT_EQ(dialogs.boxes[0].flags, platform::MB_OK | platform::MB_ICONERROR);
    EXPECT_TRUE(CallsOf("OnAnalyzeEnd").empty()) << c.what;
    EXPECT_EQ(mainWindow.detaches, mainWindow.attaches);
  }
}

// A record the reader refuses shows its own message; the replay's status
// then ends the analysis pass like a failing callback.
TEST_F(AnalyzerObjectTest, MalformedRecordEndsItsReplayWithErrorThree) {
  const std::string name = Name("2011010100");
  std::string text = RecordText();
  text.replace(text.find("seed=\"0,0,0,1,2,55\""), 19, "seed=\"0,0\"");
  AddRecord("201101", name, text);
  AddRecord("201101", Name("2011010200"));
  On(u"OnEnumLog", [](const DispParams&) { return Variant::Bool(true); });
  On(u"OnLogBegin");
  On(u"OnTsumo");  // the node stream is read only for its events
  On(u"OnAnalyzeEnd");
  options->Set(u"sortAs", Variant::String(u"CTimeAscent"));
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  ASSERT_EQ(Analyze(*analyzer), script::S_OK);
  RunToEnd();
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_NE(dialogs.boxes[0].text.find("INVALID INIT"), std::string::npos) << dialogs.boxes[0].text;
  EXPECT_TRUE(Shown("ERROR(3) hr=80004005 " + name));
  EXPECT_EQ(CallsOf("OnLogBegin").size(), 1u) << "the second record is not replayed";
  EXPECT_TRUE(CallsOf("OnAnalyzeEnd").empty());
}

// A status the main window does not take within 1 ms is still shown, from a
// copy, before the step that follows it.
TEST_F(AnalyzerObjectTest, LateWorkerStatusIsShownFromACopy) {
  AddRecord("201101", Name("2011010100"));
  On(u"OnEnumLog");
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  ASSERT_EQ(Analyze(*analyzer), script::S_OK);
  // The main thread is busy: the worker's first status cannot be taken.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(mainWindow.statuses.empty());
  RunToEnd();
  ASSERT_FALSE(mainWindow.statuses.empty());
  EXPECT_EQ(mainWindow.statuses[0], "Scanning ... log");
  EXPECT_EQ(mainWindow.statuses[1], "Scanning ... 201101");
  EXPECT_EQ(mainWindow.statuses.back(), "done");
}

// Closing the main window while the worker waits for a step, with the page
// gone too: the analyzer is destroyed, the worker wakes, ends and is joined.
TEST_F(AnalyzerObjectTest, MainWindowClosingDuringAStepEndsTheWorker) {
  AddRecord("201101", Name("2011010100"));
  On(u"OnEnumLog");
  Ref<IDispatchLogAnaImpl> analyzer = MakeAnalyzer();
  Ref<script::Dispatch> cacheObject(Get(*analyzer, IDispatchLogAnaImpl::kCache).dispatch());
  ASSERT_EQ(Analyze(*analyzer), script::S_OK);
  while (platform::PendingMessages() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  analyzer.Reset();
  webView.reset();
  mainWindowOwner.reset();  // drops the attached reference: the analyzer goes
  EXPECT_EQ(cacheObject->RefCount(), 1);
  while (platform::PumpMessages()) {
  }
  EXPECT_TRUE(calls.empty());
  mainWindowOwner = std::make_unique<TestMainWindow>();
}

TEST_F(AnalyzerObjectTest, LifecycleLines) {
  testing::DebugLogListener log;
  if (!log.bound()) GTEST_SKIP() << "the log port is taken";
  MakeAnalyzer().Reset();
  std::vector<std::string> lines;
  for (const std::string& line : log.Lines())
    if (line.find("CONSTRUCT") != std::string::npos || line.find("DESTRUCT") != std::string::npos ||
        line.starts_with("KillThread"))
      lines.push_back(line);
  const std::vector<std::string> expected = {
      "IDispatchCacheImpl CONSTRUCT\r\n", "IDispatchLogAnaImpl CONSTRUCT\r\n", "IDispatchLogAnaImpl DESTRUCT\r\n",
      "KillThread begin\r\n",             "KillThread end\r\n",                "IDispatchCacheImpl DESTRUCT\r\n",
      "LogAnaThread DESTRUCT\r\n"};
  std::vector<std::string> analyzerLines;
  for (const std::string& line : lines)
    if (std::find(expected.begin(), expected.end(), line) != expected.end()) analyzerLines.push_back(line);
  EXPECT_EQ(analyzerLines, expected);
}

}  // namespace
}  // namespace balvek::analysis::test
