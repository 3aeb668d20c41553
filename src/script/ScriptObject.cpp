#include "script/ScriptObject.h"

#include "platform/DebugLog.h"
#include "platform/Text.h"

namespace balvek::script {

namespace {

std::u16string_view NameView(const char16_t* name) { return name ? std::u16string_view(name) : std::u16string_view(); }

}  // namespace

ScriptObject::ScriptObject(const ScriptClass& scriptClass) : class_(scriptClass) {
  if (class_.constructLine) platform::DebugLog("%s", class_.constructLine);
}

ScriptObject::~ScriptObject() {
  if (class_.destructLine) platform::DebugLog("%s", class_.destructLine);
}

std::optional<DISPID> ScriptObject::FindName(std::u16string_view name) const {
  for (const MemberName& member : class_.members)
    if (member.name == name) return member.id;
  return std::nullopt;
}

bool ScriptObject::KnowsId(DISPID id) const {
  for (const MemberName& member : class_.members)
    if (member.id == id) return true;
  return false;
}

HRESULT ScriptObject::GetIDsOfNames(const IID&, const char16_t* const* names, unsigned count, LCID, DISPID* ids) {
  if (count > 0 && (!names || !ids)) return E_POINTER;
  HRESULT last = S_OK;
  bool anyUnknown = false;
  for (unsigned i = 0; i < count; ++i) {
    const std::u16string_view name = NameView(names[i]);
    if (const std::optional<DISPID> id = FindName(name)) {
      ids[i] = *id;
      last = S_OK;
    } else {
      ids[i] = DISPID_UNKNOWN;
      platform::DebugLog("%s GetIDsOfNames UNKNOWN %s\r\n", class_.name, platform::Utf16ToUtf8(name).c_str());
      last = class_.unknownNameStatus;
      anyUnknown = true;
    }
  }
  if (class_.namesOutcome == NamesOutcome::FailIfAnyUnknown) return anyUnknown ? class_.unknownNameStatus : S_OK;
  return last;
}

HRESULT ScriptObject::Invoke(DISPID dispIdMember, const IID&, LCID, std::uint16_t wFlags, DispParams* pDispParams,
                             Variant* pVarResult, ExcepInfo*, unsigned*) {
  DispParams none;
  DispParams& params = pDispParams ? *pDispParams : none;
  if (!KnowsId(dispIdMember)) {
    const auto id = static_cast<unsigned>(dispIdMember);
    const int cArgs = static_cast<int>(params.cArgs);
    switch (class_.unknownIdLine) {
      case UnknownIdLine::None:
        break;
      case UnknownIdLine::Plain:
        platform::DebugLog("%s UNKNOWN Invoke dispid=%d/0x%0X cArg=%d", class_.name, dispIdMember, id, cArgs);
        break;
      case UnknownIdLine::WithFlags:
        platform::DebugLog("%s UNKNOWN Invoke dispid=%d/0x%0X cArg=%d wFlags=%X\r\n", class_.name, dispIdMember, id,
                           cArgs, static_cast<unsigned>(wFlags));
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
  }
  return InvokeMember(dispIdMember, wFlags, params, pVarResult);
}

HRESULT ScriptObject::DispatchMethodCall(CFunctionObject::BoundMethod method, std::uint16_t wFlags, DispParams& params,
                                         Variant* result) {
  if (wFlags & DISPATCH_METHOD) return method(params, result);
  if (wFlags & DISPATCH_PROPERTYGET) {
    if (result) *result = Variant::Object(CFunctionObject::Create(Ref<Dispatch>(this), std::move(method)));
    return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

}  // namespace balvek::script
