#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "app/HeadlessWindows.h"
#include "app/MainWindow.h"
#include "fakes/RecordingDialogs.h"
#include "platform/Messages.h"
#include "script/Invoke.h"
#include "script/MainThreadTask.h"
#include "script/ScriptObject.h"

namespace balvek::app {
namespace {

using platform::LPARAM;

class RecordingView final : public MainWindowView {
 public:
  void ShowStatus(std::string_view text) override { statuses.emplace_back(text); }
  void StartGame(const char16_t* text) override { games.emplace_back(text ? text : u"(null)"); }
  void TrayPopup(const char16_t* text) override { popups.emplace_back(text ? text : u"(null)"); }
  std::vector<std::string> statuses;
  std::vector<std::u16string> games, popups;
};

// An attachable task that counts its ticks and its life.
class Task final : public script::ScriptObject, public script::MainThreadTask {
 public:
  static script::Ref<Task> Create(bool* alive) { return script::Ref<Task>::Adopt(new Task(alive)); }
  void Tick() override { ++ticks; }
  int ticks = 0;

 protected:
  script::HRESULT InvokeMember(script::DISPID, std::uint16_t, script::DispParams&, script::Variant*) override {
    return script::DISP_E_MEMBERNOTFOUND;
  }

 private:
  explicit Task(bool* alive) : ScriptObject(kClass), alive_(alive) { *alive_ = true; }
  ~Task() override { *alive_ = false; }
  static inline const script::ScriptClass kClass{.name = "Task", .members = {}};
  bool* alive_;
};

LPARAM AsParam(script::Dispatch* object) { return reinterpret_cast<LPARAM>(object); }

void PumpUntilIdle() {
  while (platform::PendingMessages() > 0) platform::PumpMessages();
}

TEST(MainWindow, AttachCallDetach) {
  platform::BindMainThread();
  testing::RecordingDialogs dialogs;
  RecordingView view;
  MainWindow window(view);
  bool alive = false;
  Task* task = Task::Create(&alive).Detach();  // the test's reference, dropped below

  platform::SendMessage(window.handle(), platform::WM__MAINTHREAD_ATTACH, 0, AsParam(task));
  EXPECT_TRUE(window.HasAttached());
  platform::SendMessage(window.handle(), platform::WM__MAINTHREAD_ATTACH, 0, AsParam(task));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "TICK ALREADY ATTACHED");
  EXPECT_EQ(task->Release(), 1u) << "the set holds exactly one reference";

  // The worker's calls and its final detach arrive in order on the main thread.
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) platform::PostMessage(window.handle(), platform::WM__MAINTHREAD_CALL, 0, AsParam(task));
    platform::PostMessage(window.handle(), platform::WM__MAINTHREAD_DETACH, 0, AsParam(task));
  });
  worker.join();
  EXPECT_TRUE(alive);
  PumpUntilIdle();
  EXPECT_FALSE(alive) << "the detach dropped the last reference after three ticks";
  EXPECT_FALSE(window.HasAttached());

  platform::SendMessage(window.handle(), platform::WM__MAINTHREAD_DETACH, 0, AsParam(task));
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[1].text, "DETACH UNKNOWN");
}

TEST(MainWindow, TicksCounted) {
  platform::BindMainThread();
  RecordingView view;
  MainWindow window(view);
  bool alive = false;
  const script::Ref<Task> task = Task::Create(&alive);
  platform::SendMessage(window.handle(), platform::WM__MAINTHREAD_CALL, 0, AsParam(task.get()));
  platform::SendMessage(window.handle(), platform::WM__MAINTHREAD_CALL, 0, AsParam(task.get()));
  EXPECT_EQ(task->ticks, 2);
}

TEST(MainWindow, DestructionDropsAttachedAndLateMessagesDoNothing) {
  platform::BindMainThread();
  testing::RecordingDialogs dialogs;
  RecordingView view;
  bool alive = false;
  Task* task = Task::Create(&alive).Detach();
  platform::WindowHandle handle;
  {
    MainWindow window(view);
    handle = window.handle();
    platform::SendMessage(handle, platform::WM__MAINTHREAD_ATTACH, 0, AsParam(task));
    task->Release();
    EXPECT_TRUE(alive);
  }
  EXPECT_FALSE(alive);
  EXPECT_FALSE(platform::PostMessage(handle, platform::WM__MAINTHREAD_DETACH, 0, AsParam(task)));
  PumpUntilIdle();
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(MainWindow, NamedCommands) {
  platform::BindMainThread();
  RecordingView view;
  MainWindow window(view);
  const auto send = [&](const char* command, platform::WPARAM argument) {
    return platform::SendMessage(window.handle(), platform::WM__NAMED_COMMAND, argument,
                                 reinterpret_cast<LPARAM>(command));
  };
  send("STATUS", reinterpret_cast<platform::WPARAM>("Analyzing 1/2"));
  send("status", reinterpret_cast<platform::WPARAM>("ignored: names are exact"));
  platform::SendMessage(window.handle(), platform::WM__NAMED_COMMAND, 0, 0);  // a null name is ignored
  EXPECT_EQ(view.statuses, std::vector<std::string>{"Analyzing 1/2"});

  // GETEXTERNAL: a new external object each time, bound to the web view,
  // whose startGame reaches this window.
  platform::Window webView(*static_cast<platform::MessageHandler*>(&window), window.handle());
  window.SetWebView(webView.handle());
  script::Dispatch* first = nullptr;
  script::Dispatch* second = nullptr;
  EXPECT_EQ(send("GETEXTERNAL", reinterpret_cast<platform::WPARAM>(&first)), 0);
  send("GETEXTERNAL", reinterpret_cast<platform::WPARAM>(&second));
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  const auto owned = script::Ref<script::Dispatch>::Adopt(first);
  script::Ref<script::Dispatch>::Adopt(second);

  script::Variant text = script::Variant::String(u"2026010112gm-0009");
  script::DispParams one{&text, nullptr, 1, 0};
  EXPECT_EQ(script::CallByName(owned.get(), u"startGame", one, nullptr), script::S_OK);
  script::DispParams none;
  EXPECT_EQ(script::CallByName(owned.get(), u"trayPopup", none, nullptr), script::S_OK);
  EXPECT_EQ(view.games, std::vector<std::u16string>{u"2026010112gm-0009"});
  EXPECT_EQ(view.popups, std::vector<std::u16string>{u"(null)"});
}

TEST(HeadlessWebView, GetScriptGivesThePageWithAReference) {
  platform::BindMainThread();
  RecordingView view;
  MainWindow window(view);
  webview::ScriptContext page;
  HeadlessWebView webView(window.handle(), page);
  window.SetWebView(webView.handle());
  const auto result = platform::SendMessage(webView.handle(), platform::WM__NAMED_COMMAND, 0,
                                            reinterpret_cast<LPARAM>("GETSCRIPT"));
  const auto script = script::Ref<script::Dispatch>::Adopt(reinterpret_cast<script::Dispatch*>(result));
  ASSERT_TRUE(script);
  page.Evaluate("var answer = window.external.mjCommand('VERSION') * 100;", "page.js");
  EXPECT_EQ(script::GetIntProperty(script.get(), u"answer", 0), 103);
}

}  // namespace
}  // namespace balvek::app

namespace balvek::app {
namespace {

TEST(ConsoleMainWindowView, StatusTextsGoToTheErrorStreamUnlessQuiet) {
  std::ostringstream loud, quiet;
  ConsoleMainWindowView(loud, false, "file:///x.js").ShowStatus("Analyzing 1/3");
  ConsoleMainWindowView(quiet, true, "file:///x.js").ShowStatus("Analyzing 1/3");
  EXPECT_EQ(loud.str(), "Analyzing 1/3\n");
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace balvek::app
