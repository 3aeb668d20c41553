#pragma once
// Reading values from page objects, calling their members, and building real
// script arrays through the page's own Array.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "script/Dispatch.h"
#include "script/Variant.h"

namespace balvek::script {

// GetIDsOfNames (IID_NULL, LOCALE_SYSTEM_DEFAULT), then Invoke of that id
// with `wFlags`, locale 0 and no arguments. The first failing status is
// returned.
HRESULT InvokeByName(Dispatch* object, std::u16string_view name, std::uint16_t wFlags, Variant* result);

// A page function called by name: DISPATCH_METHOD with `params` (values in
// reverse order, see ArgumentBlock).
HRESULT CallByName(Dispatch* object, std::u16string_view name, DispParams& params, Variant* result);

HRESULT GetProperty(Dispatch* object, std::u16string_view name, Variant* result);

// The property's value when it reads as VT_I4, else `fallback`: no
// conversion, so a double or a string of digits gives `fallback`.
std::int32_t GetIntProperty(Dispatch* object, std::u16string_view name, std::int32_t fallback);

// GetIntProperty with `index` in decimal as the name.
std::int32_t GetIntElement(Dispatch* object, std::int32_t index, std::int32_t fallback);

// The property's text when it reads as VT_BSTR (a null string reads as
// empty), else nothing.
std::optional<std::u16string> GetStringProperty(Dispatch* object, std::u16string_view name);

// A new array of the page: "Array" is called as a method of `page`, then each
// element is set with GetDispID(fdexNameEnsure) and InvokeEx(PROPERTYPUT).
// `result` (when given) receives the array; on failure it is untouched.
HRESULT CreateJSArray(Dispatch* page, std::span<const std::uint8_t> elements, Variant* result);
HRESULT CreateJSArray(Dispatch* page, std::span<const std::int32_t> elements, Variant* result);
HRESULT CreateJSArray(Dispatch* page, std::span<Dispatch* const> elements, Variant* result);
// Elements of any kind (doubles, booleans), each copied into the array.
HRESULT CreateJSArray(Dispatch* page, std::span<const Variant> elements, Variant* result);

}  // namespace balvek::script
