// A page's own context outlives the binding: after Close nothing the binding
// made may keep the page's native objects alive.
#include <JavaScriptCore/JavaScript.h>
#include <glib.h>
#include <gtest/gtest.h>

#include "script/ScriptObject.h"
#include "webview/ScriptContext.h"

namespace balvek::webview {
namespace {

using script::Variant;

class Tracked final : public script::ScriptObject {
 public:
  static script::Ref<Tracked> Create(bool* destroyed) { return script::Ref<Tracked>::Adopt(new Tracked(destroyed)); }

 protected:
  script::HRESULT InvokeMember(script::DISPID, std::uint16_t wFlags, script::DispParams& params,
                               Variant* result) override {
    return DispatchMethod(&Tracked::run, wFlags, params, result);
  }

 private:
  explicit Tracked(bool* destroyed) : ScriptObject(kClass), destroyed_(destroyed) {}
  ~Tracked() override { *destroyed_ = true; }
  script::HRESULT run(script::DispParams&, Variant*) { return script::S_OK; }
  static constexpr script::MemberName kNames[] = {{u"run", 101}};
  static inline const script::ScriptClass kClass{.name = "Tracked", .members = kNames};
  bool* destroyed_;
};

void Evaluate(JSGlobalContextRef context, const char* source) {
  JSStringRef text = JSStringCreateWithUTF8CString(source);
  JSEvaluateScript(context, text, nullptr, nullptr, 1, nullptr);
  JSStringRelease(text);
}

TEST(PageContext, NothingStaysPinnedAfterClose) {
  JSGlobalContextRef raw = JSGlobalContextCreate(nullptr);
  bool destroyed = false;
  {
    ScriptContext page(raw);
    page.SetGlobal(u"obj", Variant::Object(script::Ref<script::Dispatch>(Tracked::Create(&destroyed))));
    page.Evaluate("var f = obj.run; obj.run(1);", "page.js");  // a method read and kept
  }
  Evaluate(raw, "obj = null; f = null;");
  for (int i = 0; i < 200 && !destroyed; ++i) {
    JSGarbageCollect(raw);
    Evaluate(raw, "var junk = []; for (var i = 0; i < 10000; ++i) junk.push({ a: i }); junk = null;");
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_usleep(5000);
  }
  EXPECT_TRUE(destroyed) << "the page's garbage collection released the native object";
  JSGlobalContextRelease(raw);
}

}  // namespace
}  // namespace balvek::webview
