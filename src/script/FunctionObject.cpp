#include "script/FunctionObject.h"

#include "platform/DebugLog.h"
#include "platform/Text.h"
#include "script/Variant.h"

namespace balvek::script {

Ref<CFunctionObject> CFunctionObject::Create(Ref<Dispatch> owner, BoundMethod method) {
  return Ref<CFunctionObject>(new CFunctionObject(std::move(owner), std::move(method)));
}

CFunctionObject::CFunctionObject(Ref<Dispatch> owner, BoundMethod method)
    : Dispatch(0), owner_(std::move(owner)), method_(std::move(method)) {}

CFunctionObject::~CFunctionObject() { platform::DebugLog("CFunctionObject DESTRUCT\r\n"); }

HRESULT CFunctionObject::GetIDsOfNames(const IID&, const char16_t* const* names, unsigned count, LCID, DISPID* ids) {
  for (unsigned i = 0; i < count && names && ids; ++i) {
    const std::u16string_view name = names[i] ? std::u16string_view(names[i]) : std::u16string_view();
    platform::DebugLog("CFunctionObject GetIDsOfNames UNKNOWN %s\r\n", platform::Utf16ToUtf8(name).c_str());
    ids[i] = DISPID_UNKNOWN;
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT CFunctionObject::Invoke(DISPID dispIdMember, const IID&, LCID, std::uint16_t, DispParams* pDispParams,
                                Variant* pVarResult, ExcepInfo*, unsigned*) {
  DispParams none;
  DispParams& params = pDispParams ? *pDispParams : none;
  if (dispIdMember == DISPID_VALUE) {
    method_(params, pVarResult);
  } else {
    platform::DebugLog("CFunctionObject UNKNOWN Invoke dispid=%d/0x%0X cArg=%d", dispIdMember,
                       static_cast<unsigned>(dispIdMember), static_cast<int>(params.cArgs));
  }
  return S_OK;
}

}  // namespace balvek::script
