#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "analysis/GzipFiles.h"
#include "analysis/IDispatchCacheImpl.h"
#include "fakes/TempDir.h"
#include "script/ArgumentBlock.h"
#include "script/Variant.h"

namespace balvek::analysis {
namespace {

using balvek::testing::TempDir;
using script::ArgumentBlock;
using script::S_OK;
using script::Variant;

Variant S(std::u16string_view text) { return Variant::String(script::Bstr(text)); }

class CacheObjectTest : public ::testing::Test {
 protected:
  CacheObjectTest()
      : store_(dir_ / "00.dat"), settings_(dir_ / "config.ini"), cache_(IDispatchCacheImpl::Create(&store_, settings_)) {}

  script::HRESULT Call(script::DISPID id, std::initializer_list<Variant> args, Variant* result = nullptr,
                       std::uint16_t flags = script::DISPATCH_METHOD) {
    ArgumentBlock block(args);
    return cache_->Invoke(id, script::IID_NULL, 0, flags, &block.params(), result, nullptr, nullptr);
  }
  // get(key) with a result slot that starts as a marker, so "untouched" shows.
  Variant Get(std::u16string_view key) {
    Variant result = Variant::I4(-7);
    EXPECT_EQ(Call(IDispatchCacheImpl::kGet, {S(key)}, &result), S_OK);
    return result;
  }

  TempDir dir_;
  LogAnaCache store_;
  platform::SettingsFile settings_;
  script::Ref<IDispatchCacheImpl> cache_;
};

TEST_F(CacheObjectTest, SetGetAndClearWorkOnTheStore) {
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"rec"), S(u"value"), S(u"alice")}), S_OK);
  EXPECT_EQ(Get(u"rec"), S(u"value"));
  EXPECT_TRUE(Get(u"absent").bstr().IsNull());  // a string, but the null one
  EXPECT_EQ(Get(u"absent").vt(), script::VT_BSTR);

  // Only strings count as arguments.
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"num"), Variant::I4(5)}), S_OK);
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"one")}), S_OK);
  EXPECT_EQ(store_.Get(u"num"), std::nullopt);
  EXPECT_EQ(store_.Get(u"one"), std::nullopt);
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"p"), S(u"v"), Variant::I4(3)}), S_OK);
  EXPECT_EQ(store_.Get(u"p"), u"v");

  Variant untouched = Variant::I4(-7);
  EXPECT_EQ(Call(IDispatchCacheImpl::kGet, {}, &untouched), S_OK);
  EXPECT_EQ(untouched, Variant::I4(-7));

  EXPECT_EQ(Call(IDispatchCacheImpl::kClear, {}), S_OK);
  EXPECT_EQ(store_.size(), 0u);
  EXPECT_TRUE(store_.dirty());
}

TEST_F(CacheObjectTest, SettingsKeysReadAnyValueAndWriteOnlyScriptInfo) {
  ASSERT_TRUE(platform::StoreScriptHome("http://home.test/1/script/", settings_));
  EXPECT_EQ(Get(u"!STATUS::SCRIPT_HOME"), S(u"http://home.test/1/script/"));
  EXPECT_EQ(Get(u"!status::missing"), S(u""));
  EXPECT_EQ(Get(u"!A::B::C"), Variant::I4(-7));
  EXPECT_EQ(Get(u"!STATUS"), Variant::I4(-7));

  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"!STATUS::SCRIPT_INFO"), S(u"\u6771 notes")}), S_OK);
  EXPECT_EQ(settings_.Read("STATUS", "SCRIPT_INFO"), "\u6771 notes");
  EXPECT_EQ(Get(u"!STATUS::SCRIPT_INFO"), S(u"\u6771 notes"));
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"!STATUS::SCRIPT_INFO"), S(u"")}), S_OK);
  EXPECT_EQ(settings_.Read("STATUS", "SCRIPT_INFO"), std::nullopt);

  const std::string before = balvek::testing::ReadBytes(settings_.path());
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"!LOG::PATH"), S(u"/elsewhere")}), script::DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"!status::script_info"), S(u"x")}), script::DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(Call(IDispatchCacheImpl::kSet, {S(u"!A::B::C"), S(u"x")}), S_OK);
  EXPECT_EQ(balvek::testing::ReadBytes(settings_.path()), before);
  EXPECT_EQ(store_.size(), 0u);  // settings keys never reach the store
}

TEST_F(CacheObjectTest, LongSettingsValuesAreCutTo1023Units) {
  ASSERT_TRUE(settings_.Write("X", "LONG", std::string(1022, 'a') + "\U0001F600"));
  const Variant value = Get(u"!X::LONG");
  EXPECT_EQ(value.bstr().View(), std::u16string(1022, u'a'));  // no half surrogate pair
}

TEST_F(CacheObjectTest, MethodsReadAsCallableValuesAndUnknownIdsFail) {
  Variant function;
  ASSERT_EQ(Call(IDispatchCacheImpl::kSet, {}, &function, script::DISPATCH_PROPERTYGET), S_OK);
  ASSERT_EQ(function.vt(), script::VT_DISPATCH);
  ArgumentBlock args{S(u"k"), S(u"v")};
  EXPECT_EQ(function.dispatch()->Invoke(script::DISPID_VALUE, script::IID_NULL, 0, script::DISPATCH_METHOD,
                                        &args.params(), nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(store_.Get(u"k"), u"v");

  EXPECT_EQ(Call(104, {}), script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(IDispatchCacheImpl::kGet, {S(u"k")}, nullptr, script::DISPATCH_PROPERTYPUT),
            script::DISP_E_MEMBERNOTFOUND);
  const char16_t* names[] = {u"clear", u"get", u"set", u"Get"};
  script::DISPID ids[4];
  for (int i = 0; i < 3; ++i) EXPECT_EQ(cache_->GetIDsOfNames(script::IID_NULL, &names[i], 1, 0, &ids[i]), S_OK);
  EXPECT_EQ(cache_->GetIDsOfNames(script::IID_NULL, &names[3], 1, 0, &ids[3]), script::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(ids[0], 101);
  EXPECT_EQ(ids[2], 103);
}

// The process's store: "00.dat" of the current folder, loaded on first use.
TEST(ProcessCache, LoadsFromTheCurrentFolderOnFirstUse) {
  TempDir dir;
  {
    LogAnaCache seed(dir / "00.dat");
    seed.Set(u"saved", u"before", std::nullopt);
    ASSERT_TRUE(seed.Save());
  }
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const script::Ref<IDispatchCacheImpl> cache = IDispatchCacheImpl::Create();
  Variant result;
  ArgumentBlock args{S(u"saved")};
  EXPECT_EQ(cache->Invoke(IDispatchCacheImpl::kGet, script::IID_NULL, 0, script::DISPATCH_METHOD, &args.params(),
                          &result, nullptr, nullptr),
            S_OK);
  std::filesystem::current_path(previous);
  EXPECT_EQ(result, S(u"before"));
  EXPECT_EQ(&LogAnaCache::Instance(), &LogAnaCache::Instance());
}

}  // namespace
}  // namespace balvek::analysis
