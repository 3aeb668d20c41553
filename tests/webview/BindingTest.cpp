#include <gtest/gtest.h>

#include "script/ArgumentBlock.h"
#include "script/Invoke.h"
#include "script/ScriptObject.h"
#include "webview/ScriptFixture.h"

namespace balvek::webview {
namespace {

using script::Variant;

// "run" (101) needs exactly one argument; "value" (102) reads 7.
class Sample final : public script::ScriptObject {
 public:
  static script::Ref<Sample> Create() { return script::Ref<Sample>::Adopt(new Sample()); }

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               Variant* result) override {
    if (id == 101) return DispatchMethod(&Sample::run, wFlags, params, result);
    if (result) *result = Variant::I4(7);
    return script::S_OK;
  }

 private:
  Sample() : ScriptObject(kClass) {}
  script::HRESULT run(script::DispParams& params, Variant* result) {
    if (params.cArgs != 1) return script::E_INVALIDARG;
    if (result) *result = params.rgvarg[0];
    return script::S_OK;
  }
  static constexpr script::MemberName kNames[] = {{u"run", 101}, {u"value", 102}};
  static inline const script::ScriptClass kClass{.name = "Sample", .members = kNames};
};

using Binding = ScriptFixture;

TEST_F(Binding, NativeObjectReadsAndCallsGoThroughItsNames) {
  page.SetGlobal(u"obj", Variant::Object(script::Ref<script::Dispatch>(Sample::Create())));
  Run(R"(
    check(obj.value === 7, "property");
    check(obj.run("a") === "a", "method call");
    check(obj.Run === undefined && obj.VALUE === undefined, "names are exact");
    check(typeof obj === "object" && typeof obj.run === "function", "typeof");
    check(obj.run === obj.run, "same function twice");
    var failed = null;
    try { obj.run(); } catch (e) { failed = e; }
    check(failed !== null && /0x80070057/.test(failed.message) && failed.number === -2147024809, "status in exception");
    var f = obj.run;
    check(f() === undefined, "a function object reports S_OK");
    check(f("b") === "b" && f.call(null, "c") === "c", "function object runs the method");
    check(String(obj) === "[object Object]" && JSON.stringify(obj) === "{}", "probes fall through");
    check(!("then" in obj) && obj[Symbol.iterator] === undefined, "not a promise, not iterable");
    Promise.resolve(obj).then(function (v) { keep(v === obj); });
  )");
  ASSERT_EQ(kept.size(), 1u) << "the promise settled with the object";
  EXPECT_EQ(kept[0], Variant::Bool(true));
}

TEST_F(Binding, OneNativeObjectHasOneScriptFace) {
  const script::Ref<Sample> sample = Sample::Create();
  const script::Ref<Sample> other = Sample::Create();
  page.SetGlobal(u"a", Variant::Object(sample.get()));
  page.SetGlobal(u"b", Variant::Object(sample.get()));
  page.SetGlobal(u"c", Variant::Object(other.get()));
  Run(R"(
    check(a === b, "the same native object twice is the same script object");
    check(a !== c, "another native object is another script object");
  )");
}

TEST_F(Binding, ValuesMapByKind) {
  Run("keep(1, -2147483648, 2147483648, 1.5, 'x', true, undefined, null, {}, function () {})");
  ASSERT_EQ(kept.size(), 10u);
  const script::VARTYPE kinds[] = {script::VT_I4,   script::VT_I4,    script::VT_R8,   script::VT_R8,
                                   script::VT_BSTR, script::VT_BOOL,  script::VT_EMPTY, script::VT_NULL,
                                   script::VT_DISPATCH, script::VT_DISPATCH};
  for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i].vt(), kinds[i]) << i;
  EXPECT_EQ(kept[1].i4(), -2147483648);
  EXPECT_EQ(kept[5].boolVal(), script::VARIANT_TRUE);
}

TEST_F(Binding, CreateJSArrayMakesRealScriptArrays) {
  const script::Ref<script::Dispatch> window = page.GlobalObject();
  const std::uint8_t bytes[] = {5, 255};
  Variant array;
  ASSERT_EQ(script::CreateJSArray(window.get(), std::span<const std::uint8_t>(bytes), &array), script::S_OK);
  Variant empty;
  ASSERT_EQ(script::CreateJSArray(window.get(), std::span<const std::uint8_t>(), &empty), script::S_OK);
  const script::Ref<Sample> sample = Sample::Create();
  script::Dispatch* const objects[] = {sample.get(), sample.get()};
  Variant list;
  ASSERT_EQ(script::CreateJSArray(window.get(), std::span<script::Dispatch* const>(objects), &list), script::S_OK);
  page.SetGlobal(u"bytes", array);
  page.SetGlobal(u"empty", empty);
  page.SetGlobal(u"list", list);
  Run(R"(
    check(Array.isArray(bytes) && bytes.length === 2 && bytes[0] === 5 && bytes[1] === 255, "bytes");
    check(bytes.join() === "5,255" && bytes.map(function (x) { return x + 1; })[1] === 256, "array methods");
    check(Array.isArray(empty) && empty.length === 0, "empty array");
    check(list.length === 2 && list[1].value === 7, "objects");
  )");
  // The array native code holds is the script's own array.
  EXPECT_EQ(script::GetIntProperty(array.dispatch(), u"length", -1), 2);
  EXPECT_EQ(script::GetIntElement(array.dispatch(), 1, 0), 255);
}

TEST_F(Binding, PageObjectsSeenFromNativeCode) {
  Run(R"(keep({ i: 3, d: 1.5, s: "12", t: "text",
                add: function (a, b) { return a * 10 + b; },
                fail: function () { throw new Error("boom"); } }))");
  ASSERT_EQ(kept.size(), 1u);
  script::Dispatch* o = kept[0].dispatch();
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(script::GetIntProperty(o, u"i", -1), 3);
  EXPECT_EQ(script::GetIntProperty(o, u"d", -1), -1);
  EXPECT_EQ(script::GetIntProperty(o, u"s", -1), -1);
  EXPECT_EQ(script::GetStringProperty(o, u"t"), u"text");

  const char16_t* missing[] = {u"OnTsumo"};
  script::DISPID id = 0;
  EXPECT_EQ(o->GetIDsOfNames(script::IID_NULL, missing, 1, 0, &id), script::DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, script::DISPID_UNKNOWN);

  script::ArgumentBlock args{Variant::I4(1), Variant::I4(2)};
  Variant result;
  EXPECT_EQ(script::CallByName(o, u"add", args.params(), &result), script::S_OK);
  EXPECT_EQ(result, Variant::I4(12));

  EXPECT_EQ(script::CallByName(o, u"fail", args.params(), &result), script::DISP_E_EXCEPTION);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].message, "Error: boom");
  EXPECT_EQ(reported[0].line, 3);
  // The exception did not stay behind: the next call works.
  EXPECT_EQ(script::CallByName(o, u"add", args.params(), &result), script::S_OK);

  void* ex = nullptr;
  ASSERT_EQ(o->QueryInterface(script::IID_IDispatchEx, &ex), script::S_OK);
  static_cast<script::Dispatch*>(ex)->Release();
}

TEST_F(Binding, HeldPageObjectsLetGoWhenThePageGoes) {
  Run("keep({ n: 1 })");
  ASSERT_EQ(kept.size(), 1u);
  const script::Ref<script::Dispatch> held(kept[0].dispatch());
  kept.clear();
  EXPECT_EQ(script::GetIntProperty(held.get(), u"n", -1), 1);
  page.Close();
  EXPECT_EQ(script::GetIntProperty(held.get(), u"n", -1), -1);
  Variant result;
  EXPECT_EQ(script::GetProperty(held.get(), u"n", &result), script::E_UNEXPECTED);
}

TEST_F(Binding, HostFunctionFailureCarriesTheStatus) {
  page.DefineFunction(u"refuse", [](std::span<const Variant>, Variant*) { return script::DISP_E_ARRAYISLOCKED; });
  Run(R"(
    var caught = "";
    try { refuse(); } catch (e) { caught = e.message; }
    check(/0x8002000D/.test(caught), caught);
  )");
}

}  // namespace
}  // namespace balvek::webview
