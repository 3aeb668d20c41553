#pragma once
// The automation object interface. Every object that page script sees, and
// every page object that native code calls, is a Dispatch; engine objects
// that can create members (script arrays) are also DispatchEx.
#include <atomic>
#include <cstdint>

#include "script/Guid.h"
#include "script/Status.h"

namespace balvek::script {

class Variant;

using DISPID = std::int32_t;
using LCID = std::uint32_t;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// wFlags of Invoke
inline constexpr std::uint16_t DISPATCH_METHOD = 1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUTREF = 8;

// grfdex of GetDispID
inline constexpr std::uint32_t fdexNameCaseSensitive = 0x1;
inline constexpr std::uint32_t fdexNameEnsure = 0x2;

// The argument block. Values stand in reverse order: rgvarg[cArgs-1] is the
// first argument as written in script, rgvarg[0] the last.
struct DispParams {
  Variant* rgvarg = nullptr;
  DISPID* rgdispidNamedArgs = nullptr;
  unsigned cArgs = 0;
  unsigned cNamedArgs = 0;
};

// Never filled by this client; present so the signatures stay those of the
// platform.
struct ExcepInfo;

class Dispatch {
 public:
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;

  // IUnknown and IDispatch answer with the object itself; any other id gives
  // E_NOINTERFACE. `object` is set to null first.
  virtual HRESULT QueryInterface(const IID& iid, void** object);
  virtual std::uint32_t AddRef();
  // Destroys the object when the count reaches 0.
  virtual std::uint32_t Release();
  // The current count; another thread may read it (an analysis worker checks
  // whether anyone but the main window still holds the analyzer).
  std::int32_t RefCount() const { return count_.load(std::memory_order_acquire); }
  virtual HRESULT GetTypeInfoCount(unsigned* count);
  virtual HRESULT GetTypeInfo(unsigned index, LCID lcid, void** info);
  virtual HRESULT GetIDsOfNames(const IID& riid, const char16_t* const* names, unsigned count, LCID lcid,
                                DISPID* ids) = 0;
  virtual HRESULT Invoke(DISPID dispIdMember, const IID& riid, LCID lcid, std::uint16_t wFlags,
                         DispParams* pDispParams, Variant* pVarResult, ExcepInfo* pExcepInfo,
                         unsigned* puArgErr) = 0;

 protected:
  // Script objects start with one reference that belongs to their first
  // holder; function objects start with none.
  explicit Dispatch(std::int32_t initialCount = 1) : count_(initialCount) {}
  virtual ~Dispatch() = default;

 private:
  std::atomic<std::int32_t> count_;
};

class DispatchEx : public Dispatch {
 public:
  // IDispatchEx as well as the ids Dispatch answers.
  HRESULT QueryInterface(const IID& iid, void** object) override;
  virtual HRESULT GetDispID(const char16_t* name, std::uint32_t grfdex, DISPID* id) = 0;
  virtual HRESULT InvokeEx(DISPID id, LCID lcid, std::uint16_t wFlags, DispParams* pdp, Variant* pvarRes,
                           ExcepInfo* pei, void* pspCaller) = 0;

 protected:
  using Dispatch::Dispatch;
};

}  // namespace balvek::script
