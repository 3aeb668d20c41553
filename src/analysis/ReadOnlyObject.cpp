#include "analysis/ReadOnlyObject.h"

namespace balvek::analysis {

using namespace script;

HRESULT ReadOnlyObject::Invoke(DISPID dispIdMember, const IID& riid, LCID lcid, std::uint16_t wFlags,
                               DispParams* pDispParams, Variant* pVarResult, ExcepInfo* pExcepInfo,
                               unsigned* puArgErr) {
  if (!pVarResult || !(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_ARRAYISLOCKED;
  pVarResult->Clear();
  return ScriptObject::Invoke(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
}

}  // namespace balvek::analysis
