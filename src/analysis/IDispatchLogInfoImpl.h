#pragma once
// The record information object: the record's name, game type and lobby as
// page script reads them. One per analyzer, refilled for every record.
#include "record/Player.h"
#include "script/Ref.h"
#include "script/ScriptObject.h"

namespace balvek::analysis {

class IDispatchLogInfoImpl final : public script::ScriptObject, public record::RecordInfo {
 public:
  static script::Ref<IDispatchLogInfoImpl> Create();

  // Reads only: a call, a write or a read without a result slot is refused
  // with DISP_E_ARRAYISLOCKED before the id is looked at.
  script::HRESULT Invoke(script::DISPID dispIdMember, const script::IID& riid, script::LCID lcid,
                         std::uint16_t wFlags, script::DispParams* pDispParams, script::Variant* pVarResult,
                         script::ExcepInfo* pExcepInfo, unsigned* puArgErr) override;

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;

 private:
  IDispatchLogInfoImpl();
};

}  // namespace balvek::analysis
