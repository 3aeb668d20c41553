#pragma once
// A player's hand as page script sees it: the hand model itself with its
// script face. Arrays it returns are made on the page's script object.
#include "hand/Tehai.h"
#include "platform/WindowHandle.h"
#include "script/Ref.h"
#include "script/ScriptObject.h"

namespace balvek::analysis {

class IDispatchTehaiImpl final : public script::ScriptObject, public hand::Tehai {
 public:
  // Asks `webView` for the page script object ("GETSCRIPT"). Without one:
  // the box "GETSCRIPT FAILED" (owner `webView`, error icon) and no hand.
  static script::Ref<IDispatchTehaiImpl> Create(platform::WindowHandle webView);

  // Member names, and decimal names "0".."13" (leading zeros allowed, the
  // empty name is 0) for the slots; other numbers are DISP_E_BADINDEX.
  script::HRESULT GetIDsOfNames(const script::IID& riid, const char16_t* const* names, unsigned count,
                                script::LCID lcid, script::DISPID* ids) override;
  script::HRESULT Invoke(script::DISPID dispIdMember, const script::IID& riid, script::LCID lcid,
                         std::uint16_t wFlags, script::DispParams* pDispParams, script::Variant* pVarResult,
                         script::ExcepInfo* pExcepInfo, unsigned* puArgErr) override;

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;

 private:
  explicit IDispatchTehaiImpl(script::Ref<script::Dispatch> page);

  script::HRESULT sort(script::DispParams&, script::Variant*);
  script::HRESULT syanten(script::DispParams&, script::Variant* result);
  script::HRESULT machiArray(script::DispParams&, script::Variant* result);
  script::HRESULT machiCount(script::DispParams&, script::Variant* result);
  script::HRESULT furitenFlag(script::DispParams&, script::Variant* result);
  script::HRESULT toArray(script::DispParams&, script::Variant* result);
  void LogUnknownId(script::DISPID id, const script::DispParams* params) const;

  script::Ref<script::Dispatch> page_;
};

}  // namespace balvek::analysis
