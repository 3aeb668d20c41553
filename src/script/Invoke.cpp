#include "script/Invoke.h"

#include <string>

namespace balvek::script {

namespace {

std::u16string Decimal(std::int32_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

HRESULT IdOfName(Dispatch* object, std::u16string_view name, DISPID* id) {
  const std::u16string text(name);
  const char16_t* names[] = {text.c_str()};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, id);
}

template <class Element, class ToVariant>
HRESULT BuildArray(Dispatch* page, std::span<const Element> elements, Variant* result, ToVariant toVariant) {
  Variant made;
  const HRESULT status = InvokeByName(page, u"Array", DISPATCH_METHOD, &made);
  if (status != S_OK) return status;
  // An "Array" that yields no object leaves nothing to fill: report it rather
  // than claim an array that the result does not hold.
  if (!made.dispatch()) return DISP_E_TYPEMISMATCH;

  void* queried = nullptr;
  const HRESULT query = made.dispatch()->QueryInterface(IID_IDispatchEx, &queried);
  if (Failed(query) && query != E_NOINTERFACE) return query;
  const Ref<DispatchEx> array = Ref<DispatchEx>::Adopt(static_cast<DispatchEx*>(queried));
  if (!array && !elements.empty()) return E_POINTER;

  DISPID named = DISPID_PROPERTYPUT;
  for (std::size_t i = 0; i < elements.size(); ++i) {
    const std::u16string name = Decimal(static_cast<std::int32_t>(i));
    DISPID id = DISPID_UNKNOWN;
    array->GetDispID(name.c_str(), fdexNameEnsure, &id);
    Variant value = toVariant(elements[i]);
    DispParams params{&value, &named, 1, 1};
    array->InvokeEx(id, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
  }
  if (result) *result = std::move(made);
  return S_OK;
}

HRESULT InvokeNamed(Dispatch* object, std::u16string_view name, std::uint16_t wFlags, DispParams& params,
                    Variant* result) {
  if (!object) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  const HRESULT status = IdOfName(object, name, &id);
  if (Failed(status)) return status;
  return object->Invoke(id, IID_NULL, 0, wFlags, &params, result, nullptr, nullptr);
}

}  // namespace

HRESULT InvokeByName(Dispatch* object, std::u16string_view name, std::uint16_t wFlags, Variant* result) {
  DispParams none;
  return InvokeNamed(object, name, wFlags, none, result);
}

HRESULT CallByName(Dispatch* object, std::u16string_view name, DispParams& params, Variant* result) {
  return InvokeNamed(object, name, DISPATCH_METHOD, params, result);
}

HRESULT GetProperty(Dispatch* object, std::u16string_view name, Variant* result) {
  return InvokeByName(object, name, DISPATCH_PROPERTYGET, result);
}

std::int32_t GetIntProperty(Dispatch* object, std::u16string_view name, std::int32_t fallback) {
  Variant value;
  if (Succeeded(GetProperty(object, name, &value)) && value.Is(VT_I4)) return value.i4();
  return fallback;
}

std::int32_t GetIntElement(Dispatch* object, std::int32_t index, std::int32_t fallback) {
  return GetIntProperty(object, Decimal(index), fallback);
}

std::optional<std::u16string> GetStringProperty(Dispatch* object, std::u16string_view name) {
  Variant value;
  if (Succeeded(GetProperty(object, name, &value)) && value.Is(VT_BSTR)) return value.bstr().Text();
  return std::nullopt;
}

HRESULT CreateJSArray(Dispatch* page, std::span<const std::uint8_t> elements, Variant* result) {
  return BuildArray(page, elements, result, [](std::uint8_t e) { return Variant::I4(e); });
}

HRESULT CreateJSArray(Dispatch* page, std::span<const std::int32_t> elements, Variant* result) {
  return BuildArray(page, elements, result, [](std::int32_t e) { return Variant::I4(e); });
}

HRESULT CreateJSArray(Dispatch* page, std::span<Dispatch* const> elements, Variant* result) {
  return BuildArray(page, elements, result, [](Dispatch* e) { return Variant::Object(e); });
}

HRESULT CreateJSArray(Dispatch* page, std::span<const Variant> elements, Variant* result) {
  return BuildArray(page, elements, result, [](const Variant& e) { return e; });
}

}  // namespace balvek::script
