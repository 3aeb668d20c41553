#include "analysis/LogAnaCallbacks.h"

#include <algorithm>
#include <string>

#include "platform/Clock.h"
#include "platform/DebugLog.h"
#include "platform/Text.h"

namespace balvek::analysis {

using namespace script;

void LogAnaCallbacks::Reset() { slots.fill(CallbackSlot{}); }

void LogAnaCallbacks::Bind(Ref<Dispatch> page_options) {
  options = std::move(page_options);
  Reset();
  for (int i = 0; i < kCallbackCount; ++i) {
    const std::u16string name(kCallbackNames[i]);
    const char16_t* names[] = {name.c_str()};
    DISPID id = DISPID_UNKNOWN;
    if (!options || Failed(options->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id)) ||
        id == DISPID_UNKNOWN) {
      continue;
    }
    CallbackSlot& slot = slots[i];
    slot.id = id;
    Variant value;
    DispParams none;
    const HRESULT status = options->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    if (status != S_OK || !value.Is(VT_DISPATCH)) slot.id = DISPID_UNKNOWN;
    std::string padded = platform::Utf16ToUtf8(name);
    padded.resize(std::max<std::size_t>(padded.size(), 14), ' ');
    platform::DebugLog("%s dispid=%d vt=%d hr=%X\r\n", padded.c_str(), slot.id, value.vt(),
                       static_cast<unsigned>(status));
  }
}

HRESULT LogAnaCallbacks::CallJSFunc(Callback callback, Variant* args, unsigned count, Variant* result) {
  CallbackSlot& slot = slots[callback];
  if (slot.id == DISPID_UNKNOWN) return S_OK;
  const std::uint32_t t0 = platform::TimeGetTime();
  DispParams params{args, nullptr, count, 0};
  const HRESULT status = options ? options->Invoke(slot.id, IID_NULL, 0, DISPATCH_METHOD, &params, result,
                                                   nullptr, nullptr)
                                 : E_POINTER;
  if (status != S_OK) platform::DebugLog("CallJSFunc hr=%d/%X\r\n", status, static_cast<unsigned>(status));
  slot.elapsedMs += static_cast<std::int32_t>(platform::TimeGetTime() - t0);
  slot.calls += 1;
  return status;
}

}  // namespace balvek::analysis
