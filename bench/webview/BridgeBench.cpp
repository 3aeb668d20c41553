// The script bridge in both directions, through the binding (JSC C API) and,
// for comparison, through the JSC GLib API and raw C API calls.
//   JS -> native:  a page loop calling a native method with two integers
//   native -> JS:  a page callback with two integers, called by name
//   CreateJSArray: 14 bytes into a real script array
// Items per second are calls (or arrays) per second.
#include <JavaScriptCore/JavaScript.h>
#include <benchmark/benchmark.h>
#include <jsc/jsc.h>

#include <cstdint>

#include "script/ArgumentBlock.h"
#include "script/Invoke.h"
#include "script/ScriptObject.h"
#include "webview/ScriptContext.h"

namespace {

using namespace balvek;
using script::Variant;

constexpr int kLoop = 1000;

// A native object with add(a, b).
class Adder final : public script::ScriptObject {
 public:
  static script::Ref<Adder> Create() { return script::Ref<Adder>::Adopt(new Adder()); }

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               Variant* result) override {
    return id == 1 ? DispatchMethod(&Adder::add, wFlags, params, result) : script::DISP_E_MEMBERNOTFOUND;
  }

 private:
  Adder() : ScriptObject(kClass) {}
  script::HRESULT add(script::DispParams& params, Variant* result) {
    if (params.cArgs != 2) return script::E_INVALIDARG;
    if (result) *result = Variant::I4(params.rgvarg[0].i4() + params.rgvarg[1].i4());
    return script::S_OK;
  }
  static constexpr script::MemberName kNames[] = {{u"add", 1}};
  static inline const script::ScriptClass kClass{.name = "Adder", .members = kNames};
};

const char* const kLoopScript =
    "function loop(n) { var s = 0; for (var i = 0; i < n; ++i) s = o.add(i, 1); return s; }\n"
    "function cb(a, b) { return a + b; }\n";

void BM_JsToNative_Binding(benchmark::State& state) {
  webview::ScriptContext page;
  page.SetGlobal(u"o", Variant::Object(script::Ref<script::Dispatch>(Adder::Create())));
  page.Evaluate(kLoopScript, "bench.js");
  const script::Ref<script::Dispatch> window = page.GlobalObject();
  script::ArgumentBlock args{Variant::I4(kLoop)};
  for (auto _ : state) {
    Variant result;
    script::CallByName(window.get(), u"loop", args.params(), &result);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * kLoop);
}
BENCHMARK(BM_JsToNative_Binding);

// The same page loop against a GLib API class whose add is a variadic method.
JSCValue* GlibAdd(GPtrArray* args, gpointer) {
  JSCValue* a = static_cast<JSCValue*>(g_ptr_array_index(args, 0));
  JSCValue* b = static_cast<JSCValue*>(g_ptr_array_index(args, 1));
  return jsc_value_new_number(jsc_value_get_context(a), jsc_value_to_int32(a) + jsc_value_to_int32(b));
}

void BM_JsToNative_GlibApi(benchmark::State& state) {
  JSCContext* context = jsc_context_new();
  JSCClass* cls = jsc_context_register_class(context, "Adder", nullptr, nullptr, nullptr);
  jsc_class_add_method_variadic(cls, "add", G_CALLBACK(+[](gpointer, GPtrArray* args, gpointer data) {
                                  return GlibAdd(args, data);
                                }),
                                nullptr, nullptr, JSC_TYPE_VALUE);
  static int instance = 0;  // a class method needs an instance
  JSCValue* object = jsc_value_new_object(context, &instance, cls);
  jsc_context_set_value(context, "o", object);
  g_object_unref(jsc_context_evaluate(context, kLoopScript, -1));
  JSCValue* loop = jsc_context_get_value(context, "loop");
  JSCValue* check = jsc_value_function_call(loop, G_TYPE_INT, 10, G_TYPE_NONE);
  if (jsc_value_to_int32(check) != 10 || jsc_context_get_exception(context)) state.SkipWithError("add did not run");
  g_object_unref(check);
  for (auto _ : state) {
    JSCValue* result = jsc_value_function_call(loop, G_TYPE_INT, kLoop, G_TYPE_NONE);
    g_object_unref(result);
  }
  state.SetItemsProcessed(state.iterations() * kLoop);
  g_object_unref(loop);
  g_object_unref(object);
  g_object_unref(context);
}
BENCHMARK(BM_JsToNative_GlibApi);

// Lower bound: a plain C API function called from the page loop.
void BM_JsToNative_RawCApi(benchmark::State& state) {
  JSGlobalContextRef ctx = JSGlobalContextCreate(nullptr);
  JSObjectRef o = JSObjectMake(ctx, nullptr, nullptr);
  JSStringRef add = JSStringCreateWithUTF8CString("add");
  JSObjectSetProperty(ctx, o, add,
                      JSObjectMakeFunctionWithCallback(
                          ctx, add,
                          [](JSContextRef c, JSObjectRef, JSObjectRef, size_t argc, const JSValueRef argv[],
                             JSValueRef*) -> JSValueRef {
                            if (argc < 2) return JSValueMakeUndefined(c);
                            return JSValueMakeNumber(c, JSValueToNumber(c, argv[0], nullptr) +
                                                            JSValueToNumber(c, argv[1], nullptr));
                          }),
                      kJSPropertyAttributeNone, nullptr);
  JSStringRelease(add);
  JSStringRef name = JSStringCreateWithUTF8CString("o");
  JSObjectSetProperty(ctx, JSContextGetGlobalObject(ctx), name, o, kJSPropertyAttributeNone, nullptr);
  JSStringRelease(name);
  JSStringRef source = JSStringCreateWithUTF8CString(kLoopScript);
  JSEvaluateScript(ctx, source, nullptr, nullptr, 1, nullptr);
  JSStringRelease(source);
  JSStringRef loopName = JSStringCreateWithUTF8CString("loop");
  JSObjectRef loop = JSValueToObject(ctx, JSObjectGetProperty(ctx, JSContextGetGlobalObject(ctx), loopName, nullptr), nullptr);
  JSStringRelease(loopName);
  JSValueRef n = JSValueMakeNumber(ctx, kLoop);
  for (auto _ : state) benchmark::DoNotOptimize(JSObjectCallAsFunction(ctx, loop, nullptr, 1, &n, nullptr));
  state.SetItemsProcessed(state.iterations() * kLoop);
  JSGlobalContextRelease(ctx);
}
BENCHMARK(BM_JsToNative_RawCApi);

void BM_NativeToJs_Binding(benchmark::State& state) {
  webview::ScriptContext page;
  page.Evaluate(kLoopScript, "bench.js");
  const script::Ref<script::Dispatch> window = page.GlobalObject();
  std::int32_t i = 0;
  for (auto _ : state) {
    script::ArgumentBlock args{Variant::I4(++i), Variant::I4(2)};
    Variant result;
    script::CallByName(window.get(), u"cb", args.params(), &result);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NativeToJs_Binding);

void BM_NativeToJs_GlibApi(benchmark::State& state) {
  JSCContext* context = jsc_context_new();
  g_object_unref(jsc_context_evaluate(context, kLoopScript, -1));
  JSCValue* global = jsc_context_get_global_object(context);
  int i = 0;
  for (auto _ : state) {
    JSCValue* result = jsc_value_object_invoke_method(global, "cb", G_TYPE_INT, ++i, G_TYPE_INT, 2, G_TYPE_NONE);
    g_object_unref(result);
  }
  state.SetItemsProcessed(state.iterations());
  g_object_unref(global);
  g_object_unref(context);
}
BENCHMARK(BM_NativeToJs_GlibApi);

void BM_NativeToJs_RawCApi(benchmark::State& state) {
  JSGlobalContextRef ctx = JSGlobalContextCreate(nullptr);
  JSStringRef source = JSStringCreateWithUTF8CString(kLoopScript);
  JSEvaluateScript(ctx, source, nullptr, nullptr, 1, nullptr);
  JSStringRelease(source);
  JSStringRef name = JSStringCreateWithUTF8CString("cb");
  JSObjectRef global = JSContextGetGlobalObject(ctx);
  int i = 0;
  for (auto _ : state) {
    JSObjectRef cb = JSValueToObject(ctx, JSObjectGetProperty(ctx, global, name, nullptr), nullptr);
    const JSValueRef args[] = {JSValueMakeNumber(ctx, ++i), JSValueMakeNumber(ctx, 2)};
    benchmark::DoNotOptimize(JSObjectCallAsFunction(ctx, cb, global, 2, args, nullptr));
  }
  state.SetItemsProcessed(state.iterations());
  JSStringRelease(name);
  JSGlobalContextRelease(ctx);
}
BENCHMARK(BM_NativeToJs_RawCApi);

const std::uint8_t kHand[14] = {0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 44, 48, 255};

void BM_CreateJSArray14_Binding(benchmark::State& state) {
  webview::ScriptContext page;
  const script::Ref<script::Dispatch> window = page.GlobalObject();
  for (auto _ : state) {
    Variant array;
    script::CreateJSArray(window.get(), std::span<const std::uint8_t>(kHand), &array);
    benchmark::DoNotOptimize(array);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CreateJSArray14_Binding);

void BM_CreateJSArray14_RawCApi(benchmark::State& state) {
  JSGlobalContextRef ctx = JSGlobalContextCreate(nullptr);
  for (auto _ : state) {
    JSValueRef values[14];
    for (int i = 0; i < 14; ++i) values[i] = JSValueMakeNumber(ctx, kHand[i]);
    benchmark::DoNotOptimize(JSObjectMakeArray(ctx, 14, values, nullptr));
  }
  state.SetItemsProcessed(state.iterations());
  JSGlobalContextRelease(ctx);
}
BENCHMARK(BM_CreateJSArray14_RawCApi);

}  // namespace

BENCHMARK_MAIN();
