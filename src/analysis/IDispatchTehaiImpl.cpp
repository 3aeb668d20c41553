#include "analysis/IDispatchTehaiImpl.h"

#include <algorithm>
#include <limits>
#include <span>

#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "script/Invoke.h"

namespace balvek::analysis {
namespace {

using namespace script;

constexpr DISPID kLength = 100, kSort = 101, kSyanten = 102, kMachi = 103, kMachiCount = 104,
                 kFuriten = 105, kToArray = 106, kSlot0 = 200, kSlot13 = 213;

constexpr MemberName kMembers[] = {
    {u"length", kLength},         {u"sort", kSort},       {u"syanten", kSyanten},
    {u"machi", kMachi},           {u"machiCount", kMachiCount},
    {u"furiten", kFuriten},       {u"toArray", kToArray},
};

const ScriptClass kClass{.name = "IDispatchTehaiImpl",
                         .members = kMembers,
                         .destructLine = "IDispatchTehaiImpl DESTRUCT\r\n"};

// A name of digits only (the empty name too) as a decimal number,
// saturated; nothing for any other name.
std::optional<std::uint32_t> DecimalName(std::u16string_view name) {
  std::uint64_t value = 0;
  for (const char16_t c : name) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = std::min<std::uint64_t>(value * 10 + (c - u'0'), std::numeric_limits<std::int32_t>::max());
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

Ref<IDispatchTehaiImpl> IDispatchTehaiImpl::Create(platform::WindowHandle webView) {
  const platform::LRESULT answer = platform::SendMessage(webView, platform::WM__NAMED_COMMAND, 0,
                                                         reinterpret_cast<platform::LPARAM>("GETSCRIPT"));
  Ref<Dispatch> page = Ref<Dispatch>::Adopt(reinterpret_cast<Dispatch*>(answer));
  if (!page) {
    platform::Dialogs().MessageBox(webView, "GETSCRIPT FAILED", "", platform::MB_ICONERROR);
    return nullptr;
  }
  return Ref<IDispatchTehaiImpl>::Adopt(new IDispatchTehaiImpl(std::move(page)));
}

IDispatchTehaiImpl::IDispatchTehaiImpl(Ref<Dispatch> page) : ScriptObject(kClass), page_(std::move(page)) {}

HRESULT IDispatchTehaiImpl::GetIDsOfNames(const IID&, const char16_t* const* names, unsigned count, LCID,
                                          DISPID* ids) {
  if (count > 0 && (!names || !ids)) return E_POINTER;
  HRESULT status = S_OK;
  for (unsigned i = 0; i < count; ++i) {
    const std::u16string_view name = names[i] ? std::u16string_view(names[i]) : std::u16string_view();
    ids[i] = DISPID_UNKNOWN;
    if (const std::optional<DISPID> id = FindName(name)) {
      ids[i] = *id;
    } else if (const std::optional<std::uint32_t> n = DecimalName(name)) {
      if (*n <= 13) {
        ids[i] = kSlot0 + static_cast<DISPID>(*n);
      } else {
        status = DISP_E_BADINDEX;
      }
    } else {
      platform::DebugLog("IDispatchTehaiImpl GetIDsOfNames UNKNOWN %s\r\n", platform::Utf16ToUtf8(name).c_str());
      status = DISP_E_MEMBERNOTFOUND;
    }
  }
  return status;
}

void IDispatchTehaiImpl::LogUnknownId(DISPID id, const DispParams* params) const {
  platform::DebugLog("IDispatchTehaiImpl UNKNOWN Invoke dispid=%d/0x%0X cArg=%d", id, static_cast<unsigned>(id),
                     params ? static_cast<int>(params->cArgs) : 0);
}

HRESULT IDispatchTehaiImpl::Invoke(DISPID dispIdMember, const IID&, LCID, std::uint16_t wFlags,
                                   DispParams* pDispParams, Variant* pVarResult, ExcepInfo*, unsigned*) {
  DispParams none;
  DispParams& params = pDispParams ? *pDispParams : none;
  const bool method = dispIdMember >= kSort && dispIdMember <= kToArray;
  if (wFlags & DISPATCH_METHOD) {
    if (!method) {
      LogUnknownId(dispIdMember, pDispParams);
      return DISP_E_MEMBERNOTFOUND;
    }
    return InvokeMember(dispIdMember, wFlags, params, pVarResult);
  }
  if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
  if (dispIdMember == kLength) {
    if (!pVarResult) return DISP_E_MEMBERNOTFOUND;
    *pVarResult = Variant::I4(nHai);
    return S_OK;
  }
  if (method) return InvokeMember(dispIdMember, wFlags, params, pVarResult);
  if (dispIdMember >= kSlot0 && dispIdMember <= kSlot13) {
    if (wFlags & DISPATCH_PROPERTYPUT) return DISP_E_ARRAYISLOCKED;
    if (!pVarResult) return DISP_E_MEMBERNOTFOUND;
    *pVarResult = Variant::I4(slots[dispIdMember - kSlot0]);
    return S_OK;
  }
  LogUnknownId(dispIdMember, pDispParams);
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT IDispatchTehaiImpl::InvokeMember(DISPID id, std::uint16_t wFlags, DispParams& params, Variant* result) {
  switch (id) {
    case kSort: return DispatchMethod(&IDispatchTehaiImpl::sort, wFlags, params, result);
    case kSyanten: return DispatchMethod(&IDispatchTehaiImpl::syanten, wFlags, params, result);
    case kMachi: return DispatchMethod(&IDispatchTehaiImpl::machiArray, wFlags, params, result);
    case kMachiCount: return DispatchMethod(&IDispatchTehaiImpl::machiCount, wFlags, params, result);
    case kFuriten: return DispatchMethod(&IDispatchTehaiImpl::furitenFlag, wFlags, params, result);
    case kToArray: return DispatchMethod(&IDispatchTehaiImpl::toArray, wFlags, params, result);
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT IDispatchTehaiImpl::sort(DispParams&, Variant*) {
  Sort();
  return S_OK;
}

HRESULT IDispatchTehaiImpl::syanten(DispParams&, Variant* result) {
  if (result) *result = Variant::I4(Syanten());
  return S_OK;
}

HRESULT IDispatchTehaiImpl::machiArray(DispParams&, Variant* result) {
  return CreateJSArray(page_.get(), std::span<const std::uint8_t>(machi), result);
}

HRESULT IDispatchTehaiImpl::machiCount(DispParams&, Variant* result) {
  const hand::CountVector counts = Counts();
  std::int32_t open = 0;
  for (const std::uint8_t kind : machi) open += 4 - counts[kind];
  if (result) *result = Variant::I4(open);
  return S_OK;
}

HRESULT IDispatchTehaiImpl::furitenFlag(DispParams&, Variant* result) {
  if (result) *result = Variant::Bool(furiten != 0);
  return S_OK;
}

HRESULT IDispatchTehaiImpl::toArray(DispParams&, Variant* result) {
  const auto count = static_cast<std::size_t>(std::clamp(nHai, 0, static_cast<std::int32_t>(hand::kSlots)));
  return CreateJSArray(page_.get(), std::span<const std::uint8_t>(slots.data(), count), result);
}

}  // namespace balvek::analysis
