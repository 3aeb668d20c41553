#include "webview/ExternalObject.h"

#include <bit>
#include <cstdint>

#include "analysis/IDispatchLogAnaImpl.h"
#include "hand/ScriptSyanten.h"
#include "platform/DebugLog.h"
#include "platform/Messages.h"
#include "platform/Window.h"
#include "script/IDispatchFileImpl.h"

namespace balvek::webview {

using script::DispParams;
using script::HRESULT;
using script::Variant;

namespace {

constexpr script::DISPID kMjCommand = 1001;
constexpr script::DISPID kMjCalcSyanten14 = 1002;
constexpr script::DISPID kMjCalcSyanten34 = 1003;
constexpr script::DISPID kStartGame = 1004;
constexpr script::DISPID kTrayPopup = 1005;

constexpr script::MemberName kMembers[] = {
    {u"mjCommand", kMjCommand},     {u"mjCalcSyanten14", kMjCalcSyanten14}, {u"mjCalcSyanten34", kMjCalcSyanten34},
    {u"startGame", kStartGame},     {u"trayPopup", kTrayPopup},
};

const script::ScriptClass kClass{
    .name = "IDispatchBrowserExternalImpl",
    .members = kMembers,
    .constructLine = "IDispatchBrowserExternalImpl Construct\r\n",
    .destructLine = "IDispatchBrowserExternalImpl Destruct\r\n",
    .unknownNameStatus = script::DISP_E_MEMBERNOTFOUND,
    .namesOutcome = script::NamesOutcome::FailIfAnyUnknown,
    .unknownIdLine = script::UnknownIdLine::None,
};

// The client's version as script reads it: exactly the double 1.03.
constexpr double kVersion = std::bit_cast<double>(std::uint64_t{0x3FF07AE147AE147B});
static_assert(kVersion == 1.03);

}  // namespace

script::Ref<IDispatchBrowserExternalImpl> IDispatchBrowserExternalImpl::Create(platform::WindowHandle webView) {
  return script::Ref<IDispatchBrowserExternalImpl>::Adopt(new IDispatchBrowserExternalImpl(webView));
}

IDispatchBrowserExternalImpl::IDispatchBrowserExternalImpl(platform::WindowHandle webView)
    : ScriptObject(kClass), webView_(webView) {}

HRESULT IDispatchBrowserExternalImpl::InvokeMember(script::DISPID id, std::uint16_t wFlags, DispParams& params,
                                                   Variant* result) {
  using Self = IDispatchBrowserExternalImpl;
  switch (id) {
    case kMjCommand: return DispatchMethod(&Self::mjCommand, wFlags, params, result);
    case kMjCalcSyanten14: return DispatchMethod(&Self::mjCalcSyanten14, wFlags, params, result);
    case kMjCalcSyanten34: return DispatchMethod(&Self::mjCalcSyanten34, wFlags, params, result);
    case kStartGame: return DispatchMethod(&Self::startGame, wFlags, params, result);
    case kTrayPopup: return DispatchMethod(&Self::trayPopup, wFlags, params, result);
    default: return script::DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT IDispatchBrowserExternalImpl::mjCommand(DispParams& params, Variant* result) {
  if (params.cArgs == 0 || !params.rgvarg[0].Is(script::VT_BSTR) || !result) return script::DISP_E_MEMBERNOTFOUND;
  const std::u16string command = params.rgvarg[0].bstr().Text();
  *result = Variant();
  if (command == u"VERSION") {
    *result = Variant::R8(kVersion);
    return script::S_OK;
  }
  // Each create command makes a new object; the result holds its only reference.
  script::Ref<script::Dispatch> created;
  if (command == u"CREATEINSTANCE::LOGANA1.0") created = analysis::IDispatchLogAnaImpl::Create(webView_);
  if (command == u"CREATEINSTANCE::FILE1.0") created = script::IDispatchFileImpl::Create(webView_);
  if (!created) return script::DISP_E_MEMBERNOTFOUND;
  *result = Variant::Object(std::move(created));
  return script::S_OK;
}

HRESULT IDispatchBrowserExternalImpl::mjCalcSyanten14(DispParams& params, Variant* result) {
  return hand::mjCalcSyanten14(params, result);
}

HRESULT IDispatchBrowserExternalImpl::mjCalcSyanten34(DispParams& params, Variant* result) {
  return hand::mjCalcSyanten34(params, result);
}

HRESULT IDispatchBrowserExternalImpl::startGame(DispParams& params, Variant*) {
  platform::DebugLog("__startGame c=%d V_VT=%d\r\n", static_cast<int>(params.cArgs),
                     params.cArgs ? static_cast<int>(params.rgvarg[0].vt()) : 0);
  Request("STARTGAME", params);
  return script::S_OK;
}

HRESULT IDispatchBrowserExternalImpl::trayPopup(DispParams& params, Variant*) {
  platform::DebugLog("__trayPopup c=%d V_VT=%d\r\n", static_cast<int>(params.cArgs),
                     params.cArgs ? static_cast<int>(params.rgvarg[0].vt()) : 0);
  Request("TRAYPOPUP", params);
  return script::S_OK;
}

void IDispatchBrowserExternalImpl::Request(const char* command, DispParams& params) {
  const char16_t* text =
      params.cArgs == 1 && params.rgvarg[0].Is(script::VT_BSTR) ? params.rgvarg[0].bstr().CStr() : nullptr;
  platform::SendMessage(platform::GetParent(webView_), platform::WM__NAMED_COMMAND,
                        reinterpret_cast<platform::WPARAM>(text), reinterpret_cast<platform::LPARAM>(command));
}

}  // namespace balvek::webview
