#pragma once
// What an analyzer test runs on: a main window that attaches, calls and
// detaches like the client's, a web view answering "GETSCRIPT", an options
// object of page callbacks that log their calls, a record folder of real
// gzip records named by config.ini, and a cache store of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "analysis/GzipFiles.h"
#include "analysis/IDispatchLogAnaImpl.h"
#include "analysis/LogAnaCache.h"
#include "fakes/FakePageObject.h"
#include "fakes/RecordingDialogs.h"
#include "fakes/TempDir.h"
#include "platform/Folders.h"
#include "platform/Messages.h"
#include "platform/Settings.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "script/ArgumentBlock.h"
#include "script/Invoke.h"
#include "script/MainThreadTask.h"

namespace balvek::analysis::test {

using script::DispParams;
using script::HRESULT;
using script::Ref;
using script::Variant;

class TestMainWindow final : public platform::MessageHandler {
 public:
  TestMainWindow() : window_(*this) {}
  ~TestMainWindow() {
    for (script::Dispatch* object : attached) object->Release();
  }

  platform::WindowHandle handle() const { return window_.handle(); }

  platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override {
    auto* object = reinterpret_cast<script::Dispatch*>(lParam);
    switch (message) {
      case platform::WM__NAMED_COMMAND:
        if (std::string_view(reinterpret_cast<const char*>(lParam)) == "STATUS")
          statuses.emplace_back(reinterpret_cast<const char*>(wParam));
        break;
      case platform::WM__MAINTHREAD_ATTACH:
        ++attaches;
        if (attached.insert(object).second) object->AddRef();
        break;
      case platform::WM__MAINTHREAD_CALL:
        dynamic_cast<script::MainThreadTask*>(object)->Tick();
        break;
      case platform::WM__MAINTHREAD_DETACH:
        ++detaches;
        if (attached.erase(object)) object->Release();
        break;
    }
    return 0;
  }

  std::set<script::Dispatch*> attached;
  std::vector<std::string> statuses;
  int attaches = 0, detaches = 0;

 private:
  platform::Window window_;
};

// A record of one round: a draw, a discard, a drawn game.
inline std::string RecordText(int type = 9) {
  return "<mjloggm ver=\"2.3\"><GO type=\"" + std::to_string(type) +
         "\" lobby=\"0\"/><UN n0=\"A\" n1=\"B\" n2=\"C\" n3=\"D\" dan=\"1,2,3,4\" "
         "rate=\"1500,1600,1700,1800\" sx=\"M,F,C,M\"/><TAIKYOKU oya=\"0\"/>"
         "<INIT seed=\"0,0,0,1,2,55\" ten=\"250,250,250,250\" oya=\"0\""
         " hai0=\"0,4,8,36,40,44,72,76,80,108,109,110,112\""
         " hai1=\"6,7,48,52,56,84,88,92,120,121,124,128,132\""
         " hai2=\"1,9,13,37,41,45,73,77,81,113,114,116,117\""
         " hai3=\"2,10,14,18,22,26,30,34,42,50,58,66,70\"/>"
         "<T60/><D60/><RYUUKYOKU ba=\"0,0\" sc=\"250,0,250,0,250,0,250,0\" />"
         "<BYE owari=\"250,0.0,250,0.0,250,0.0,250,0.0\" /></mjloggm>";
}

inline std::string Name(const char* hour, const char* type = "0009", const char* tail = "0000000a", int seat = 0) {
  return std::string(hour) + "gm-" + type + "-0000-" + tail + "&tw=" + std::to_string(seat);
}

// Objects handed to callbacks are shown by their record name when they have one.
inline std::string Describe(const Variant& v) {
  if (v.Is(script::VT_DISPATCH) && v.dispatch()) {
    if (auto name = script::GetStringProperty(v.dispatch(), u"filetw")) return "<" + platform::Utf16ToUtf8(*name) + ">";
  }
  switch (v.vt()) {
    case script::VT_I4: return std::to_string(v.i4());
    case script::VT_BSTR: return "'" + platform::Utf16ToUtf8(v.bstr().View()) + "'";
    case script::VT_DISPATCH: return "obj";
    case script::VT_BOOL: return v.boolVal() ? "true" : "false";
    default: return "vt" + std::to_string(v.vt());
  }
}

class LogAnaTest : public ::testing::Test {
 protected:
  LogAnaTest()
      : settings(dir / "config.ini"), store(dir / "00.dat"), page(fakes::FakePageObject::Create()) {
    page->MakesArrays();
    recordFolder = dir / "records";
    platform::CreateFolder(recordFolder);
    platform::CreateFolder(recordFolder + "/log");
    settings.Write("LOG", "PATH", recordFolder);
    options = fakes::FakePageObject::Create();
    options->MakesArrays();
  }

  // The web view window, the main window's child: answers "GETSCRIPT".
  struct WebView final : platform::MessageHandler {
    WebView(script::Dispatch* page, platform::WindowHandle parent) : page(page), window(*this, parent) {}
    platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM,
                                    platform::LPARAM lParam) override {
      if (message != platform::WM__NAMED_COMMAND || std::string_view(reinterpret_cast<const char*>(lParam)) != "GETSCRIPT")
        return 0;
      page->AddRef();
      return reinterpret_cast<platform::LRESULT>(page);
    }
    script::Dispatch* page;
    platform::Window window;
  };

  Ref<IDispatchLogAnaImpl> MakeAnalyzer() {
    if (!webView) webView = std::make_unique<WebView>(page.get(), mainWindow.handle());
    return IDispatchLogAnaImpl::Create(webView->window.handle(), &store, settings);
  }

  // Writes a record file under log/<sub>; empty `text` leaves a placeholder.
  std::string AddRecord(const std::string& sub, const std::string& name, const std::string& text = RecordText()) {
    std::string folder = recordFolder + "/log";
    std::size_t start = 0;
    while (start < sub.size()) {
      const std::size_t slash = sub.find('/', start);
      folder += "/" + sub.substr(start, slash - start);
      platform::CreateFolder(folder);
      start = slash == std::string::npos ? sub.size() : slash + 1;
    }
    const std::string path = folder + "/" + name + ".mjlog";
    if (text.empty())
      testing::WriteBytes(path, "");
    else
      testing::WriteGzip(path, text);
    return path;
  }

  // A callback that logs "Name arg,arg..." and answers `answer`.
  void On(const std::u16string& name, std::function<Variant(const DispParams&)> answer = nullptr,
          HRESULT status = script::S_OK) {
    // Readable as an object, as a script function is, and callable.
    options->Set(name, Variant::Object(page.get()));
    options->SetMethod(name, [this, name, answer, status](DispParams& params, Variant* result) {
      std::string line = platform::Utf16ToUtf8(name);
      for (unsigned i = params.cArgs; i-- > 0;) line += " " + Describe(params.rgvarg[i]);
      calls.push_back(line);
      if (answer && result) *result = answer(params);
      if (hook) hook(line);
      return status;
    });
  }

  HRESULT Analyze(IDispatchLogAnaImpl& analyzer, script::Dispatch* with = nullptr) {
    script::ArgumentBlock args{Variant::Object(with ? with : options.get())};
    return analyzer.Invoke(IDispatchLogAnaImpl::kAnalyze, script::IID_NULL, 0, script::DISPATCH_METHOD,
                           &args.params(), nullptr, nullptr, nullptr);
  }

  Variant Get(IDispatchLogAnaImpl& analyzer, script::DISPID id) {
    Variant value;
    DispParams none;
    EXPECT_EQ(analyzer.Invoke(id, script::IID_NULL, 0, script::DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr),
              script::S_OK);
    return value;
  }

  // Runs the main loop until nothing is attached and no message is pending.
  void RunToEnd() {
    platform::RunMessageLoop([this] { return !mainWindow.attached.empty() || platform::PendingMessages() > 0; });
  }

  // The calls whose line starts with `prefix`.
  std::vector<std::string> CallsOf(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : calls)
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
  }
  bool Shown(const std::string& status) const {
    return std::find(mainWindow.statuses.begin(), mainWindow.statuses.end(), status) != mainWindow.statuses.end();
  }

  testing::TempDir dir;
  testing::RecordingDialogs dialogs;
  platform::SettingsFile settings;
  LogAnaCache store;
  Ref<fakes::FakePageObject> page;
  std::unique_ptr<TestMainWindow> mainWindowOwner = std::make_unique<TestMainWindow>();
  TestMainWindow& mainWindow = *mainWindowOwner;
  std::unique_ptr<WebView> webView;
  Ref<fakes::FakePageObject> options;
  std::string recordFolder;
  std::vector<std::string> calls;
  std::function<void(const std::string&)> hook;
};

}  // namespace balvek::analysis::test
