#include "script/Variant.h"

namespace balvek::script {

Variant Variant::I4(std::int32_t value) {
  Variant v;
  v.vt_ = VT_I4;
  v.number_ = value;
  return v;
}

Variant Variant::R8(double value) {
  Variant v;
  v.vt_ = VT_R8;
  v.real_ = value;
  return v;
}

Variant Variant::Null() {
  Variant v;
  v.vt_ = VT_NULL;
  return v;
}

Variant Variant::Bool(bool value) {
  Variant v;
  v.vt_ = VT_BOOL;
  v.number_ = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant Variant::String(Bstr value) {
  Variant v;
  v.vt_ = VT_BSTR;
  v.text_ = std::move(value);
  return v;
}

Variant Variant::Object(Dispatch* object) { return Object(Ref<Dispatch>(object)); }

Variant Variant::Object(Ref<Dispatch> object) {
  Variant v;
  v.vt_ = VT_DISPATCH;
  v.object_ = std::move(object);
  return v;
}

Variant Variant::Error(HRESULT status) {
  Variant v;
  v.vt_ = VT_ERROR;
  v.number_ = status;
  return v;
}

const Variant& Variant::Missing() {
  static const Variant missing = Error(DISP_E_PARAMNOTFOUND);
  return missing;
}

const Bstr& Variant::bstr() const {
  static const Bstr none;
  return vt_ == VT_BSTR ? text_ : none;
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.vt_ != b.vt_) return false;
  switch (a.vt_) {
    case VT_R8: return a.real_ == b.real_;
    case VT_BSTR: return a.text_ == b.text_;
    case VT_DISPATCH: return a.object_ == b.object_;
    default: return a.number_ == b.number_;
  }
}

}  // namespace balvek::script
