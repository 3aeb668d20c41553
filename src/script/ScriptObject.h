#pragma once
// Base of the client's own script objects: a fixed name table, the
// diagnostic lines of the class, and Invoke routed to the member.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "script/Dispatch.h"
#include "script/FunctionObject.h"
#include "script/Variant.h"

namespace balvek::script {

struct MemberName {
  std::u16string_view name;
  DISPID id;
};

// How GetIDsOfNames reports a call with several names.
enum class NamesOutcome {
  Last,            // the outcome of the last name
  FailIfAnyUnknown // failure when any name is unknown
};

// The line written for an id the class does not know.
enum class UnknownIdLine {
  None,
  Plain,     // "<Class> UNKNOWN Invoke dispid=%d/0x%0X cArg=%d" (no line end)
  WithFlags  // the same with " wFlags=%X\r\n" appended
};

struct ScriptClass {
  const char* name;  // in the diagnostic lines
  std::span<const MemberName> members;
  const char* constructLine = nullptr;  // nullptr: none
  const char* destructLine = nullptr;
  HRESULT unknownNameStatus = DISP_E_MEMBERNOTFOUND;
  NamesOutcome namesOutcome = NamesOutcome::Last;
  UnknownIdLine unknownIdLine = UnknownIdLine::Plain;
};

class ScriptObject : public Dispatch {
 public:
  HRESULT GetIDsOfNames(const IID& riid, const char16_t* const* names, unsigned count, LCID lcid,
                        DISPID* ids) override;
  // Ids of the name table go to InvokeMember; any other id writes the class's
  // line and gives DISP_E_MEMBERNOTFOUND. A null argument block reads as empty.
  HRESULT Invoke(DISPID dispIdMember, const IID& riid, LCID lcid, std::uint16_t wFlags, DispParams* pDispParams,
                 Variant* pVarResult, ExcepInfo* pExcepInfo, unsigned* puArgErr) override;

 protected:
  // Writes the class's construction line.
  explicit ScriptObject(const ScriptClass& scriptClass);
  // Writes the class's destruction line.
  ~ScriptObject() override;

  virtual HRESULT InvokeMember(DISPID id, std::uint16_t wFlags, DispParams& params, Variant* result) = 0;
  // The id of `name`, compared exactly; classes with computed names override.
  virtual std::optional<DISPID> FindName(std::u16string_view name) const;
  virtual bool KnowsId(DISPID id) const;

  // A method member: runs `method` for DISPATCH_METHOD, gives a function
  // object bound to it for DISPATCH_PROPERTYGET, else DISP_E_MEMBERNOTFOUND.
  template <class T>
  HRESULT DispatchMethod(HRESULT (T::*method)(DispParams&, Variant*), std::uint16_t wFlags, DispParams& params,
                         Variant* result) {
    T* self = static_cast<T*>(this);
    return DispatchMethodCall(
        [self, method](DispParams& p, Variant* r) { return (self->*method)(p, r); }, wFlags, params, result);
  }

  const ScriptClass& scriptClass() const { return class_; }

 private:
  HRESULT DispatchMethodCall(CFunctionObject::BoundMethod method, std::uint16_t wFlags, DispParams& params,
                             Variant* result);

  const ScriptClass& class_;
};

}  // namespace balvek::script
