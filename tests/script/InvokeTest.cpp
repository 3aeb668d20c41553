#include <gtest/gtest.h>

#include "fakes/FakePageObject.h"
#include "script/Invoke.h"

namespace balvek::script {
namespace {

using fakes::FakePageObject;

TEST(Invoke, IntPropertyTakesOnlyIntegers) {
  const Ref<FakePageObject> page = FakePageObject::Create();
  page->Set(u"n", Variant::I4(12));
  page->Set(u"half", Variant::R8(1.5));
  page->Set(u"digits", Variant::String(u"12"));
  EXPECT_EQ(GetIntProperty(page.get(), u"n", -1), 12);
  EXPECT_EQ(GetIntProperty(page.get(), u"half", -1), -1);
  EXPECT_EQ(GetIntProperty(page.get(), u"digits", -1), -1);
  EXPECT_EQ(GetIntProperty(page.get(), u"absent", -1), -1);
  page->Set(u"3", Variant::I4(9));
  EXPECT_EQ(GetIntElement(page.get(), 3, 0), 9);
  EXPECT_EQ(GetIntElement(page.get(), 4, 255), 255);
}

TEST(Invoke, StringPropertyTakesOnlyStrings) {
  const Ref<FakePageObject> page = FakePageObject::Create();
  page->Set(u"s", Variant::String(u"text"));
  page->Set(u"null", Variant::String(Bstr()));
  page->Set(u"n", Variant::I4(1));
  EXPECT_EQ(GetStringProperty(page.get(), u"s"), u"text");
  EXPECT_EQ(GetStringProperty(page.get(), u"null"), u"");
  EXPECT_EQ(GetStringProperty(page.get(), u"n"), std::nullopt);
  EXPECT_EQ(GetStringProperty(page.get(), u"absent"), std::nullopt);
}

TEST(CreateJSArray, FillsEachFormThroughThePagesArray) {
  const Ref<FakePageObject> page = FakePageObject::Create();
  page->MakesArrays();
  const std::uint8_t bytes[] = {5, 255};
  Variant result;
  ASSERT_EQ(CreateJSArray(page.get(), std::span<const std::uint8_t>(bytes), &result), S_OK);
  auto* array = static_cast<FakePageObject*>(result.dispatch());
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(*array->Get(u"0"), Variant::I4(5));
  EXPECT_EQ(*array->Get(u"1"), Variant::I4(255));

  const std::int32_t numbers[] = {-7};
  ASSERT_EQ(CreateJSArray(page.get(), std::span<const std::int32_t>(numbers), &result), S_OK);
  EXPECT_EQ(*static_cast<FakePageObject*>(result.dispatch())->Get(u"0"), Variant::I4(-7));

  Dispatch* const objects[] = {page.get()};
  ASSERT_EQ(CreateJSArray(page.get(), std::span<Dispatch* const>(objects), &result), S_OK);
  EXPECT_EQ(static_cast<FakePageObject*>(result.dispatch())->Get(u"0")->dispatch(), page.get());

  ASSERT_EQ(CreateJSArray(page.get(), std::span<const std::uint8_t>(), &result), S_OK);
  EXPECT_TRUE(result.Is(VT_DISPATCH)) << "an empty array, not nothing";
}

TEST(CreateJSArray, FailuresLeaveTheResultUntouched) {
  const Ref<FakePageObject> noArray = FakePageObject::Create();
  const std::uint8_t bytes[] = {1};
  Variant result = Variant::I4(1);
  EXPECT_EQ(CreateJSArray(noArray.get(), std::span<const std::uint8_t>(bytes), &result), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(result, Variant::I4(1));

  // An array without DispatchEx: fine when empty, E_POINTER otherwise.
  const Ref<FakePageObject> page = FakePageObject::Create();
  page->MakesArrays(false);
  EXPECT_EQ(CreateJSArray(page.get(), std::span<const std::uint8_t>(bytes), &result), E_POINTER);
  EXPECT_EQ(result, Variant::I4(1));
  EXPECT_EQ(CreateJSArray(page.get(), std::span<const std::uint8_t>(), &result), S_OK);
  EXPECT_TRUE(result.Is(VT_DISPATCH));

  // An "Array" that yields no object is reported, not taken for an array.
  const Ref<FakePageObject> odd = FakePageObject::Create();
  odd->SetMethod(u"Array", [](DispParams&, Variant* r) {
    *r = Variant::I4(0);
    return S_OK;
  });
  result = Variant::I4(1);
  EXPECT_EQ(CreateJSArray(odd.get(), std::span<const std::uint8_t>(bytes), &result), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(result, Variant::I4(1));
}

}  // namespace
}  // namespace balvek::script
