#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "app/HeadlessWindows.h"
#include "app/MainWindow.h"
#include "fakes/RecordingDialogs.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "platform/Folders.h"
#include "platform/Settings.h"
#include "platform/Text.h"
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
  std::string Address() const override { return address; }
  void ShowBalloon(std::string_view text, std::string_view title) override {
    balloons.emplace_back(text);
    titles.emplace_back(title);
  }
  std::vector<std::string> statuses;
  std::string address = "file:///page.html";
  std::vector<std::string> balloons, titles;
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
  // Not a game page: both are refused with the same notice.
  EXPECT_EQ(view.balloons, (std::vector<std::string>{"このURLからは利用できません", "このURLからは利用できません"}));
}

// The game notices on the service's game pages: startGame records a
// placeholder for the game's record and says so; trayPopup shows the text.
TEST(MainWindow, GameNoticesOnGamePagesOnly) {
  platform::BindMainThread();
  testing::TempDir dir;
  testing::ScopedEnv host("BALVEK_SERVICE_HOST", "games.test:8080");
  const std::string records = dir / "records";
  platform::CreateFolder(records);
  platform::SettingsFile(dir / "config.ini").Write("LOG", "PATH", records);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());  // "./config.ini" names the record folder

  RecordingView view;
  MainWindow window(view);
  const auto send = [&](const char* command, const char16_t* text) {
    platform::SendMessage(window.handle(), platform::WM__NAMED_COMMAND, reinterpret_cast<platform::WPARAM>(text),
                          reinterpret_cast<LPARAM>(command));
  };
  const std::string id = "2011010512gm-0009-0000-0123abcd&tw=1";
  struct Case {
    std::string address;
    const char* command;
    std::u16string text;
    bool hasText;
    std::string balloon;  // "" for none
  };
  const std::string longText(300, 'x');
  const Case cases[] = {
      {"http://games.test:8080/0/?lobby=1", "STARTGAME", platform::Utf8ToUtf16(id), true,
       "牌譜情報を記録しました\r\n" + id},
      {"http://games.test:8080/0/", "STARTGAME", u"", false, "対局開始"},
      {"http://games.test:8080/1/script/", "STARTGAME", u"2011010600gm-0009-0000-0000ffff&tw=0", true,
       "このURLからは利用できません"},
      {"http://GAMES.test:8080/0/", "TRAYPOPUP", u"hello", true, "このURLからは利用できません"},
      {"http://games.test:8080/0/", "TRAYPOPUP", u"お知らせ", true, "お知らせ"},
      {"http://games.test:8080/0/", "TRAYPOPUP", u"", false, ""},
      {"http://games.test:8080/0/", "TRAYPOPUP", platform::Utf8ToUtf16(longText), true, longText.substr(0, 255)},
  };
  for (const Case& c : cases) {
    view.address = c.address;
    view.balloons.clear();
    send(c.command, c.hasText ? c.text.c_str() : nullptr);
    EXPECT_EQ(view.balloons, c.balloon.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.balloon})
        << c.address << " " << c.command;
  }
  EXPECT_EQ(view.titles.back(), "BALVEK");
  const std::string placeholder = records + "/log/201101/" + id + ".mjlog";
  EXPECT_TRUE(std::filesystem::exists(placeholder));
  EXPECT_EQ(std::filesystem::file_size(placeholder), 0u);
  EXPECT_FALSE(std::filesystem::exists(records + "/log/201101/2011010600gm-0009-0000-0000ffff&tw=0.mjlog"));
  std::filesystem::current_path(before);
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

TEST(ConsoleMainWindowView, BalloonsArePrintedLines) {
  std::ostringstream err;
  ConsoleMainWindowView view(err, true, "http://x/0/");
  view.ShowBalloon("牌譜情報を記録しました\r\nid", "BALVEK");
  EXPECT_EQ(err.str(), "[BALVEK] 牌譜情報を記録しました\nid\n");
  EXPECT_EQ(view.Address(), "http://x/0/");
}

}  // namespace
}  // namespace balvek::app
