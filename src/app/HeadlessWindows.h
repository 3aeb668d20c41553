#pragma once
// The main window and the web view window without a display, for the
// headless page runner: same message handling, console output.
#include <iosfwd>
#include <string>

#include "app/MainWindow.h"
#include "platform/Window.h"
#include "script/Ref.h"
#include "webview/ScriptContext.h"

namespace balvek::app {

// Status texts (unless quiet) and balloon notices go to `err` as lines;
// the address box holds `address` for the whole run.
class ConsoleMainWindowView final : public MainWindowView {
 public:
  ConsoleMainWindowView(std::ostream& err, bool quiet, std::string address)
      : err_(err), quiet_(quiet), address_(std::move(address)) {}
  void ShowStatus(std::string_view text) override;
  std::string Address() const override { return address_; }
  void ShowBalloon(std::string_view text, std::string_view title) override;

 private:
  std::ostream& err_;
  bool quiet_;
  std::string address_;
};

// The web view window of one page context: answers "GETSCRIPT" and asks the
// main window for the page's external object.
class HeadlessWebView final : public platform::MessageHandler {
 public:
  HeadlessWebView(platform::WindowHandle mainWindow, webview::ScriptContext& page);

  platform::WindowHandle handle() const { return window_.handle(); }
  platform::LRESULT HandleMessage(platform::WindowHandle window, std::uint32_t message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override;

 private:
  script::Ref<script::Dispatch> RequestExternal();

  webview::ScriptContext& page_;
  platform::Window window_;
};

}  // namespace balvek::app
