// The record information, player and hand objects as page script sees them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "analysis/ArrayElements.h"
#include "analysis/FakeWebView.h"
#include "analysis/IDispatchLogInfoImpl.h"
#include "analysis/IDispatchPlayerImpl.h"
#include "analysis/IDispatchTehaiImpl.h"
#include "fakes/DebugLogListener.h"
#include "fakes/FakePageObject.h"
#include "fakes/RecordingDialogs.h"
#include "script/ArgumentBlock.h"

namespace balvek::analysis {
namespace {

using namespace script;
using fakes::FakePageObject;
using test::Elements;
using test::FakeWebView;

HRESULT Read(Dispatch& object, DISPID id, Variant* result, std::uint16_t flags = DISPATCH_PROPERTYGET) {
  return object.Invoke(id, IID_NULL, 0, flags, nullptr, result, nullptr, nullptr);
}

Variant Get(Dispatch& object, DISPID id, std::uint16_t flags = DISPATCH_PROPERTYGET) {
  Variant value;
  EXPECT_EQ(Read(object, id, &value, flags), S_OK) << id;
  return value;
}

DISPID IdOf(Dispatch& object, const char16_t* name, HRESULT expected = S_OK) {
  const char16_t* names[] = {name};
  DISPID id = 12345;
  EXPECT_EQ(object.GetIDsOfNames(IID_NULL, names, 1, 0, &id), expected);
  return id;
}

struct Page {
  Page() { page->MakesArrays(); }
  Ref<FakePageObject> page = FakePageObject::Create();
  FakeWebView webView{page.get()};
};

TEST(LogInfoObjectTest, PropertiesFromTheRecordName) {
  const Ref<IDispatchLogInfoImpl> info = IDispatchLogInfoImpl::Create();
  info->name = u"2011010100gm-0009-0000-1a2b3c4d&tw=2";
  info->gameType = 9;
  info->lobby = 1234;
  struct Case {
    const char16_t* name;
    Variant value;
  } cases[] = {
      {u"file", Variant::String(Bstr(u"2011010100gm-0009-0000-1a2b3c4d"))},
      {u"wGameType", Variant::I4(9)},
      {u"wLobbyID", Variant::I4(1234)},
      {u"tw", Variant::I4(2)},
      {u"dwGameType", Variant::I4(9)},
      {u"dwLobbyID", Variant::I4(1234)},
      {u"cache", Variant::Missing()},
      {u"filetw", Variant::String(Bstr(u"2011010100gm-0009-0000-1a2b3c4d&tw=2"))},
  };
  DISPID expected_id = 101;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    const DISPID id = IdOf(*info, c.name);
    EXPECT_EQ(id, expected_id++);
    EXPECT_EQ(Get(*info, id), c.value);
  }
  info->name = u"abc";
  EXPECT_EQ(Get(*info, 101), Variant::String(Bstr(u"abc")));
}

TEST(LogInfoObjectTest, OnlyReadsWithASlotAndUnknownIds) {
  const Ref<IDispatchLogInfoImpl> info = IDispatchLogInfoImpl::Create();
  info->name = u"2011010100gm-0009-0000-1a2b3c4d&tw=2";
  Variant value = Variant::I4(7);
  EXPECT_EQ(Read(*info, 104, nullptr), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(Read(*info, 104, &value, DISPATCH_METHOD), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(Read(*info, 104, &value, DISPATCH_PROPERTYPUT), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(Read(*info, 999, &value, DISPATCH_METHOD), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(value, Variant::I4(7));  // refused before the slot is touched
  EXPECT_EQ(Read(*info, 104, &value, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(value, Variant::I4(2));

  testing::DebugLogListener log;
  EXPECT_EQ(Read(*info, 0, &value), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(value, Variant());
  EXPECT_EQ(IdOf(*info, u"File", DISP_E_MEMBERNOTFOUND), DISPID_UNKNOWN);
  if (log.bound()) {
    EXPECT_TRUE(log.Saw("IDispatchLogInfoImpl UNKNOWN Invoke dispid=0/0x0 cArg=0"));
    EXPECT_TRUE(log.Saw("IDispatchLogInfoImpl GetIDsOfNames UNKNOWN File\r\n"));
  }
}

TEST(PlayerObjectTest, PropertiesValueAndHand) {
  Page page;
  const Ref<IDispatchPlayerImpl> player = IDispatchPlayerImpl::Create(page.webView.handle());
  ASSERT_TRUE(player);
  EXPECT_EQ(page.webView.asked, 1);
  // Values when made.
  EXPECT_EQ(Get(*player, 102), Variant::I4(0));
  EXPECT_EQ(Get(*player, 103), Variant::I4(1500));
  EXPECT_EQ(Get(*player, 104), Variant::I4('C'));
  player->name = u"\u9EBB";
  player->dan = 12;
  player->rate = 1875;
  player->sx = 'F';
  player->ten = 240;
  struct Case {
    const char16_t* name;
    DISPID id;
    Variant value;
  } cases[] = {
      {u"un", 101, Variant::String(Bstr(u"\u9EBB"))}, {u"dan", 102, Variant::I4(12)},
      {u"rate", 103, Variant::I4(1875)},             {u"sx", 104, Variant::I4('F')},
      {u"ten", 105, Variant::I4(240)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IdOf(*player, c.name), c.id);
    EXPECT_EQ(Get(*player, c.id), c.value);
  }
  EXPECT_EQ(Get(*player, DISPID_VALUE).dispatch(), player.get());
  EXPECT_EQ(IdOf(*player, u"tehai"), 106);
  const Variant hand = Get(*player, 106);
  EXPECT_EQ(hand.dispatch(), static_cast<Dispatch*>(&player->hand()));
  // The hand read holds its own reference: the player's and this one.
  EXPECT_EQ(player->hand().AddRef(), 3u);
  player->hand().Release();
  EXPECT_EQ(&player->tehai, static_cast<hand::Tehai*>(&player->hand()));

  EXPECT_EQ(Read(*player, 101, nullptr), DISP_E_ARRAYISLOCKED);
  Variant value;
  EXPECT_EQ(Read(*player, 101, &value, DISPATCH_METHOD), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(Read(*player, 107, &value), DISP_E_MEMBERNOTFOUND);
}

TEST(PlayerObjectTest, WithoutAPageObjectNothingIsMade) {
  testing::RecordingDialogs dialogs;
  FakeWebView webView(nullptr);
  EXPECT_FALSE(IDispatchTehaiImpl::Create(webView.handle()));
  EXPECT_FALSE(IDispatchPlayerImpl::Create(webView.handle()));
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[0].text, "GETSCRIPT FAILED");
  EXPECT_EQ(dialogs.boxes[0].owner, webView.handle());
  EXPECT_EQ(dialogs.boxes[0].caption, "");
  EXPECT_EQ(dialogs.boxes[0].flags, platform::MB_ICONERROR);
}

TEST(RecordObjectsTest, DestructionLinesAndThePageObjectReleased) {
  testing::DebugLogListener log;
  Page page;
  {
    const Ref<IDispatchPlayerImpl> player = IDispatchPlayerImpl::Create(page.webView.handle());
    const Ref<IDispatchLogInfoImpl> info = IDispatchLogInfoImpl::Create();
    EXPECT_EQ(page.page->AddRef(), 3u);  // the test's and the hand's
    page.page->Release();
  }
  EXPECT_EQ(page.page->AddRef(), 2u);
  page.page->Release();
  if (!log.bound()) GTEST_SKIP() << "the log port is taken";
  EXPECT_TRUE(log.Saw("IDispatchPlayerImpl DESTRUCT\r\n"));
  EXPECT_TRUE(log.Saw("IDispatchTehaiImpl DESTRUCT\r\n"));
  EXPECT_TRUE(log.Saw("IDispatchLogInfoImpl DESTRUCT\r\n"));
}

// m1 m2 m2 m3, p1 x3, p9 x3, s1 x3: waits on m2 only, of which it holds two.
constexpr std::int32_t kReady[13] = {0, 4, 5, 8, 36, 37, 38, 68, 69, 70, 72, 73, 74};

struct HandFixture : ::testing::Test {
  HandFixture() : hand(IDispatchTehaiImpl::Create(page.webView.handle())) {
    hand->SetHaipai(std::span<const std::int32_t, 13>(kReady));
    hand->UpdateSyanten1();
  }
  Page page;
  Ref<IDispatchTehaiImpl> hand;
};

TEST_F(HandFixture, NamesAndNumericSlotNames) {
  struct Case {
    const char16_t* name;
    DISPID id;
    HRESULT status;
  } cases[] = {
      {u"length", 100, S_OK},          {u"sort", 101, S_OK},       {u"syanten", 102, S_OK},
      {u"machi", 103, S_OK},           {u"machiCount", 104, S_OK}, {u"furiten", 105, S_OK},
      {u"toArray", 106, S_OK},         {u"0", 200, S_OK},          {u"13", 213, S_OK},
      {u"007", 207, S_OK},             {u"", 200, S_OK},           {u"14", -1, DISP_E_BADINDEX},
      {u"99999999999", -1, DISP_E_BADINDEX}, {u"Length", -1, DISP_E_MEMBERNOTFOUND},
      {u"1a", -1, DISP_E_MEMBERNOTFOUND},    {u"-1", -1, DISP_E_MEMBERNOTFOUND},
  };
  testing::DebugLogListener log;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(IdOf(*hand, c.name, c.status), c.id);
  }
  // Several names: every slot filled, the status of the last failing name.
  const char16_t* names[] = {u"sort", u"x", u"14", u"0"};
  DISPID ids[4];
  EXPECT_EQ(hand->GetIDsOfNames(IID_NULL, names, 4, 0, ids), DISP_E_BADINDEX);
  EXPECT_THAT(ids, ::testing::ElementsAre(101, -1, -1, 200));
  if (log.bound()) {
    const std::vector<std::string> lines = log.Lines();
    EXPECT_THAT(lines, ::testing::Contains("IDispatchTehaiImpl GetIDsOfNames UNKNOWN Length\r\n"));
    EXPECT_THAT(lines, ::testing::Contains("IDispatchTehaiImpl GetIDsOfNames UNKNOWN x\r\n"));
    for (const std::string& line : lines) EXPECT_EQ(line.find("UNKNOWN 14"), std::string::npos);
  }
}

TEST_F(HandFixture, SyantenFollowsTheTileCount) {
  EXPECT_EQ(hand->nHai, 13);
  EXPECT_EQ(Get(*hand, 100), Variant::I4(13));
  EXPECT_EQ(Get(*hand, 102, DISPATCH_METHOD), Variant::I4(0));
  hand->AddHai(6);  // m2 completes the hand
  hand->UpdateSyanten2();
  EXPECT_EQ(Get(*hand, 102, DISPATCH_METHOD), Variant::I4(-1));
  hand->RemoveHai(6);
  hand->RemoveHai(0);  // 12 tiles, 12 % 3 == 0: still the 3n+2 number
  EXPECT_EQ(Get(*hand, 102, DISPATCH_METHOD), Variant::I4(-1));
}

TEST_F(HandFixture, WaitsTheirCountAndFuriten) {
  const Variant machi = Get(*hand, 103, DISPATCH_METHOD);
  EXPECT_THAT(Elements(machi), ::testing::ElementsAre(Variant::I4(1)));
  EXPECT_EQ(Get(*hand, 104, DISPATCH_METHOD), Variant::I4(2));
  EXPECT_EQ(Get(*hand, 105, DISPATCH_METHOD), Variant::Bool(false));
  hand->MarkDahai(6);
  hand->RemoveHai(0);
  hand->AddHai(1);  // a changed hand, same waits, a wait discarded
  hand->UpdateSyanten1();
  const Variant furiten = Get(*hand, 105, DISPATCH_METHOD);
  EXPECT_EQ(furiten.vt(), VT_BOOL);
  EXPECT_EQ(furiten.boolVal(), VARIANT_TRUE);
}

TEST_F(HandFixture, ToArraySlotsAndSort) {
  hand->RemoveHai(0);
  hand->RemoveHai(4);
  hand->RemoveHai(74);  // 10 tiles
  const Variant array = Get(*hand, 106, DISPATCH_METHOD);
  std::vector<Variant> expected;
  for (int i = 0; i < 10; ++i) expected.push_back(Variant::I4(hand->slots[i]));
  EXPECT_EQ(Elements(array), expected);
  EXPECT_EQ(Get(*hand, 212), Variant::I4(255));
  EXPECT_EQ(Get(*hand, 213), Variant::I4(255));

  EXPECT_EQ(Get(*hand, 101, DISPATCH_METHOD), Variant());
  for (int i = 0; i < 14; ++i) {
    const std::int32_t slot = Get(*hand, 200 + i).i4();
    if (i < 10) {
      EXPECT_LT(slot, 136);
      if (i > 0) {
        EXPECT_GT(slot, Get(*hand, 199 + i).i4());
      }
    } else {
      EXPECT_EQ(slot, 255);
    }
  }
}

TEST_F(HandFixture, CallFormsAndRefusals) {
  testing::DebugLogListener log;
  Variant value = Variant::I4(-9);
  EXPECT_EQ(Read(*hand, 100, &value, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Read(*hand, 205, &value, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Read(*hand, 100, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Read(*hand, 205, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Read(*hand, 205, &value, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(Read(*hand, 205, &value, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Read(*hand, 300, &value, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Read(*hand, 300, &value), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(value, Variant::I4(-9));
  // A method without a slot runs and writes nothing.
  EXPECT_EQ(Read(*hand, 102, nullptr, DISPATCH_METHOD), S_OK);
  // A method read as a property is a function object that runs it.
  const Variant function = Get(*hand, 104);
  ASSERT_EQ(function.vt(), VT_DISPATCH);
  Variant count;
  EXPECT_EQ(function.dispatch()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, nullptr, &count, nullptr,
                                        nullptr),
            S_OK);
  EXPECT_EQ(count, Variant::I4(2));
  if (log.bound()) {
    const std::vector<std::string> lines = log.Lines();
    EXPECT_THAT(lines, ::testing::Contains("IDispatchTehaiImpl UNKNOWN Invoke dispid=100/0x64 cArg=0"));
    EXPECT_THAT(lines, ::testing::Contains("IDispatchTehaiImpl UNKNOWN Invoke dispid=205/0xCD cArg=0"));
    EXPECT_THAT(lines, ::testing::Contains("IDispatchTehaiImpl UNKNOWN Invoke dispid=300/0x12C cArg=0"));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "IDispatchTehaiImpl UNKNOWN Invoke dispid=300/0x12C cArg=0"), 1);
  }
}

}  // namespace
}  // namespace balvek::analysis
