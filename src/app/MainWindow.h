#pragma once
// The main window's switchboard: named commands and the main-thread
// messages of the analyzer. What it shows goes to a MainWindowView (GTK in
// the client, the console in the headless runner).
#include <set>
#include <string_view>

#include "platform/Window.h"
#include "script/Dispatch.h"

namespace balvek::app {

class MainWindowView {
 public:
  // The status bar's left part.
  virtual void ShowStatus(std::string_view text) = 0;
  // The page's game notices; `text` may be null.
  virtual void StartGame(const char16_t* text) = 0;
  virtual void TrayPopup(const char16_t* text) = 0;

 protected:
  ~MainWindowView() = default;
};

class MainWindow final : public platform::MessageHandler {
 public:
  explicit MainWindow(MainWindowView& view);
  // Drops the references of objects still attached, lowest address first.
  ~MainWindow();

  platform::WindowHandle handle() const { return window_.handle(); }
  // The web view window that external objects are bound to.
  void SetWebView(platform::WindowHandle webView) { webView_ = webView; }
  // An analysis (or other attached work) is still running.
  bool HasAttached() const { return !attached_.empty(); }

  platform::LRESULT HandleMessage(platform::WindowHandle window, std::uint32_t message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override;

 private:
  void NamedCommand(std::string_view command, platform::WPARAM argument);
  void Attach(script::Dispatch* object);
  void Detach(script::Dispatch* object);

  MainWindowView& view_;
  platform::WindowHandle webView_ = platform::kNoWindow;
  std::set<script::Dispatch*> attached_;  // each holds one reference
  platform::Window window_;
};

}  // namespace balvek::app
