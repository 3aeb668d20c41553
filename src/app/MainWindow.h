#pragma once
// The main window's switchboard: named commands and the main-thread
// messages of the analyzer. What it shows goes to a MainWindowView (GTK in
// the client, the console in the headless runner).
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/Window.h"
#include "script/Dispatch.h"

namespace balvek::app {

class MainWindowView {
 public:
  // The status bar's left part.
  virtual void ShowStatus(std::string_view text) = 0;
  // The text of the address box: the address of the page shown.
  virtual std::string Address() const = 0;
  // A balloon notice on the notification icon, already cut to its sizes.
  virtual void ShowBalloon(std::string_view text, std::string_view title) = 0;

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
  // The page's game notices: honoured only on the service's game pages.
  void StartGame(const char16_t* text);
  void TrayPopup(const char16_t* text);
  // The address shown, when it is a game page (written to the log either way).
  std::optional<std::string> GamePage(const char* command);
  void Notice(std::string_view text);
  void Attach(script::Dispatch* object);
  void Detach(script::Dispatch* object);

  MainWindowView& view_;
  platform::WindowHandle webView_ = platform::kNoWindow;
  std::set<script::Dispatch*> attached_;  // each holds one reference
  platform::Window window_;
};

}  // namespace balvek::app
