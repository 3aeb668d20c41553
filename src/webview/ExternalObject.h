#pragma once
// window.external: the page's entry into the client.
#include "platform/WindowHandle.h"
#include "script/Ref.h"
#include "script/ScriptObject.h"

namespace balvek::webview {

class IDispatchBrowserExternalImpl final : public script::ScriptObject {
 public:
  // Bound to the web view window, whose parent is the main window.
  static script::Ref<IDispatchBrowserExternalImpl> Create(platform::WindowHandle webView);

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;

 private:
  explicit IDispatchBrowserExternalImpl(platform::WindowHandle webView);

  script::HRESULT mjCommand(script::DispParams& params, script::Variant* result);
  script::HRESULT mjCalcSyanten14(script::DispParams& params, script::Variant* result);
  script::HRESULT mjCalcSyanten34(script::DispParams& params, script::Variant* result);
  script::HRESULT startGame(script::DispParams& params, script::Variant* result);
  script::HRESULT trayPopup(script::DispParams& params, script::Variant* result);
  // Sends `command` with the single text argument (or none) to the main window.
  void Request(const char* command, script::DispParams& params);

  platform::WindowHandle webView_;
};

}  // namespace balvek::webview
