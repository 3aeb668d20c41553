#pragma once
// A web view window that answers "GETSCRIPT" with a page object (a new
// reference for the caller), or with nothing.
#include <string_view>

#include "platform/Messages.h"
#include "platform/Window.h"
#include "script/Dispatch.h"

namespace balvek::analysis::test {

class FakeWebView final : public platform::MessageHandler {
 public:
  explicit FakeWebView(script::Dispatch* page) : page_(page), window_(*this) {}

  platform::WindowHandle handle() const { return window_.handle(); }
  int asked = 0;

  platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM,
                                  platform::LPARAM lParam) override {
    if (message != platform::WM__NAMED_COMMAND || !lParam ||
        std::string_view(reinterpret_cast<const char*>(lParam)) != "GETSCRIPT") {
      return 0;
    }
    ++asked;
    if (!page_) return 0;
    page_->AddRef();
    return reinterpret_cast<platform::LRESULT>(page_);
  }

 private:
  script::Dispatch* page_;
  platform::Window window_;
};

}  // namespace balvek::analysis::test
