#include "webview/ScriptContext.h"

#include <glib.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_map>

#include "platform/Text.h"
#include "webview/JsBinding.h"

namespace balvek::webview {

using script::Variant;

namespace {

std::unordered_map<JSGlobalContextRef, ScriptContext::Impl*>& Contexts() {
  static std::unordered_map<JSGlobalContextRef, ScriptContext::Impl*> contexts;
  return contexts;
}

std::vector<Finalized*>& Deferred() {
  static std::vector<Finalized*> deferred;
  return deferred;
}

guint deferredIdle = 0;

std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

JSStringRef MakeJsString8(std::string_view text) { return MakeJsString(platform::Utf8ToUtf16(text)); }

JSValueRef GetProperty(JSContextRef ctx, JSObjectRef object, const char* name) {
  JSStringRef key = JSStringCreateWithUTF8CString(name);
  JSValueRef value = JSObjectGetProperty(ctx, object, key, nullptr);
  JSStringRelease(key);
  return value;
}

void SetProperty(JSContextRef ctx, JSObjectRef object, const char* name, JSValueRef value) {
  JSStringRef key = JSStringCreateWithUTF8CString(name);
  JSObjectSetProperty(ctx, object, key, value, kJSPropertyAttributeNone, nullptr);
  JSStringRelease(key);
}

}  // namespace

void DeferRelease(Finalized* data) {
  Deferred().push_back(data);
  if (!deferredIdle) {
    deferredIdle = g_idle_add(
        [](gpointer) -> gboolean {
          deferredIdle = 0;
          FlushDeferredReleases();
          return G_SOURCE_REMOVE;
        },
        nullptr);
  }
}

void FlushDeferredReleases() {
  // Releasing one object may finalize nothing new (no collection runs here),
  // but a destructor may queue more through other paths: loop until empty.
  while (!Deferred().empty()) {
    std::vector<Finalized*> batch;
    batch.swap(Deferred());
    for (Finalized* data : batch) {
      if (ScriptContext::Impl* impl = data->impl()) data->Unprotect(impl->ctx);
      delete data;
    }
  }
}

std::u16string ToU16(JSStringRef text) {
  const JSChar* chars = JSStringGetCharactersPtr(text);
  return std::u16string(reinterpret_cast<const char16_t*>(chars), JSStringGetLength(text));
}

JSStringRef MakeJsString(std::u16string_view text) {
  return JSStringCreateWithCharacters(reinterpret_cast<const JSChar*>(text.data()), text.size());
}

std::u16string ValueToU16(JSContextRef ctx, JSValueRef value) {
  JSStringRef text = JSValueToStringCopy(ctx, value, nullptr);
  if (!text) return {};
  std::u16string result = ToU16(text);
  JSStringRelease(text);
  return result;
}

ScriptContext::Impl* ImplOf(JSContextRef ctx) {
  const auto it = Contexts().find(JSContextGetGlobalContext(ctx));
  return it == Contexts().end() ? nullptr : it->second;
}

ScriptContext::Impl::Impl(JSGlobalContextRef context)
    : ctx(context), link(std::make_shared<ContextLink>(ContextLink{this})) {
  Contexts()[ctx] = this;
  JSValueRef weakRef = GetProperty(ctx, JSContextGetGlobalObject(ctx), "WeakRef");
  if (!weakRef || !JSValueIsObject(ctx, weakRef)) return;
  weakRefConstructor_ = JSValueToObject(ctx, weakRef, nullptr);
  JSValueRef prototype = GetProperty(ctx, weakRefConstructor_, "prototype");
  JSValueRef deref = prototype && JSValueIsObject(ctx, prototype)
                         ? GetProperty(ctx, JSValueToObject(ctx, prototype, nullptr), "deref")
                         : nullptr;
  if (!deref || !JSValueIsObject(ctx, deref)) {
    weakRefConstructor_ = nullptr;
    return;
  }
  weakRefDeref_ = JSValueToObject(ctx, deref, nullptr);
  JSValueProtect(ctx, weakRefConstructor_);
  JSValueProtect(ctx, weakRefDeref_);
}

void ScriptContext::Impl::Close() {
  if (!ctx) return;
  // Page objects held by native code must not pin the page any longer.
  for (JsObjectDispatch* object : std::unordered_set<JsObjectDispatch*>(pageObjects)) object->Detach();
  pageObjects.clear();
  if (external) JSValueUnprotect(ctx, external);
  external = nullptr;
  externalProvider = nullptr;
  FlushDeferredReleases();
  for (Finalized* data : std::unordered_set<Finalized*>(protecting)) data->Unprotect(ctx);
  protecting.clear();
  for (const auto& [object, face] : faces) JSValueUnprotect(ctx, face.weakRef);
  faces.clear();
  if (weakRefConstructor_) {
    JSValueUnprotect(ctx, weakRefConstructor_);
    JSValueUnprotect(ctx, weakRefDeref_);
    weakRefConstructor_ = weakRefDeref_ = nullptr;
  }
  link->impl = nullptr;
  Contexts().erase(ctx);
  JSGlobalContextRelease(ctx);
  ctx = nullptr;
  // Objects finalized while the context went down release their native side.
  FlushDeferredReleases();
}

JSValueRef ScriptContext::Impl::ToJs(const Variant& value) {
  switch (value.vt()) {
    case script::VT_I4: return JSValueMakeNumber(ctx, value.i4());
    case script::VT_R8: return JSValueMakeNumber(ctx, value.r8());
    case script::VT_BOOL: return JSValueMakeBoolean(ctx, value.boolVal() != script::VARIANT_FALSE);
    case script::VT_NULL: return JSValueMakeNull(ctx);
    case script::VT_BSTR: {
      JSStringRef text = MakeJsString(value.bstr().View());
      JSValueRef result = JSValueMakeString(ctx, text);
      JSStringRelease(text);
      return result;
    }
    case script::VT_DISPATCH: return value.dispatch() ? Wrap(value.dispatch()) : JSValueMakeNull(ctx);
    default: return JSValueMakeUndefined(ctx);
  }
}

Variant ScriptContext::Impl::FromJs(JSValueRef value) {
  switch (JSValueGetType(ctx, value)) {
    case kJSTypeNumber: {
      const double number = JSValueToNumber(ctx, value, nullptr);
      if (number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max() &&
          std::trunc(number) == number)
        return Variant::I4(static_cast<std::int32_t>(number));
      return Variant::R8(number);
    }
    case kJSTypeString: return Variant::String(ValueToU16(ctx, value));
    case kJSTypeBoolean: return Variant::Bool(JSValueToBoolean(ctx, value));
    case kJSTypeNull: return Variant::Null();
    case kJSTypeObject: {
      if (script::Dispatch* native = NativeObjectOf(ctx, value)) return Variant::Object(native);
      JSObjectRef object = JSValueToObject(ctx, value, nullptr);
      return Variant::Object(script::Ref<script::Dispatch>(JsObjectDispatch::Create(*this, object)));
    }
    default: return Variant();
  }
}

JSValueRef ScriptContext::Impl::Wrap(script::Dispatch* object) {
  if (auto* page = dynamic_cast<JsObjectDispatch*>(object); page && page->BelongsTo(this) && page->object())
    return page->object();
  if (!weakRefConstructor_) return MakeNativeObject(*this, object);
  if (const auto known = faces.find(object); known != faces.end()) {
    JSValueRef alive = JSObjectCallAsFunction(ctx, weakRefDeref_, known->second.weakRef, 0, nullptr, nullptr);
    if (alive && JSValueIsObject(ctx, alive)) return alive;
  }
  JSObjectRef face = MakeNativeObject(*this, object);
  const JSValueRef target[] = {face};
  JSObjectRef weakRef = JSObjectCallAsConstructor(ctx, weakRefConstructor_, 1, target, nullptr);
  if (!weakRef) return face;
  JSValueProtect(ctx, weakRef);
  Face& entry = faces[object];
  if (entry.weakRef) JSValueUnprotect(ctx, entry.weakRef);
  entry = Face{weakRef, static_cast<const Finalized*>(JSObjectGetPrivate(face))};
  return face;
}

void ScriptContext::Impl::ForgetFace(script::Dispatch* object, const Finalized* data) {
  const auto known = faces.find(object);
  if (known == faces.end() || known->second.data != data) return;  // a newer face took its place
  JSValueUnprotect(ctx, known->second.weakRef);
  faces.erase(known);
}

JSValueRef ScriptContext::Impl::StatusError(script::HRESULT status, std::u16string_view member) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
  const std::string message = (member.empty() ? std::string("call") : Utf8(member)) + " failed: " + hex;
  JSStringRef text = MakeJsString8(message);
  JSValueRef argument = JSValueMakeString(ctx, text);
  JSStringRelease(text);
  JSObjectRef error = JSObjectMakeError(ctx, 1, &argument, nullptr);
  SetProperty(ctx, error, "number", JSValueMakeNumber(ctx, status));
  return error;
}

ScriptError ScriptContext::Impl::Describe(JSValueRef exception) {
  ScriptError error;
  error.message = Utf8(ValueToU16(ctx, exception));
  if (JSObjectRef object = JSValueIsObject(ctx, exception) ? JSValueToObject(ctx, exception, nullptr) : nullptr) {
    JSValueRef lineValue = GetProperty(ctx, object, "line");
    if (lineValue && JSValueIsNumber(ctx, lineValue)) error.line = static_cast<int>(JSValueToNumber(ctx, lineValue, nullptr));
    JSValueRef urlValue = GetProperty(ctx, object, "sourceURL");
    if (urlValue && JSValueIsString(ctx, urlValue)) error.source = Utf8(ValueToU16(ctx, urlValue));
  }
  return error;
}

void ScriptContext::Impl::Report(JSValueRef exception) {
  if (reporter) reporter(Describe(exception));
}

script::ArgumentBlock ScriptContext::Impl::Arguments(std::size_t argc, const JSValueRef argv[]) {
  std::vector<Variant> values;
  values.reserve(argc);
  for (std::size_t i = 0; i < argc; ++i) values.push_back(FromJs(argv[i]));
  return script::ArgumentBlock(std::move(values));
}

JSValueRef ScriptContext::Impl::External() {
  if (!external && externalProvider) {
    const script::Ref<script::Dispatch> made = externalProvider();
    if (made) {
      external = JSValueToObject(ctx, Wrap(made.get()), nullptr);
      JSValueProtect(ctx, external);
    }
  }
  return external ? external : JSValueMakeUndefined(ctx);
}

JSObjectRef ScriptContext::Impl::FunctionPrototype() {
  if (!functionPrototype_) {
    JSObjectRef any = JSObjectMakeFunctionWithCallback(ctx, nullptr, nullptr);
    functionPrototype_ = JSValueToObject(ctx, JSObjectGetPrototype(ctx, any), nullptr);
  }
  return functionPrototype_;
}

ScriptContext::ScriptContext() : impl_(std::make_unique<Impl>(JSGlobalContextCreate(nullptr))) {
  // The global object is the page's window.
  JSObjectRef global = JSContextGetGlobalObject(impl_->ctx);
  SetProperty(impl_->ctx, global, "window", global);
}

ScriptContext::ScriptContext(OpaqueJSContext* page)
    : impl_(std::make_unique<Impl>(JSGlobalContextRetain(page))) {}

ScriptContext::~ScriptContext() { impl_->Close(); }

void ScriptContext::Close() { impl_->Close(); }

OpaqueJSContext* ScriptContext::context() const { return impl_->ctx; }

script::Ref<script::Dispatch> ScriptContext::GlobalObject() {
  if (!impl_->ctx) return nullptr;
  return script::Ref<script::Dispatch>(JsObjectDispatch::Create(*impl_, JSContextGetGlobalObject(impl_->ctx)));
}

void ScriptContext::SetExternalProvider(ExternalProvider provider) {
  Impl& impl = *impl_;
  if (!impl.ctx) return;
  impl.externalProvider = std::move(provider);
  JSContextRef ctx = impl.ctx;
  // window.external as a getter, so the object is asked for on first use.
  JSObjectRef getter = JSObjectMakeFunctionWithCallback(
      ctx, nullptr, [](JSContextRef c, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*) {
        Impl* owner = ImplOf(c);
        return owner ? owner->External() : JSValueMakeUndefined(c);
      });
  JSObjectRef descriptor = JSObjectMake(ctx, nullptr, nullptr);
  SetProperty(ctx, descriptor, "get", getter);
  SetProperty(ctx, descriptor, "configurable", JSValueMakeBoolean(ctx, true));
  JSObjectRef global = JSContextGetGlobalObject(ctx);
  JSObjectRef object = JSValueToObject(ctx, GetProperty(ctx, global, "Object"), nullptr);
  JSValueRef define = object ? GetProperty(ctx, object, "defineProperty") : nullptr;
  JSStringRef name = JSStringCreateWithUTF8CString("external");
  const JSValueRef arguments[] = {global, JSValueMakeString(ctx, name), descriptor};
  JSStringRelease(name);
  if (define && JSValueIsObject(ctx, define))
    JSObjectCallAsFunction(ctx, JSValueToObject(ctx, define, nullptr), object, 3, arguments, nullptr);
}

void ScriptContext::SetGlobal(std::u16string_view name, const Variant& value) {
  if (!impl_->ctx) return;
  JSStringRef key = MakeJsString(name);
  JSObjectSetProperty(impl_->ctx, JSContextGetGlobalObject(impl_->ctx), key, impl_->ToJs(value),
                      kJSPropertyAttributeNone, nullptr);
  JSStringRelease(key);
}

void ScriptContext::DefineFunction(std::u16string_view name, NativeFunction function) {
  if (!impl_->ctx) return;
  JSStringRef key = MakeJsString(name);
  JSObjectSetProperty(impl_->ctx, JSContextGetGlobalObject(impl_->ctx), key,
                      MakeHostFunction(*impl_, std::move(function)), kJSPropertyAttributeDontEnum, nullptr);
  JSStringRelease(key);
}

std::optional<ScriptError> ScriptContext::Evaluate(std::string_view source, std::string_view sourceUrl) {
  if (!impl_->ctx) return ScriptError{"the page is gone", std::string(sourceUrl), 0};
  JSStringRef script = MakeJsString8(source);
  JSStringRef url = MakeJsString8(sourceUrl);
  JSValueRef exception = nullptr;
  JSEvaluateScript(impl_->ctx, script, nullptr, url, 1, &exception);
  JSStringRelease(script);
  JSStringRelease(url);
  if (!exception) return std::nullopt;
  return impl_->Describe(exception);
}

std::u16string ScriptContext::ToText(const Variant& value) {
  return impl_->ctx ? ValueToU16(impl_->ctx, impl_->ToJs(value)) : std::u16string();
}

void ScriptContext::SetExceptionReporter(ExceptionReporter reporter) { impl_->reporter = std::move(reporter); }

}  // namespace balvek::webview
