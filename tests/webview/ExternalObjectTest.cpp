#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "platform/Messages.h"
#include "platform/Window.h"
#include "webview/ExternalObject.h"
#include "webview/ScriptFixture.h"

namespace balvek::webview {
namespace {

using script::Variant;

// The main window's side of startGame and trayPopup: records each named
// command with a copy of its text, made while the text is valid.
struct Request {
  std::string command;
  bool hasText;
  std::u16string text;
};

class RecordingMainWindow final : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override {
    if (message == platform::WM__NAMED_COMMAND) {
      const auto* text = reinterpret_cast<const char16_t*>(wParam);
      requests.push_back({reinterpret_cast<const char*>(lParam), text != nullptr, text ? text : u""});
    }
    return 0;
  }
  std::vector<Request> requests;
  platform::Window window{*this};
};

class NoMessages final : public platform::MessageHandler {
 public:
  platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t, platform::WPARAM, platform::LPARAM) override {
    return 0;
  }
};

class External : public ScriptFixture {
 protected:
  External() {
    page.SetExternalProvider([this] {
      ++made;
      return script::Ref<script::Dispatch>(IDispatchBrowserExternalImpl::Create(webView.handle()));
    });
  }
  RecordingMainWindow mainWindow;
  NoMessages webViewHandler;
  platform::Window webView{webViewHandler, mainWindow.window.handle()};
  int made = 0;
};

TEST_F(External, MadeOncePerDocumentOnFirstUse) {
  EXPECT_EQ(made, 0);
  Run("var e = external; check(e === window.external, 'same object');");
  EXPECT_EQ(made, 1);
}

TEST_F(External, CommandVersionAndItsFailures) {
  Run(R"(
    function status(f) { try { f(); return "ok"; } catch (e) { return (e.number >>> 0).toString(16); } }
    var e = external;
    check(e.mjCommand("VERSION") === 1.03, "VERSION is the number 1.03");
    check(typeof e.mjCommand("VERSION") === "number", "a number, not a string");
    check(status(function () { e.mjCommand("version"); }) === "80020003", "lower case is unknown");
    check(status(function () { e.mjCommand(1); }) === "80020003", "a number is no command");
    check(status(function () { e.mjCommand(); }) === "80020003", "no command");
    check(status(function () { e.mjCommand("CREATEINSTANCE::LOGANA1.0"); }) === "80020003",
          "no page script object for the hands: no analyzer");
    check(status(function () { e.mjCommand("CREATEINSTANCE::logana1.0"); }) === "80020003", "exact commands");
    check(e.mjCommand("nonsense", "VERSION") === 1.03, "the last argument is the command");
    var f = e.mjCommand;
    check(f("VERSION") === 1.03, "read as a value, still the command");
    check(f("version") === undefined, "through the function object: no failure");
    check(e.MjCommand === undefined && e.mjcommand === undefined, "exact names");
  )");
}

// A web view window that hands out the page script object.
class PageWebView final : public platform::MessageHandler {
 public:
  explicit PageWebView(ScriptContext& page) : page_(page) {}
  platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM,
                                  platform::LPARAM lParam) override {
    if (message == platform::WM__NAMED_COMMAND && std::string_view(reinterpret_cast<const char*>(lParam)) == "GETSCRIPT")
      return reinterpret_cast<platform::LRESULT>(page_.GlobalObject().Detach());
    return 0;
  }

 private:
  ScriptContext& page_;
};

TEST_F(External, CreateInstanceMakesANewObjectEachTime) {
  PageWebView handler(page);
  platform::Window pageWebView(handler, mainWindow.window.handle());
  page.SetGlobal(u"made", Variant::Object(IDispatchBrowserExternalImpl::Create(pageWebView.handle()).get()));
  Run(R"(
    var a = made.mjCommand("CREATEINSTANCE::LOGANA1.0"), b = made.mjCommand("CREATEINSTANCE::LOGANA1.0");
    check(typeof a === "object" && a !== b, "two analyzers");
    check(a.nTotal === 0 && a.nProgress === 0 && typeof a.analyze === "function", "an analyzer");
    check(typeof a.cache.get === "function", "with its cache object");
    var f = made.mjCommand("CREATEINSTANCE::FILE1.0"), g = made.mjCommand("CREATEINSTANCE::FILE1.0");
    check(typeof f === "object" && f !== g, "two file objects");
    check(typeof f.open === "function" && typeof f.write === "function", "a file object");
  )");
}

TEST_F(External, StartGameAndTrayPopupReachTheMainWindow) {
  Run(R"(
    check(external.startGame("2026010100gm-0009-0000-aaaa") === undefined, "no value");
    external.startGame();
    external.startGame(7);
    external.startGame("a", "b");
    external.trayPopup("hello");
    external.trayPopup(null);
  )");
  const std::vector<Request>& r = mainWindow.requests;
  ASSERT_EQ(r.size(), 6u);
  EXPECT_EQ(r[0].command, "STARTGAME");
  EXPECT_TRUE(r[0].hasText);
  EXPECT_EQ(r[0].text, u"2026010100gm-0009-0000-aaaa");
  for (int i : {1, 2, 3}) {
    EXPECT_EQ(r[i].command, "STARTGAME");
    EXPECT_FALSE(r[i].hasText) << i;
  }
  EXPECT_EQ(r[4].command, "TRAYPOPUP");
  EXPECT_EQ(r[4].text, u"hello");
  EXPECT_FALSE(r[5].hasText);
}

TEST_F(External, NamesAndInterfacesFromNativeCode) {
  const script::Ref<IDispatchBrowserExternalImpl> e = IDispatchBrowserExternalImpl::Create(webView.handle());
  void* ex = reinterpret_cast<void*>(1);
  EXPECT_EQ(e->QueryInterface(script::IID_IDispatchEx, &ex), script::E_NOINTERFACE);
  EXPECT_EQ(ex, nullptr);
  const char16_t* names[] = {u"trayPopup", u"nope", u"mjCommand"};
  script::DISPID ids[3];
  EXPECT_EQ(e->GetIDsOfNames(script::IID_NULL, names, 3, 0, ids), script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(ids[0], 1005);
  EXPECT_EQ(ids[1], script::DISPID_UNKNOWN);
  EXPECT_EQ(ids[2], 1001);
  script::DispParams none;
  Variant result;
  EXPECT_EQ(e->Invoke(1006, script::IID_NULL, 0, script::DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(e->Invoke(1001, script::IID_NULL, 0, script::DISPATCH_PROPERTYPUT, &none, &result, nullptr, nullptr),
            script::DISP_E_MEMBERNOTFOUND);
}

// Tiles 1-9m, 1-4p (one of each kind 0..12): ready, waiting on 4p.
constexpr const char* kReadyHand = "var ready = [0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48];";

TEST_F(External, Syanten14BothArgumentForms) {
  Run(std::string(kReadyHand) + R"(
    function status(f) { try { f(); return "ok"; } catch (e) { return (e.number >>> 0).toString(16); } }
    var c = external.mjCalcSyanten14;
    check(external.mjCalcSyanten14() === -1, "empty hand is complete");
    check(external.mjCalcSyanten14(ready) === 0, "ready hand");
    check(external.mjCalcSyanten14.apply(external, ready) === 0, "same tiles positionally");
    check(external.mjCalcSyanten14.apply(external, ready.slice().reverse()) === 0, "order does not matter");
    check(external.mjCalcSyanten14(ready.concat([49])) === -1, "complete hand");
    check(external.mjCalcSyanten14(ready.concat([255, 100, 101, 102, 103, 104, 105])) === 0, "only 14 read");
    var noLength = {};
    ready.forEach(function (t, i) { noLength[i] = t; });
    check(external.mjCalcSyanten14(noLength) === 0, "no length: 0..13 read, absent ones empty");
    check(external.mjCalcSyanten14(ready.concat([1.5])) === 0, "fraction in an array: no tile");
    check(status(function () { external.mjCalcSyanten14(136); }) === "80004005", "136");
    check(status(function () { external.mjCalcSyanten14(-1); }) === "80004005", "-1");
    check(status(function () { external.mjCalcSyanten14(1.5); }) === "80020005", "1.5");
    check(status(function () { external.mjCalcSyanten14("1"); }) === "80020005", "a string");
    check(external.mjCalcSyanten14(255) === -1, "255 is no tile");
    check(external.mjCalcSyanten14(0) === 0, "one integer is one tile");
  )");
}

TEST_F(External, Syanten34BothArgumentFormsAndPositionalOrder) {
  Run(R"(
    function status(f) { try { f(); return "ok"; } catch (e) { return (e.number >>> 0).toString(16); } }
    var counts = [];
    for (var k = 0; k < 34; ++k) counts.push(k < 13 ? 1 : 0);
    var calc = function (args) { return external.mjCalcSyanten34.apply(external, args); };
    check(external.mjCalcSyanten34() === 0, "empty counts");
    check(external.mjCalcSyanten34(counts) === 0, "array form");
    check(calc(counts.slice().reverse()) === 0, "the last argument is kind 0");
    check(calc(counts) === external.mjCalcSyanten34(counts.slice().reverse()), "the first argument is kind 33");
    check(calc(counts) !== 0, "and that is another hand");
    check(status(function () { external.mjCalcSyanten34(5); }) === "80004005", "count 5 positionally");
    check(status(function () { external.mjCalcSyanten34(1.5); }) === "80020005", "fraction");
    check(status(function () { external.mjCalcSyanten34([5]); }) === "ok", "count 5 in an array");
    check(external.mjCalcSyanten34(1) === external.mjCalcSyanten34([1]), "one integer is the count of kind 0");
  )");
}

}  // namespace
}  // namespace balvek::webview

#include "fakes/DebugLogListener.h"

namespace balvek::webview {
namespace {

TEST_F(External, DiagnosticLines) {
  testing::DebugLogListener log;
  if (!log.bound()) GTEST_SKIP() << "the log port is taken";
  Run(R"(
    external.mjCalcSyanten14();
    external.mjCalcSyanten14([4, 8]);
    external.startGame("x", "y");
    external.trayPopup();
    external.Nope;
  )");
  page.Close();
  EXPECT_TRUE(log.Saw("IDispatchBrowserExternalImpl Construct\r\n"));
  EXPECT_TRUE(log.Saw("CalcSyanten14 255,255,255,255,255,255,255,255,255,255,255,255,255,255\r\n"));
  EXPECT_TRUE(log.Saw("CalcSyanten14 4,8,255,255,255,255,255,255,255,255,255,255,255,255\r\n"));
  EXPECT_TRUE(log.Saw("__startGame c=2 V_VT=8\r\n"));
  EXPECT_TRUE(log.Saw("__trayPopup c=0 V_VT=0\r\n"));
  EXPECT_TRUE(log.Saw("IDispatchBrowserExternalImpl GetIDsOfNames UNKNOWN Nope\r\n"));
  EXPECT_TRUE(log.Saw("IDispatchBrowserExternalImpl Destruct\r\n"));
}

}  // namespace
}  // namespace balvek::webview
