#pragma once
// Inside of the JavaScriptCore binding (C API). Not for use outside webview.
#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "script/ArgumentBlock.h"
#include "script/Dispatch.h"
#include "script/Ref.h"
#include "script/Variant.h"
#include "webview/ScriptContext.h"

namespace balvek::webview {

class JsObjectDispatch;

// Lets what the garbage collector finalizes find its context later, or learn
// that the context has been closed.
struct ContextLink {
  ScriptContext::Impl* impl;
};

// Native data of a collected script object. Finalizers run inside garbage
// collection, where releasing script objects (whose destructors may touch
// script values) is not allowed, so the release waits for an idle.
class Finalized {
 public:
  explicit Finalized(std::shared_ptr<ContextLink> link) : link_(std::move(link)) {}
  virtual ~Finalized() = default;
  // Drops protections taken on script values; called only while the
  // context is still open, once.
  virtual void Unprotect(JSContextRef) {}
  ScriptContext::Impl* impl() const { return link_->impl; }

 private:
  std::shared_ptr<ContextLink> link_;
};

// From a finalizer: queues `data` for release on the next idle.
void DeferRelease(Finalized* data);
// Releases everything queued so far.
void FlushDeferredReleases();

struct ScriptContext::Impl {
  JSGlobalContextRef ctx = nullptr;
  std::shared_ptr<ContextLink> link;
  std::unordered_set<JsObjectDispatch*> pageObjects;
  // Native data holding protected script values; Close drops them, so that
  // nothing stays pinned when the page's context lives on without us.
  std::unordered_set<Finalized*> protecting;
  ExternalProvider externalProvider;
  JSObjectRef external = nullptr;  // protected once made
  ExceptionReporter reporter;

  // The script face last made for each native object, held weakly through
  // the engine's own WeakRef, so that reading the same object twice gives
  // the same script object while nothing keeps a dropped one alive.
  struct Face {
    JSObjectRef weakRef = nullptr;  // protected
    const Finalized* data = nullptr;  // the face's native data, to tell faces apart
  };
  std::unordered_map<script::Dispatch*, Face> faces;
  // Called by a face's native data when it is released.
  void ForgetFace(script::Dispatch* object, const Finalized* data);

  explicit Impl(JSGlobalContextRef context);
  void Close();

  JSValueRef ToJs(const script::Variant& value);
  script::Variant FromJs(JSValueRef value);
  // Native object -> script; a page object gives back its own script value.
  JSValueRef Wrap(script::Dispatch* object);
  // The exception that carries a failing status into script.
  JSValueRef StatusError(script::HRESULT status, std::u16string_view member);
  ScriptError Describe(JSValueRef exception);
  void Report(JSValueRef exception);
  // Arguments from script, laid out in reverse order.
  script::ArgumentBlock Arguments(std::size_t argc, const JSValueRef argv[]);
  JSValueRef External();
  // Given to native functions so that call, apply and bind work on them.
  JSObjectRef FunctionPrototype();

 private:
  JSObjectRef functionPrototype_ = nullptr;  // an intrinsic: lives with the global object
  // WeakRef and WeakRef.prototype.deref as the context had them when it was
  // made, before page script could replace them; protected. Null where the
  // engine has no WeakRef: every read then makes a new face.
  JSObjectRef weakRefConstructor_ = nullptr;
  JSObjectRef weakRefDeref_ = nullptr;
};

ScriptContext::Impl* ImplOf(JSContextRef ctx);

// Script strings <-> UTF-16
std::u16string ToU16(JSStringRef text);
JSStringRef MakeJsString(std::u16string_view text);
std::u16string ValueToU16(JSContextRef ctx, JSValueRef value);

// The script faces of native objects.
JSObjectRef MakeNativeObject(ScriptContext::Impl& impl, script::Dispatch* object);
script::Dispatch* NativeObjectOf(JSContextRef ctx, JSValueRef value);
// A script function that runs `function` (arguments in script order).
JSObjectRef MakeHostFunction(ScriptContext::Impl& impl, ScriptContext::NativeFunction function);

// A page object as DispatchEx. Ids: named members from 1 up, array indices
// from kIndexBase up.
class JsObjectDispatch final : public script::DispatchEx {
 public:
  static constexpr script::DISPID kIndexBase = 0x40000000;

  static script::Ref<JsObjectDispatch> Create(ScriptContext::Impl& impl, JSObjectRef object);

  JSObjectRef object() const { return object_; }
  bool BelongsTo(const ScriptContext::Impl* impl) const { return impl_ == impl; }
  // The page is gone: let go of the script value; every later call fails.
  void Detach();

  script::HRESULT GetIDsOfNames(const script::IID& riid, const char16_t* const* names, unsigned count,
                                script::LCID lcid, script::DISPID* ids) override;
  script::HRESULT Invoke(script::DISPID dispIdMember, const script::IID& riid, script::LCID lcid,
                         std::uint16_t wFlags, script::DispParams* pDispParams, script::Variant* pVarResult,
                         script::ExcepInfo* pExcepInfo, unsigned* puArgErr) override;
  script::HRESULT GetDispID(const char16_t* name, std::uint32_t grfdex, script::DISPID* id) override;
  script::HRESULT InvokeEx(script::DISPID id, script::LCID lcid, std::uint16_t wFlags, script::DispParams* pdp,
                           script::Variant* pvarRes, script::ExcepInfo* pei, void* pspCaller) override;

 private:
  JsObjectDispatch(ScriptContext::Impl& impl, JSObjectRef object);
  ~JsObjectDispatch() override;

  script::HRESULT IdOf(std::u16string_view name, bool ensure, script::DISPID* id);
  script::HRESULT Call(JSObjectRef function, JSObjectRef self, script::DispParams& params, script::Variant* result);

  ScriptContext::Impl* impl_;
  JSObjectRef object_;
  std::vector<JSStringRef> names_;  // id n is names_[n - 1]
  std::unordered_map<std::u16string, script::DISPID> ids_;
};

}  // namespace balvek::webview
