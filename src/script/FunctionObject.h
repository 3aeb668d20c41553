#pragma once
// A method read as a value: calling it runs the method on its owner. It
// keeps the owner alive.
#include <functional>

#include "script/Dispatch.h"
#include "script/Ref.h"

namespace balvek::script {

class CFunctionObject final : public Dispatch {
 public:
  using BoundMethod = std::function<HRESULT(DispParams&, Variant*)>;

  // The new object starts with no reference; the returned Ref takes the first.
  static Ref<CFunctionObject> Create(Ref<Dispatch> owner, BoundMethod method);

  // Every name is unknown: DISP_E_UNKNOWNNAME, also for no names.
  HRESULT GetIDsOfNames(const IID& riid, const char16_t* const* names, unsigned count, LCID lcid,
                        DISPID* ids) override;
  // DISPID_VALUE runs the method whatever wFlags; S_OK whatever it returned.
  HRESULT Invoke(DISPID dispIdMember, const IID& riid, LCID lcid, std::uint16_t wFlags, DispParams* pDispParams,
                 Variant* pVarResult, ExcepInfo* pExcepInfo, unsigned* puArgErr) override;

 private:
  CFunctionObject(Ref<Dispatch> owner, BoundMethod method);
  ~CFunctionObject() override;

  Ref<Dispatch> owner_;
  BoundMethod method_;
};

}  // namespace balvek::script
