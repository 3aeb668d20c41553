#pragma once
// One seat as page script sees it: name, rank, rating, mark, score and the
// hand. The replay fills the record::Player part.
#include "analysis/IDispatchTehaiImpl.h"
#include "platform/WindowHandle.h"
#include "analysis/ReadOnlyObject.h"
#include "record/Player.h"
#include "script/Ref.h"

namespace balvek::analysis {

class IDispatchPlayerImpl final : public ReadOnlyObject, public record::Player {
 public:
  // With a new hand (see IDispatchTehaiImpl::Create); none when the hand
  // cannot be made.
  static script::Ref<IDispatchPlayerImpl> Create(platform::WindowHandle webView);

  IDispatchTehaiImpl& hand() { return *hand_; }

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;
  bool KnowsId(script::DISPID id) const override;

 private:
  explicit IDispatchPlayerImpl(script::Ref<IDispatchTehaiImpl> hand);

  script::Ref<IDispatchTehaiImpl> hand_;
};

}  // namespace balvek::analysis
