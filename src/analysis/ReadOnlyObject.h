#pragma once
// Base of the record objects whose members are read-only properties.
#include "script/ScriptObject.h"

namespace balvek::analysis {

class ReadOnlyObject : public script::ScriptObject {
 public:
  // A call, a write, or a read without a result slot is refused with
  // DISP_E_ARRAYISLOCKED before the member id is looked at; otherwise the
  // slot is initialised and the member read.
  script::HRESULT Invoke(script::DISPID dispIdMember, const script::IID& riid, script::LCID lcid,
                         std::uint16_t wFlags, script::DispParams* pDispParams, script::Variant* pVarResult,
                         script::ExcepInfo* pExcepInfo, unsigned* puArgErr) override;

 protected:
  using ScriptObject::ScriptObject;
};

}  // namespace balvek::analysis
