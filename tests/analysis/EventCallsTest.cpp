// The callback table and the event calls: what each page callback receives.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "analysis/ArrayElements.h"
#include "analysis/EventCalls.h"
#include "analysis/FakeWebView.h"
#include "analysis/IDispatchLogInfoImpl.h"
#include "analysis/IDispatchPlayerImpl.h"
#include "analysis/LogAnaCallbacks.h"
#include "fakes/DebugLogListener.h"
#include "fakes/FakePageObject.h"
#include "fakes/ManualClock.h"
#include "record/Replay.h"

namespace balvek::analysis {
namespace {

using namespace script;
using fakes::FakePageObject;
using ::testing::ElementsAre;
using test::Elements;
using test::FakeWebView;

struct Call {
  std::string name;
  std::vector<Variant> args;  // in script order
};

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

std::vector<Variant> I4s(std::initializer_list<std::int32_t> values) {
  std::vector<Variant> v;
  for (const auto x : values) v.push_back(Variant::I4(x));
  return v;
}

// Options object whose callbacks record their arguments. A callback is both
// an object-valued property (so the lookup accepts it) and a method.
struct Options {
  explicit Options(bool arrays = true) {
    if (arrays) page->MakesArrays();
  }
  void Add(Callback callback, HRESULT answer = S_OK) {
    const std::u16string name(kCallbackNames[callback]);
    page->Set(name, Variant::Object(Ref<Dispatch>(FakePageObject::Create())));
    page->SetMethod(name, [this, name, answer](DispParams& params, Variant*) {
      Call call{Narrow(name), {}};
      for (unsigned i = params.cArgs; i-- > 0;) call.args.push_back(params.rgvarg[i]);
      calls.push_back(std::move(call));
      if (onCall) onCall();
      return answer;
    });
  }
  void AddAll() {
    for (int c = 0; c < kCallbackCount; ++c) Add(static_cast<Callback>(c));
  }
  const Call* Find(const std::string& name, int nth = 0) const {
    for (const Call& call : calls) {
      if (call.name == name && nth-- == 0) return &call;
    }
    return nullptr;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Call& call : calls) names.push_back(call.name);
    return names;
  }

  Ref<FakePageObject> page = FakePageObject::Create();
  std::vector<Call> calls;
  std::function<void()> onCall;
};

// The analyzer's objects: a page for the hands, the record information and
// four players, replayed through the event calls.
struct Analyzer {
  Analyzer() {
    hands_page->MakesArrays();
    info->name = u"2011010100gm-0009-0000-1a2b3c4d&tw=2";
    for (int i = 0; i < 4; ++i) {
      owned[i] = IDispatchPlayerImpl::Create(webView.handle());
      players[i] = owned[i].get();
      seats[i] = owned[i].get();
    }
  }
  std::int32_t Replay(Options& options, const std::string& text) {
    callbacks.Bind(Ref<Dispatch>(options.page));
    EventCalls calls(callbacks, *info, players);
    return record::Replay(text, *info, seats, calls);
  }

  Ref<FakePageObject> hands_page = FakePageObject::Create();
  FakeWebView webView{hands_page.get()};
  Ref<IDispatchLogInfoImpl> info = IDispatchLogInfoImpl::Create();
  std::array<Ref<IDispatchPlayerImpl>, 4> owned;
  std::array<IDispatchPlayerImpl*, 4> players{};
  record::Players seats{};
  LogAnaCallbacks callbacks;
};

const std::string kRecord =
    "<mjloggm ver=\"2.3\"><UN n0=\"A\" n1=\"B\" n2=\"C\" n3=\"D\"/>"
    "<INIT seed=\"0,1,2,3,4,55\" ten=\"250,250,250,250\" oya=\"0\""
    " hai0=\"0,4,8,36,40,44,72,76,80,108,109,110,112\""
    " hai1=\"6,7,48,52,56,84,88,92,120,121,124,128,132\""
    " hai2=\"1,9,13,37,41,45,73,77,81,113,114,116,117\""
    " hai3=\"2,10,14,18,22,26,30,34,42,50,58,66,70\"/>"
    "<T5/><D5/><N who=\"1\" m=\"1547\" /><E48/><DORA hai=\"57\" /><REACH who=\"2\" step=\"1\"/>"
    "<AGARI ten=\"30,7700,0\" yaku=\"1,1\" doraHaiUra=\"8\" who=\"0\" fromWho=\"1\" "
    "sc=\"250,77.5,250,-77.5,250,0,250,0\" />"
    "<RYUUKYOKU ba=\"0,0\" sc=\"250,-1.5,250,1.5,250,-0.5,250,0.5\" hai0=\"1\" hai2=\"2\" />"
    "<BYE owari=\"300,10.5,200,-30,250,0,250,19.5\" /></mjloggm>";

TEST(LogAnaCallbacksTest, BindKeepsOnlyObjectValuedCallbacks) {
  testing::DebugLogListener log;
  Options options;
  options.Add(kOnDahai);
  options.page->Set(u"OnTsumo", Variant::I4(5));
  LogAnaCallbacks callbacks;
  callbacks.slots[kOnAgari].id = 77;  // from an earlier analyze
  callbacks.Bind(Ref<Dispatch>(options.page));
  for (int c = 0; c < kCallbackCount; ++c) {
    EXPECT_EQ(callbacks.Has(static_cast<Callback>(c)), c == kOnDahai) << c;
  }
  EXPECT_EQ(callbacks.options.get(), options.page.get());
  if (!log.bound()) return;
  const std::vector<std::string> lines = log.Lines();
  const std::string dahai =
      "OnDahai        dispid=" + std::to_string(callbacks.slots[kOnDahai].id) + " vt=9 hr=0\r\n";
  EXPECT_THAT(lines, ::testing::Contains("OnTsumo        dispid=-1 vt=3 hr=0\r\n"));
  EXPECT_THAT(lines, ::testing::Contains(dahai));
  for (const std::string& line : lines) EXPECT_EQ(line.find("OnAgari"), std::string::npos);
}

TEST(LogAnaCallbacksTest, CallJSFuncTimesCountsAndReportsFailures) {
  testing::DebugLogListener log;
  fakes::ManualClock clock(1000);
  Options options;
  options.Add(kOnTsumo);
  options.Add(kOnDahai, DISP_E_EXCEPTION);
  options.onCall = [&] { clock.Advance(7); };
  LogAnaCallbacks callbacks;
  callbacks.Bind(Ref<Dispatch>(options.page));

  Variant args[] = {Variant::I4(12), Variant::I4(3)};  // rgvarg order: tile, who
  EXPECT_EQ(callbacks.CallJSFunc(kOnTsumo, args, 2, nullptr), S_OK);
  EXPECT_EQ(callbacks.CallJSFunc(kOnTsumo, args, 2, nullptr), S_OK);
  EXPECT_EQ(callbacks.slots[kOnTsumo].elapsedMs, 14);
  EXPECT_EQ(callbacks.slots[kOnTsumo].calls, 2);
  ASSERT_EQ(options.calls.size(), 2u);
  EXPECT_EQ(options.calls[0].args, I4s({3, 12}));

  EXPECT_EQ(callbacks.CallJSFunc(kOnDahai, args, 2, nullptr), DISP_E_EXCEPTION);
  EXPECT_EQ(callbacks.slots[kOnDahai].calls, 1);

  EXPECT_EQ(callbacks.CallJSFunc(kOnReach, args, 2, nullptr), S_OK);
  EXPECT_EQ(callbacks.slots[kOnReach].calls, 0);
  EXPECT_EQ(options.calls.size(), 3u);
  if (log.bound()) {
    EXPECT_TRUE(log.Saw("CallJSFunc hr=-2147352567/80020009\r\n"));
  }
}

TEST(EventCallsTest, EveryEventWithItsScriptArguments) {
  Analyzer analyzer;
  Options options;
  options.AddAll();
  ASSERT_EQ(analyzer.Replay(options, kRecord), 0);
  EXPECT_THAT(options.Names(), ElementsAre("OnLogBegin", "OnSceneBegin", "OnTsumo", "OnDahai", "OnNaki",
                                           "OnDahai", "OnDora", "OnReach", "OnAgari", "OnRyuukyoku",
                                           "OnSceneEnd", "OnLogEnd"));

  const Call& begin = *options.Find("OnLogBegin");
  ASSERT_EQ(begin.args.size(), 2u);
  EXPECT_EQ(begin.args[0].dispatch(), static_cast<Dispatch*>(analyzer.info.get()));
  const std::vector<Variant> players = Elements(begin.args[1]);
  ASSERT_EQ(players.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(players[i].dispatch(), static_cast<Dispatch*>(analyzer.players[i]));

  const Call& scene = *options.Find("OnSceneBegin");
  ASSERT_EQ(scene.args.size(), 6u);
  EXPECT_EQ(std::vector<Variant>(scene.args.begin(), scene.args.begin() + 5), I4s({0, 1, 2, 3, 4}));
  EXPECT_EQ(Elements(scene.args[5]), I4s({55}));

  EXPECT_EQ(options.Find("OnTsumo")->args, I4s({0, 5}));
  EXPECT_EQ(options.Find("OnDahai", 1)->args, I4s({1, 48}));
  EXPECT_EQ(options.Find("OnNaki")->args, I4s({1, 1547, 1, 3, 5, 6, 7, 255}));
  EXPECT_EQ(options.Find("OnDora")->args, I4s({57}));
  EXPECT_EQ(options.Find("OnReach")->args, I4s({2}));

  const Call& agari = *options.Find("OnAgari");
  ASSERT_EQ(agari.args.size(), 10u);
  EXPECT_EQ(std::vector<Variant>(agari.args.begin(), agari.args.begin() + 4), I4s({0, 30, 7700, 0}));
  EXPECT_EQ(Elements(agari.args[4]), I4s({1, 1}));
  EXPECT_EQ(Elements(agari.args[5]), I4s({}));
  EXPECT_EQ(Elements(agari.args[6]), I4s({8}));
  EXPECT_THAT(Elements(agari.args[7]),
              ElementsAre(Variant::R8(250), Variant::R8(77.5), Variant::R8(250), Variant::R8(-77.5),
                          Variant::R8(250), Variant::R8(0), Variant::R8(250), Variant::R8(0)));
  EXPECT_EQ(agari.args[8], Variant::I4(-1));
  EXPECT_EQ(agari.args[9], Variant::I4(1));

  // A drawn round hands its sc values over as integers, truncated.
  const Call& draw = *options.Find("OnRyuukyoku");
  ASSERT_EQ(draw.args.size(), 3u);
  EXPECT_EQ(draw.args[0], Variant::String(Bstr(u"")));
  EXPECT_EQ(Elements(draw.args[1]), I4s({250, -1, 250, 1, 250, 0, 250, 0}));
  EXPECT_THAT(Elements(draw.args[2]), ElementsAre(Variant::Bool(true), Variant::Bool(false),
                                                  Variant::Bool(true), Variant::Bool(false)));
  EXPECT_EQ(Elements(draw.args[2])[0].boolVal(), VARIANT_TRUE);

  EXPECT_TRUE(options.Find("OnSceneEnd")->args.empty());
  EXPECT_THAT(Elements(options.Find("OnLogEnd")->args[0]),
              ElementsAre(Variant::R8(300), Variant::R8(10.5), Variant::R8(200), Variant::R8(-30),
                          Variant::R8(250), Variant::R8(0), Variant::R8(250), Variant::R8(19.5)));
  EXPECT_EQ(analyzer.callbacks.slots[kOnDahai].calls, 2);
}

TEST(EventCallsTest, WithoutArrayEveryArrayArrivesUndefined) {
  Analyzer analyzer;
  Options options(/*arrays=*/false);
  options.AddAll();
  ASSERT_EQ(analyzer.Replay(options, kRecord), 0);
  EXPECT_EQ(options.calls.size(), 12u);
  EXPECT_EQ(options.Find("OnLogBegin")->args[1], Variant());
  EXPECT_EQ(options.Find("OnSceneBegin")->args[5], Variant());
  const Call& agari = *options.Find("OnAgari");
  for (int i = 4; i < 8; ++i) EXPECT_EQ(agari.args[i], Variant()) << i;
  EXPECT_EQ(agari.args[9], Variant::I4(1));
  EXPECT_EQ(options.Find("OnRyuukyoku")->args[2], Variant());
  EXPECT_EQ(options.Find("OnLogEnd")->args[0], Variant());
}

TEST(EventCallsTest, AbsentCallbacksAreNotCalledAndAFailureEndsTheReplay) {
  {
    Analyzer analyzer;
    Options options;
    options.AddAll();
    options.page->Set(u"OnTsumo", Variant::I4(0));  // no longer an object
    ASSERT_EQ(analyzer.Replay(options, kRecord), 0);
    EXPECT_EQ(options.Find("OnTsumo"), nullptr);
    EXPECT_NE(options.Find("OnLogEnd"), nullptr);
  }
  Analyzer analyzer;
  Options options;
  options.AddAll();
  options.Add(kOnNaki, DISP_E_EXCEPTION);
  EXPECT_EQ(analyzer.Replay(options, kRecord), DISP_E_EXCEPTION);
  EXPECT_EQ(options.Names().back(), "OnNaki");
  EXPECT_EQ(options.Find("OnSceneEnd"), nullptr);
  EXPECT_EQ(options.Find("OnLogEnd"), nullptr);
}

}  // namespace
}  // namespace balvek::analysis
