#pragma once
// The record information object: the record's name, game type and lobby as
// page script reads them. One per analyzer, refilled for every record.
#include "analysis/ReadOnlyObject.h"
#include "record/Player.h"
#include "script/Ref.h"

namespace balvek::analysis {

class IDispatchLogInfoImpl final : public ReadOnlyObject, public record::RecordInfo {
 public:
  static script::Ref<IDispatchLogInfoImpl> Create();

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;

 private:
  IDispatchLogInfoImpl();
};

}  // namespace balvek::analysis
