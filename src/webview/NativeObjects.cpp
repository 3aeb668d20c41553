// Native script objects as page script sees them: a JS class whose property
// reads and calls go through GetIDsOfNames and Invoke.
#include <array>
#include <string_view>
#include <unordered_map>

#include "script/FunctionObject.h"
#include "webview/JsBinding.h"

namespace balvek::webview {

using script::DispParams;
using script::Variant;

namespace {

// Reads and calls from script pass both flags, as script engines do for a
// call whose value is used.
constexpr std::uint16_t kCallFlags = script::DISPATCH_METHOD | script::DISPATCH_PROPERTYGET;

struct NativeObject final : Finalized {
  NativeObject(std::shared_ptr<ContextLink> link, script::Dispatch* dispatch)
      : Finalized(std::move(link)), object(dispatch) {}
  ~NativeObject() override {
    if (ScriptContext::Impl* owner = impl()) {
      owner->protecting.erase(this);
      owner->ForgetFace(object.get(), this);
    }
  }
  void Unprotect(JSContextRef ctx) override {
    for (auto& [name, function] : methods) JSValueUnprotect(ctx, function);
    methods.clear();
    if (ScriptContext::Impl* owner = impl()) owner->protecting.erase(this);
  }
  script::Ref<script::Dispatch> object;
  // Methods read so far, so that reading one twice gives the same function.
  std::unordered_map<std::u16string, JSObjectRef> methods;
};

// A method read from a native object. Called as a method of that object it
// invokes the member itself, so a failing status reaches script; called any
// other way it is the function object the read produced, which answers S_OK.
struct MethodFunction final : Finalized {
  MethodFunction(std::shared_ptr<ContextLink> link, script::Dispatch* ownerObject, script::DISPID memberId,
                 script::Dispatch* functionObject, std::u16string memberName)
      : Finalized(std::move(link)),
        owner(ownerObject),
        id(memberId),
        function(functionObject),
        name(std::move(memberName)) {}
  script::Ref<script::Dispatch> owner;
  script::DISPID id;
  script::Ref<script::Dispatch> function;
  std::u16string name;
};

struct HostFunction final : Finalized {
  HostFunction(std::shared_ptr<ContextLink> link, ScriptContext::NativeFunction f)
      : Finalized(std::move(link)), function(std::move(f)) {}
  ScriptContext::NativeFunction function;
};

// Names that script engines and libraries look up on any object by
// themselves; they keep their ordinary meaning so that String(object) and
// JSON.stringify(object) work and a native object is not taken for a promise.
bool IsProbeName(std::u16string_view name) {
  static constexpr std::array<std::u16string_view, 10> kProbes = {
      u"toString", u"valueOf",       u"toJSON",        u"then",           u"toLocaleString",
      u"constructor", u"hasOwnProperty", u"isPrototypeOf", u"propertyIsEnumerable", u"__proto__"};
  for (std::u16string_view probe : kProbes)
    if (name == probe) return true;
  return name.starts_with(u"Symbol.") || name.starts_with(u"Symbol(") || name.starts_with(u"@@");
}

void Finalize(JSObjectRef object) {
  if (auto* data = static_cast<Finalized*>(JSObjectGetPrivate(object))) DeferRelease(data);
}

JSValueRef Fail(ScriptContext::Impl& impl, script::HRESULT status, std::u16string_view member, JSValueRef* exception) {
  if (exception) *exception = impl.StatusError(status, member);
  return JSValueMakeUndefined(impl.ctx);
}

JSClassRef MethodClass();

JSValueRef GetNativeProperty(JSContextRef ctx, JSObjectRef object, JSStringRef propertyName, JSValueRef* exception) {
  ScriptContext::Impl* impl = ImplOf(ctx);
  auto* data = static_cast<NativeObject*>(JSObjectGetPrivate(object));
  if (!impl || !data) return nullptr;
  std::u16string name = ToU16(propertyName);
  if (IsProbeName(name)) return nullptr;
  if (const auto cached = data->methods.find(name); cached != data->methods.end()) return cached->second;

  const char16_t* names[] = {name.c_str()};
  script::DISPID id = script::DISPID_UNKNOWN;
  if (script::Failed(data->object->GetIDsOfNames(script::IID_NULL, names, 1, script::LOCALE_USER_DEFAULT, &id)))
    return nullptr;
  DispParams none;
  Variant value;
  const script::HRESULT status = data->object->Invoke(id, script::IID_NULL, script::LOCALE_USER_DEFAULT,
                                                      script::DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
  if (status == script::DISP_E_MEMBERNOTFOUND || status == script::DISP_E_UNKNOWNNAME) return nullptr;
  if (script::Failed(status)) return Fail(*impl, status, name, exception);

  if (auto* function = dynamic_cast<script::CFunctionObject*>(value.dispatch())) {
    JSObjectRef method =
        JSObjectMake(ctx, MethodClass(), new MethodFunction(impl->link, data->object.get(), id, function, name));
    JSObjectSetPrototype(ctx, method, impl->FunctionPrototype());
    JSValueProtect(ctx, method);
    data->methods.emplace(std::move(name), method);
    impl->protecting.insert(data);
    return method;
  }
  return impl->ToJs(value);
}

// A name read from a method: the function's own members (call, apply, ...)
// keep their meaning; any other name is asked of the function object, which
// knows none and says so in the log.
JSValueRef GetMethodProperty(JSContextRef, JSObjectRef object, JSStringRef propertyName, JSValueRef*) {
  static constexpr std::array<std::u16string_view, 8> kFunctionMembers = {
      u"call", u"apply", u"bind", u"length", u"name", u"prototype", u"arguments", u"caller"};
  auto* method = static_cast<MethodFunction*>(JSObjectGetPrivate(object));
  const std::u16string name = ToU16(propertyName);
  if (!method || IsProbeName(name)) return nullptr;
  for (std::u16string_view member : kFunctionMembers)
    if (name == member) return nullptr;
  const char16_t* names[] = {name.c_str()};
  script::DISPID id = script::DISPID_UNKNOWN;
  method->function->GetIDsOfNames(script::IID_NULL, names, 1, script::LOCALE_USER_DEFAULT, &id);
  return nullptr;
}

bool SetNativeProperty(JSContextRef ctx, JSObjectRef object, JSStringRef propertyName, JSValueRef value,
                       JSValueRef* exception) {
  ScriptContext::Impl* impl = ImplOf(ctx);
  auto* data = static_cast<NativeObject*>(JSObjectGetPrivate(object));
  if (!impl || !data) return false;
  const std::u16string name = ToU16(propertyName);
  if (IsProbeName(name)) return false;
  const char16_t* names[] = {name.c_str()};
  script::DISPID id = script::DISPID_UNKNOWN;
  if (script::Failed(data->object->GetIDsOfNames(script::IID_NULL, names, 1, script::LOCALE_USER_DEFAULT, &id)))
    return false;
  Variant argument = impl->FromJs(value);
  script::DISPID named = script::DISPID_PROPERTYPUT;
  DispParams params{&argument, &named, 1, 1};
  const script::HRESULT status = data->object->Invoke(id, script::IID_NULL, script::LOCALE_USER_DEFAULT,
                                                      script::DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
  if (script::Failed(status)) Fail(*impl, status, name, exception);
  return true;
}

JSValueRef CallInvoke(JSContextRef ctx, script::Dispatch& target, script::DISPID id, std::u16string_view name,
                      size_t argc, const JSValueRef argv[], JSValueRef* exception) {
  ScriptContext::Impl* impl = ImplOf(ctx);
  if (!impl) return JSValueMakeUndefined(ctx);
  script::ArgumentBlock arguments = impl->Arguments(argc, argv);
  Variant result;
  const script::HRESULT status = target.Invoke(id, script::IID_NULL, script::LOCALE_USER_DEFAULT, kCallFlags,
                                               &arguments.params(), &result, nullptr, nullptr);
  if (script::Failed(status)) return Fail(*impl, status, name, exception);
  return impl->ToJs(result);
}

JSValueRef CallNativeObject(JSContextRef ctx, JSObjectRef function, JSObjectRef, size_t argc, const JSValueRef argv[],
                            JSValueRef* exception) {
  auto* data = static_cast<NativeObject*>(JSObjectGetPrivate(function));
  if (!data) return JSValueMakeUndefined(ctx);
  return CallInvoke(ctx, *data->object, script::DISPID_VALUE, u"", argc, argv, exception);
}

JSValueRef CallMethod(JSContextRef ctx, JSObjectRef function, JSObjectRef thisObject, size_t argc,
                      const JSValueRef argv[], JSValueRef* exception) {
  auto* method = static_cast<MethodFunction*>(JSObjectGetPrivate(function));
  if (!method) return JSValueMakeUndefined(ctx);
  if (thisObject && NativeObjectOf(ctx, thisObject) == method->owner.get())
    return CallInvoke(ctx, *method->owner, method->id, method->name, argc, argv, exception);
  return CallInvoke(ctx, *method->function, script::DISPID_VALUE, method->name, argc, argv, exception);
}

JSValueRef CallHost(JSContextRef ctx, JSObjectRef function, JSObjectRef, size_t argc, const JSValueRef argv[],
                    JSValueRef* exception) {
  ScriptContext::Impl* impl = ImplOf(ctx);
  auto* host = static_cast<HostFunction*>(JSObjectGetPrivate(function));
  if (!impl || !host) return JSValueMakeUndefined(ctx);
  std::vector<Variant> arguments;
  arguments.reserve(argc);
  for (size_t i = 0; i < argc; ++i) arguments.push_back(impl->FromJs(argv[i]));
  Variant result;
  const script::HRESULT status = host->function(arguments, &result);
  if (script::Failed(status)) return Fail(*impl, status, u"", exception);
  return impl->ToJs(result);
}

JSClassRef MakeClass(const char* name, JSObjectCallAsFunctionCallback call, JSObjectGetPropertyCallback get,
                     JSObjectSetPropertyCallback set) {
  JSClassDefinition definition = kJSClassDefinitionEmpty;
  definition.className = name;
  definition.finalize = Finalize;
  definition.callAsFunction = call;
  definition.getProperty = get;
  definition.setProperty = set;
  return JSClassCreate(&definition);
}

JSClassRef NativeClass() {
  static JSClassRef cls = MakeClass("Object", nullptr, GetNativeProperty, SetNativeProperty);
  return cls;
}

// Function objects handed over as values: callable, and typeof "function".
JSClassRef CallableClass() {
  static JSClassRef cls = MakeClass("Function", CallNativeObject, GetNativeProperty, SetNativeProperty);
  return cls;
}

JSClassRef MethodClass() {
  static JSClassRef cls = MakeClass("Function", CallMethod, GetMethodProperty, nullptr);
  return cls;
}

JSClassRef HostClass() {
  static JSClassRef cls = MakeClass("Function", CallHost, nullptr, nullptr);
  return cls;
}

}  // namespace

JSObjectRef MakeNativeObject(ScriptContext::Impl& impl, script::Dispatch* object) {
  if (dynamic_cast<script::CFunctionObject*>(object)) {
    JSObjectRef function = JSObjectMake(impl.ctx, CallableClass(), new NativeObject(impl.link, object));
    JSObjectSetPrototype(impl.ctx, function, impl.FunctionPrototype());
    return function;
  }
  return JSObjectMake(impl.ctx, NativeClass(), new NativeObject(impl.link, object));
}

script::Dispatch* NativeObjectOf(JSContextRef ctx, JSValueRef value) {
  if (JSValueIsObjectOfClass(ctx, value, NativeClass()) || JSValueIsObjectOfClass(ctx, value, CallableClass())) {
    auto* data = static_cast<NativeObject*>(JSObjectGetPrivate(JSValueToObject(ctx, value, nullptr)));
    return data ? data->object.get() : nullptr;
  }
  if (JSValueIsObjectOfClass(ctx, value, MethodClass())) {
    auto* data = static_cast<MethodFunction*>(JSObjectGetPrivate(JSValueToObject(ctx, value, nullptr)));
    return data ? data->function.get() : nullptr;
  }
  return nullptr;
}

JSObjectRef MakeHostFunction(ScriptContext::Impl& impl, ScriptContext::NativeFunction function) {
  JSObjectRef object = JSObjectMake(impl.ctx, HostClass(), new HostFunction(impl.link, std::move(function)));
  JSObjectSetPrototype(impl.ctx, object, impl.FunctionPrototype());
  return object;
}

}  // namespace balvek::webview
