#include "app/HeadlessWindows.h"

#include <ostream>
#include <string_view>

#include "platform/Messages.h"

namespace balvek::app {

void ConsoleMainWindowView::ShowStatus(std::string_view text) {
  if (!quiet_) err_ << text << '\n';
}

// "[BALVEK] first line", further lines as they are.
void ConsoleMainWindowView::ShowBalloon(std::string_view text, std::string_view title) {
  err_ << '[' << title << "] ";
  for (std::size_t at; (at = text.find("\r\n")) != std::string_view::npos; text.remove_prefix(at + 2))
    err_ << text.substr(0, at) << '\n';
  err_ << text << '\n';
}

HeadlessWebView::HeadlessWebView(platform::WindowHandle mainWindow, webview::ScriptContext& page)
    : page_(page), window_(*this, mainWindow) {
  page_.SetExternalProvider([this] { return RequestExternal(); });
}

platform::LRESULT HeadlessWebView::HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM,
                                                 platform::LPARAM lParam) {
  if (message == platform::WM__NAMED_COMMAND && lParam &&
      std::string_view(reinterpret_cast<const char*>(lParam)) == "GETSCRIPT")
    return reinterpret_cast<platform::LRESULT>(page_.GlobalObject().Detach());
  return 0;
}

script::Ref<script::Dispatch> HeadlessWebView::RequestExternal() {
  script::Dispatch* external = nullptr;
  platform::SendMessage(platform::GetParent(handle()), platform::WM__NAMED_COMMAND,
                        reinterpret_cast<platform::WPARAM>(&external),
                        reinterpret_cast<platform::LPARAM>("GETEXTERNAL"));
  return script::Ref<script::Dispatch>::Adopt(external);
}

}  // namespace balvek::app
