// Page objects as DispatchEx: what native code calls back into.
#include <charconv>

#include "webview/JsBinding.h"

namespace balvek::webview {

using script::DISPID;
using script::HRESULT;
using script::Variant;

namespace {

// "0", "1", ... without leading zeros, as script writes array indices.
bool ParseIndex(std::u16string_view name, std::uint32_t* index) {
  if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == u'0')) return false;
  std::uint64_t value = 0;
  for (char16_t c : name) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  if (value >= static_cast<std::uint64_t>(0x7FFFFFFF - JsObjectDispatch::kIndexBase)) return false;
  *index = static_cast<std::uint32_t>(value);
  return true;
}

}  // namespace

script::Ref<JsObjectDispatch> JsObjectDispatch::Create(ScriptContext::Impl& impl, JSObjectRef object) {
  return script::Ref<JsObjectDispatch>::Adopt(new JsObjectDispatch(impl, object));
}

JsObjectDispatch::JsObjectDispatch(ScriptContext::Impl& impl, JSObjectRef object) : impl_(&impl), object_(object) {
  JSValueProtect(impl.ctx, object_);
  impl.pageObjects.insert(this);
}

JsObjectDispatch::~JsObjectDispatch() { Detach(); }

void JsObjectDispatch::Detach() {
  if (!object_) return;
  JSValueUnprotect(impl_->ctx, object_);
  for (JSStringRef name : names_) JSStringRelease(name);
  names_.clear();
  ids_.clear();
  object_ = nullptr;
  impl_->pageObjects.erase(this);
}

HRESULT JsObjectDispatch::IdOf(std::u16string_view name, bool ensure, DISPID* id) {
  *id = script::DISPID_UNKNOWN;
  if (!object_) return script::E_UNEXPECTED;
  std::uint32_t index = 0;
  if (ParseIndex(name, &index)) {
    *id = kIndexBase + static_cast<DISPID>(index);
    return script::S_OK;
  }
  if (const auto known = ids_.find(std::u16string(name)); known != ids_.end()) {
    *id = known->second;
    return script::S_OK;
  }
  JSStringRef text = MakeJsString(name);
  if (!ensure && !JSObjectHasProperty(impl_->ctx, object_, text)) {
    JSStringRelease(text);
    return script::DISP_E_UNKNOWNNAME;
  }
  names_.push_back(text);
  *id = static_cast<DISPID>(names_.size());
  ids_.emplace(name, *id);
  return script::S_OK;
}

HRESULT JsObjectDispatch::GetIDsOfNames(const script::IID&, const char16_t* const* names, unsigned count,
                                        script::LCID, DISPID* ids) {
  if (count > 0 && (!names || !ids)) return script::E_POINTER;
  HRESULT status = script::S_OK;
  for (unsigned i = 0; i < count; ++i) {
    const HRESULT one = IdOf(names[i] ? std::u16string_view(names[i]) : std::u16string_view(), false, &ids[i]);
    if (script::Failed(one)) status = one;
  }
  return status;
}

HRESULT JsObjectDispatch::GetDispID(const char16_t* name, std::uint32_t grfdex, DISPID* id) {
  if (!id) return script::E_POINTER;
  return IdOf(name ? std::u16string_view(name) : std::u16string_view(), grfdex & script::fdexNameEnsure, id);
}

HRESULT JsObjectDispatch::Call(JSObjectRef function, JSObjectRef self, script::DispParams& params, Variant* result) {
  JSContextRef ctx = impl_->ctx;
  std::vector<JSValueRef> arguments(params.cArgs);
  for (unsigned i = 0; i < params.cArgs; ++i) arguments[i] = impl_->ToJs(params.rgvarg[params.cArgs - 1 - i]);
  JSValueRef exception = nullptr;
  JSValueRef value = JSObjectCallAsFunction(ctx, function, self, arguments.size(), arguments.data(), &exception);
  if (exception) {
    impl_->Report(exception);
    return script::DISP_E_EXCEPTION;
  }
  if (result) *result = impl_->FromJs(value);
  return script::S_OK;
}

HRESULT JsObjectDispatch::Invoke(DISPID dispIdMember, const script::IID&, script::LCID lcid, std::uint16_t wFlags,
                                 script::DispParams* pDispParams, Variant* pVarResult, script::ExcepInfo* pExcepInfo,
                                 unsigned*) {
  return InvokeEx(dispIdMember, lcid, wFlags, pDispParams, pVarResult, pExcepInfo, nullptr);
}

HRESULT JsObjectDispatch::InvokeEx(DISPID id, script::LCID, std::uint16_t wFlags, script::DispParams* pdp,
                                   Variant* pvarRes, script::ExcepInfo*, void*) {
  if (!object_) return script::E_UNEXPECTED;
  script::DispParams none;
  script::DispParams& params = pdp ? *pdp : none;
  JSContextRef ctx = impl_->ctx;

  if (id == script::DISPID_VALUE) {
    if ((wFlags & script::DISPATCH_METHOD) && JSObjectIsFunction(ctx, object_)) return Call(object_, nullptr, params, pvarRes);
    return script::DISP_E_MEMBERNOTFOUND;
  }
  const bool isIndex = id >= kIndexBase;
  if (!isIndex && (id < 1 || static_cast<std::size_t>(id) > names_.size())) return script::DISP_E_MEMBERNOTFOUND;
  const auto index = static_cast<unsigned>(id - kIndexBase);
  JSStringRef name = isIndex ? nullptr : names_[id - 1];
  JSValueRef exception = nullptr;

  if (wFlags & (script::DISPATCH_PROPERTYPUT | script::DISPATCH_PROPERTYPUTREF)) {
    if (params.cArgs < 1) return script::DISP_E_PARAMNOTFOUND;
    JSValueRef value = impl_->ToJs(params.rgvarg[0]);
    if (isIndex)
      JSObjectSetPropertyAtIndex(ctx, object_, index, value, &exception);
    else
      JSObjectSetProperty(ctx, object_, name, value, kJSPropertyAttributeNone, &exception);
  } else {
    JSValueRef value = isIndex ? JSObjectGetPropertyAtIndex(ctx, object_, index, &exception)
                               : JSObjectGetProperty(ctx, object_, name, &exception);
    if (!exception) {
      if (wFlags & script::DISPATCH_METHOD) {
        JSObjectRef function = JSValueIsObject(ctx, value) ? JSValueToObject(ctx, value, nullptr) : nullptr;
        if (function && JSObjectIsFunction(ctx, function)) return Call(function, object_, params, pvarRes);
        if (!(wFlags & script::DISPATCH_PROPERTYGET)) return script::DISP_E_MEMBERNOTFOUND;
      } else if (!(wFlags & script::DISPATCH_PROPERTYGET)) {
        return script::DISP_E_MEMBERNOTFOUND;
      }
      if (pvarRes) *pvarRes = impl_->FromJs(value);
    }
  }
  if (exception) {
    impl_->Report(exception);
    return script::DISP_E_EXCEPTION;
  }
  return script::S_OK;
}

}  // namespace balvek::webview
