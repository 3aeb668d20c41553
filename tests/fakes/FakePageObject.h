#pragma once
// A page object without a script engine: named properties, methods given as
// C++ functions, and an "Array" method that makes another FakePageObject.
// Index properties are plain names ("0", "1", ...).
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "script/Dispatch.h"
#include "script/Variant.h"

namespace balvek::fakes {

class FakePageObject final : public script::DispatchEx {
 public:
  using Method = std::function<script::HRESULT(script::DispParams&, script::Variant*)>;

  static script::Ref<FakePageObject> Create(bool answersDispatchEx = true) {
    return script::Ref<FakePageObject>::Adopt(new FakePageObject(answersDispatchEx));
  }

  void Set(const std::u16string& name, script::Variant value) { properties_[IdOf(name, true)] = std::move(value); }
  void SetMethod(const std::u16string& name, Method method) { methods_[IdOf(name, true)] = std::move(method); }
  const script::Variant* Get(const std::u16string& name) const {
    const auto id = ids_.find(name);
    if (id == ids_.end()) return nullptr;
    const auto value = properties_.find(id->second);
    return value == properties_.end() ? nullptr : &value->second;
  }
  // Arrays made by this object's "Array" method answer DispatchEx as `arrays`.
  void MakesArrays(bool answerDispatchEx = true) {
    SetMethod(u"Array", [answerDispatchEx](script::DispParams&, script::Variant* result) {
      if (result) *result = script::Variant::Object(script::Ref<script::Dispatch>(Create(answerDispatchEx)));
      return script::S_OK;
    });
  }

  script::HRESULT QueryInterface(const script::IID& iid, void** object) override {
    if (!answersDispatchEx_ && iid == script::IID_IDispatchEx) {
      *object = nullptr;
      return script::E_NOINTERFACE;
    }
    return DispatchEx::QueryInterface(iid, object);
  }
  script::HRESULT GetIDsOfNames(const script::IID&, const char16_t* const* names, unsigned count, script::LCID,
                                script::DISPID* ids) override {
    script::HRESULT status = script::S_OK;
    for (unsigned i = 0; i < count; ++i) {
      ids[i] = IdOf(names[i], false);
      if (ids[i] == script::DISPID_UNKNOWN) status = script::DISP_E_UNKNOWNNAME;
    }
    return status;
  }
  script::HRESULT Invoke(script::DISPID id, const script::IID&, script::LCID lcid, std::uint16_t wFlags,
                         script::DispParams* params, script::Variant* result, script::ExcepInfo* info,
                         unsigned*) override {
    return InvokeEx(id, lcid, wFlags, params, result, info, nullptr);
  }
  script::HRESULT GetDispID(const char16_t* name, std::uint32_t grfdex, script::DISPID* id) override {
    *id = IdOf(name, grfdex & script::fdexNameEnsure);
    return *id == script::DISPID_UNKNOWN ? script::DISP_E_UNKNOWNNAME : script::S_OK;
  }
  script::HRESULT InvokeEx(script::DISPID id, script::LCID, std::uint16_t wFlags, script::DispParams* params,
                           script::Variant* result, script::ExcepInfo*, void*) override {
    if (wFlags & script::DISPATCH_PROPERTYPUT) {
      properties_[id] = params->rgvarg[0];
      return script::S_OK;
    }
    if (const auto method = methods_.find(id); method != methods_.end() && (wFlags & script::DISPATCH_METHOD))
      return method->second(*params, result);
    if (const auto value = properties_.find(id); value != properties_.end() && (wFlags & script::DISPATCH_PROPERTYGET)) {
      if (result) *result = value->second;
      return script::S_OK;
    }
    return script::DISP_E_MEMBERNOTFOUND;
  }

 private:
  explicit FakePageObject(bool answersDispatchEx) : answersDispatchEx_(answersDispatchEx) {}

  script::DISPID IdOf(const std::u16string& name, bool ensure) {
    if (const auto it = ids_.find(name); it != ids_.end()) return it->second;
    if (!ensure) return script::DISPID_UNKNOWN;
    const auto id = static_cast<script::DISPID>(ids_.size() + 1);
    ids_.emplace(name, id);
    return id;
  }

  bool answersDispatchEx_;
  std::map<std::u16string, script::DISPID> ids_;
  std::map<script::DISPID, script::Variant> properties_;
  std::map<script::DISPID, Method> methods_;
};

}  // namespace balvek::fakes
