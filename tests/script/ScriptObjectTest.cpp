#include <gtest/gtest.h>

#include "script/ArgumentBlock.h"
#include "script/FunctionObject.h"
#include "script/ScriptObject.h"

namespace balvek::script {
namespace {

// A script object with one method ("run", 101) and one property ("value", 102).
class Sample final : public ScriptObject {
 public:
  static Ref<Sample> Create(bool* destroyed) { return Ref<Sample>::Adopt(new Sample(destroyed)); }
  int runs = 0;

 protected:
  HRESULT InvokeMember(DISPID id, std::uint16_t wFlags, DispParams& params, Variant* result) override {
    if (id == 101) return DispatchMethod(&Sample::run, wFlags, params, result);
    if (wFlags & DISPATCH_PROPERTYGET) {
      if (result) *result = Variant::I4(7);
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  explicit Sample(bool* destroyed) : ScriptObject(kClass), destroyed_(destroyed) {}
  ~Sample() override { *destroyed_ = true; }
  // Fails with E_INVALIDARG unless given one argument; answers the count of runs.
  HRESULT run(DispParams& params, Variant* result) {
    ++runs;
    if (params.cArgs != 1) return E_INVALIDARG;
    if (result) *result = Variant::I4(runs);
    return S_OK;
  }

  static constexpr MemberName kNames[] = {{u"run", 101}, {u"value", 102}};
  static inline const ScriptClass kClass{.name = "Sample", .members = kNames};
  bool* destroyed_;
};

HRESULT Names(Dispatch& object, std::initializer_list<const char16_t*> names, std::vector<DISPID>& ids) {
  ids.assign(names.size(), 0);
  return object.GetIDsOfNames(IID_NULL, std::data(names), static_cast<unsigned>(names.size()), 0, ids.data());
}

HRESULT Call(Dispatch& object, DISPID id, std::uint16_t flags, ArgumentBlock& args, Variant* result) {
  return object.Invoke(id, IID_NULL, 0, flags, &args.params(), result, nullptr, nullptr);
}

TEST(ScriptObject, NamesAreExactAndCaseSensitive) {
  bool destroyed = false;
  const Ref<Sample> sample = Sample::Create(&destroyed);
  std::vector<DISPID> ids;
  EXPECT_EQ(Names(*sample, {u"run"}, ids), S_OK);
  EXPECT_EQ(ids[0], 101);
  EXPECT_EQ(Names(*sample, {u"Run"}, ids), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
  // Several names: each slot filled, the outcome is the last name's.
  EXPECT_EQ(Names(*sample, {u"nope", u"value"}, ids), S_OK);
  EXPECT_EQ(ids, (std::vector<DISPID>{DISPID_UNKNOWN, 102}));
  EXPECT_EQ(Names(*sample, {u"value", u"nope"}, ids), DISP_E_MEMBERNOTFOUND);
}

TEST(ScriptObject, MethodRunsForMethodFlagEvenWithPropertyGet) {
  bool destroyed = false;
  const Ref<Sample> sample = Sample::Create(&destroyed);
  ArgumentBlock one{Variant::I4(1)};
  Variant result;
  EXPECT_EQ(Call(*sample, 101, DISPATCH_METHOD | DISPATCH_PROPERTYGET, one, &result), S_OK);
  EXPECT_EQ(result, Variant::I4(1));
  ArgumentBlock none;
  EXPECT_EQ(Call(*sample, 101, DISPATCH_METHOD, none, &result), E_INVALIDARG);
  EXPECT_EQ(Call(*sample, 101, DISPATCH_PROPERTYPUT, none, &result), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(*sample, 999, DISPATCH_METHOD, none, &result), DISP_E_MEMBERNOTFOUND);
}

TEST(ScriptObject, MethodReadAsValueIsAFunctionObjectThatAlwaysReportsOk) {
  bool destroyed = false;
  Ref<Sample> sample = Sample::Create(&destroyed);
  ArgumentBlock none;
  Variant function;
  ASSERT_EQ(Call(*sample, 101, DISPATCH_PROPERTYGET, none, &function), S_OK);
  ASSERT_TRUE(function.Is(VT_DISPATCH));
  Dispatch& callable = *function.dispatch();

  ArgumentBlock one{Variant::I4(1)};
  Variant result;
  EXPECT_EQ(Call(callable, DISPID_VALUE, DISPATCH_METHOD, one, &result), S_OK);
  EXPECT_EQ(result, Variant::I4(1));
  // The method fails (no argument) but the function object still says S_OK.
  EXPECT_EQ(Call(callable, DISPID_VALUE, DISPATCH_PROPERTYGET, none, &result), S_OK);
  EXPECT_EQ(sample->runs, 2);
  // Another id: nothing runs, result untouched, still S_OK.
  result = Variant::I4(42);
  EXPECT_EQ(Call(callable, 5, DISPATCH_METHOD, one, &result), S_OK);
  EXPECT_EQ(result, Variant::I4(42));
  EXPECT_EQ(sample->runs, 2);

  std::vector<DISPID> ids;
  EXPECT_EQ(Names(callable, {}, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Names(callable, {u"call"}, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);

  // The function object keeps its owner alive.
  sample.Reset();
  EXPECT_FALSE(destroyed);
  function.Clear();
  EXPECT_TRUE(destroyed);
}

TEST(ScriptObject, AnswersOnlyUnknownAndDispatch) {
  bool destroyed = false;
  const Ref<Sample> sample = Sample::Create(&destroyed);
  Variant function;
  ArgumentBlock none;
  ASSERT_EQ(Call(*sample, 101, DISPATCH_PROPERTYGET, none, &function), S_OK);
  for (Dispatch* object : {static_cast<Dispatch*>(sample.get()), function.dispatch()}) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IDispatchEx, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    for (const IID& iid : {IID_IUnknown, IID_IDispatch}) {
      ASSERT_EQ(object->QueryInterface(iid, &out), S_OK);
      EXPECT_EQ(out, object);
      static_cast<Dispatch*>(out)->Release();
    }
    unsigned count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), E_NOTIMPL);
  }
}

TEST(ScriptObject, ReleaseAtZeroDestroys) {
  bool destroyed = false;
  Sample* raw = Sample::Create(&destroyed).Detach();
  EXPECT_EQ(raw->AddRef(), 2u);
  EXPECT_EQ(raw->Release(), 1u);
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(raw->Release(), 0u);
  EXPECT_TRUE(destroyed);
}

TEST(Variant, NullStringIsNotTheEmptyString) {
  const Variant null = Variant::String(Bstr());
  const Variant empty = Variant::String(u"");
  EXPECT_TRUE(null.bstr().IsNull());
  EXPECT_FALSE(empty.bstr().IsNull());
  EXPECT_NE(null, empty);
  EXPECT_EQ(null.bstr().View(), empty.bstr().View());
  EXPECT_EQ(Variant::Missing().vt(), VT_ERROR);
  EXPECT_EQ(Variant::Missing().scode(), DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Variant::Bool(true).boolVal(), VARIANT_TRUE);
}

TEST(ArgumentBlock, StoresScriptOrderReversed) {
  ArgumentBlock args{Variant::I4(1), Variant::I4(2), Variant::I4(3)};
  DispParams& params = args.params();
  ASSERT_EQ(params.cArgs, 3u);
  EXPECT_EQ(params.rgvarg[0], Variant::I4(3));
  EXPECT_EQ(params.rgvarg[2], Variant::I4(1));
}

}  // namespace
}  // namespace balvek::script
