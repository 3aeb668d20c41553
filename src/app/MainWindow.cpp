#include "app/MainWindow.h"

#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "script/MainThreadTask.h"
#include "webview/ExternalObject.h"

namespace balvek::app {

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
    view_.StartGame(reinterpret_cast<const char16_t*>(argument));
  } else if (command == "TRAYPOPUP") {
    view_.TrayPopup(reinterpret_cast<const char16_t*>(argument));
  }
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
