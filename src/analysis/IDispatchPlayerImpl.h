#pragma once
// One seat as page script sees it: name, rank, rating, mark, score and the
// hand. The replay fills the record::Player part.
#include "analysis/IDispatchTehaiImpl.h"
#include "platform/WindowHandle.h"
#include "record/Player.h"
#include "script/Ref.h"
#include "script/ScriptObject.h"

namespace balvek::analysis {

class IDispatchPlayerImpl final : public script::ScriptObject, public record::Player {
 public:
  // With a new hand (see IDispatchTehaiImpl::Create); none when the hand
  // cannot be made.
  static script::Ref<IDispatchPlayerImpl> Create(platform::WindowHandle webView);

  IDispatchTehaiImpl& hand() { return *hand_; }

  // Reads only, as the record information object.
  script::HRESULT Invoke(script::DISPID dispIdMember, const script::IID& riid, script::LCID lcid,
                         std::uint16_t wFlags, script::DispParams* pDispParams, script::Variant* pVarResult,
                         script::ExcepInfo* pExcepInfo, unsigned* puArgErr) override;

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;
  bool KnowsId(script::DISPID id) const override;

 private:
  explicit IDispatchPlayerImpl(script::Ref<IDispatchTehaiImpl> hand);

  script::Ref<IDispatchTehaiImpl> hand_;
};

}  // namespace balvek::analysis
