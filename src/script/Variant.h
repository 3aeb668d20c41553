#pragma once
// An automation value. It owns what it holds: a string is copied, an object
// carries one reference, and assigning or destroying a Variant releases the
// old content.
#include <cstdint>
#include <string>
#include <string_view>

#include "script/Bstr.h"
#include "script/Dispatch.h"
#include "script/Ref.h"
#include "script/Status.h"

namespace balvek::script {

using VARTYPE = std::uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_NULL = 1;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_R8 = 5;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_DISPATCH = 9;
inline constexpr VARTYPE VT_ERROR = 10;
inline constexpr VARTYPE VT_BOOL = 11;

using VARIANT_BOOL = std::int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

class Variant {
 public:
  Variant() = default;  // VT_EMPTY

  static Variant I4(std::int32_t value);
  static Variant R8(double value);
  static Variant Null();  // VT_NULL: script's null
  static Variant Bool(bool value);
  static Variant String(Bstr value);
  // Holds `object` with a new reference (none for null).
  static Variant Object(Dispatch* object);
  static Variant Object(Ref<Dispatch> object);
  static Variant Error(HRESULT status);
  // The automation form of an omitted value: VT_ERROR with DISP_E_PARAMNOTFOUND.
  static const Variant& Missing();

  VARTYPE vt() const { return vt_; }
  bool Is(VARTYPE kind) const { return vt_ == kind; }

  // Each accessor reads the content of its kind; other kinds give a zero value.
  std::int32_t i4() const { return vt_ == VT_I4 ? number_ : 0; }
  double r8() const { return vt_ == VT_R8 ? real_ : 0.0; }
  VARIANT_BOOL boolVal() const { return vt_ == VT_BOOL ? static_cast<VARIANT_BOOL>(number_) : VARIANT_FALSE; }
  HRESULT scode() const { return vt_ == VT_ERROR ? number_ : S_OK; }
  const Bstr& bstr() const;
  Dispatch* dispatch() const { return vt_ == VT_DISPATCH ? object_.get() : nullptr; }

  // Back to VT_EMPTY, releasing the content.
  void Clear() { *this = Variant(); }

  friend bool operator==(const Variant& a, const Variant& b);

 private:
  VARTYPE vt_ = VT_EMPTY;
  std::int32_t number_ = 0;
  double real_ = 0.0;
  Bstr text_;
  Ref<Dispatch> object_;
};

}  // namespace balvek::script
