#include "app/MainWindow.h"

#include "analysis/RecordFiles.h"
#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/ServiceHost.h"
#include "platform/Settings.h"
#include "platform/Text.h"
#include "script/MainThreadTask.h"
#include "webview/ExternalObject.h"

namespace balvek::app {

namespace {

constexpr const char* kNoticeTitle = "BALVEK";
constexpr const char* kNotHere = "このURLからは利用できません";
constexpr const char* kGameStarted = "対局開始";
constexpr const char* kGameRecorded = "牌譜情報を記録しました\r\n";
// The sizes of a balloon's text and title, and of the address read.
constexpr std::size_t kNoticeBytes = 255, kTitleBytes = 63, kAddressBytes = 255;

unsigned PointerBits(const void* p) { return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p)); }

}  // namespace

MainWindow::MainWindow(MainWindowView& view) : view_(view), window_(*this) {}

MainWindow::~MainWindow() {
  while (!attached_.empty()) {
    script::Dispatch* object = *attached_.begin();
    attached_.erase(attached_.begin());
    object->Release();
  }
}

platform::LRESULT MainWindow::HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM wParam,
                                            platform::LPARAM lParam) {
  switch (message) {
    case platform::WM__NAMED_COMMAND:
      if (lParam) NamedCommand(reinterpret_cast<const char*>(lParam), wParam);
      return 0;
    case platform::WM__MAINTHREAD_ATTACH:
      Attach(reinterpret_cast<script::Dispatch*>(lParam));
      return 0;
    case platform::WM__MAINTHREAD_CALL:
      // The sender keeps the object alive by having attached it first.
      if (auto* task = dynamic_cast<script::MainThreadTask*>(reinterpret_cast<script::Dispatch*>(lParam)))
        task->Tick();
      return 0;
    case platform::WM__MAINTHREAD_DETACH:
      Detach(reinterpret_cast<script::Dispatch*>(lParam));
      return 0;
    default:
      return 0;
  }
}

void MainWindow::NamedCommand(std::string_view command, platform::WPARAM argument) {
  if (command == "GETEXTERNAL") {
    auto* slot = reinterpret_cast<script::Dispatch**>(argument);
    if (slot) *slot = webview::IDispatchBrowserExternalImpl::Create(webView_).Detach();
  } else if (command == "STATUS") {
    view_.ShowStatus(argument ? reinterpret_cast<const char*>(argument) : "");
  } else if (command == "STARTGAME") {
    StartGame(reinterpret_cast<const char16_t*>(argument));
  } else if (command == "TRAYPOPUP") {
    TrayPopup(reinterpret_cast<const char16_t*>(argument));
  }
}

std::optional<std::string> MainWindow::GamePage(const char* command) {
  const std::string address = platform::CutUtf8(view_.Address(), kAddressBytes);
  platform::DebugLog("%s URL=%s\r\n", command, address.c_str());
  if (!address.starts_with(platform::GamePageAddress())) {
    Notice(kNotHere);
    return std::nullopt;
  }
  return address;
}

void MainWindow::Notice(std::string_view text) {
  view_.ShowBalloon(platform::CutUtf8(text, kNoticeBytes), platform::CutUtf8(kNoticeTitle, kTitleBytes));
}

void MainWindow::StartGame(const char16_t* text) {
  const std::optional<std::string> address = GamePage("STARTGAME");
  if (!address) return;
  platform::DebugLog("STARTGAME url=%s wParam=%X\r\n", address->c_str(), PointerBits(text));
  if (!text) {
    Notice(kGameStarted);
    return;
  }
  const std::string id = platform::Utf16ToUtf8(text);
  // The next analysis run finds the placeholder and downloads the record.
  analysis::CreateRecordPlaceholder(id);
  Notice(kGameRecorded + id);
}

void MainWindow::TrayPopup(const char16_t* text) {
  const std::optional<std::string> address = GamePage("TRAYPOPUP");
  if (!address) return;
  platform::DebugLog("TRAYPOPUP url=%s wParam=%X\r\n", address->c_str(), PointerBits(text));
  // A request without text has nothing to show.
  if (text) Notice(platform::Utf16ToUtf8(text));
}

void MainWindow::Attach(script::Dispatch* object) {
  platform::DebugLog("WM__MAINTHREAD_ATTACH lParam=%X\r\n", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(object)));
  if (!object) return;
  if (attached_.contains(object)) {
    platform::Dialogs().MessageBox(handle(), "TICK ALREADY ATTACHED", "", platform::MB_OK);
    return;
  }
  attached_.insert(object);
  object->AddRef();
}

void MainWindow::Detach(script::Dispatch* object) {
  platform::DebugLog("WM__MAINTHREAD_DETACH lParam=%X\r\n", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(object)));
  const auto it = attached_.find(object);
  if (it == attached_.end()) {
    platform::Dialogs().MessageBox(handle(), "DETACH UNKNOWN", "", platform::MB_OK);
    return;
  }
  // Drop the reference first (it may destroy the object), then forget it.
  object->Release();
  attached_.erase(it);
}

}  // namespace balvek::app
