#include <gtest/gtest.h>

#include "fakes/DebugLogListener.h"
#include "script/ArgumentBlock.h"
#include "script/ScriptObject.h"

namespace balvek::script {
namespace {

// One member, "go" (5); the class's lines as the table gives them.
template <UnknownIdLine kLine>
class Logged final : public ScriptObject {
 public:
  static Ref<Logged> Create() { return Ref<Logged>::Adopt(new Logged()); }

 protected:
  HRESULT InvokeMember(DISPID, std::uint16_t wFlags, DispParams& params, Variant* result) override {
    return DispatchMethod(&Logged::go, wFlags, params, result);
  }

 private:
  Logged() : ScriptObject(kClass) {}
  HRESULT go(DispParams&, Variant*) { return S_OK; }
  static constexpr MemberName kNames[] = {{u"go", 5}};
  static inline const ScriptClass kClass{.name = "IDispatchLoggedImpl",
                                         .members = kNames,
                                         .constructLine = "IDispatchLoggedImpl CONSTRUCT\r\n",
                                         .destructLine = "IDispatchLoggedImpl DESTRUCT\r\n",
                                         .unknownIdLine = kLine};
};

TEST(DiagnosticLines, ClassTableLines) {
  testing::DebugLogListener log;
  if (!log.bound()) GTEST_SKIP() << "the log port is taken";
  {
    const auto plain = Logged<UnknownIdLine::Plain>::Create();
    const char16_t* names[] = {u"Go"};
    DISPID id;
    plain->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    ArgumentBlock two{Variant::I4(1), Variant::I4(2)};
    plain->Invoke(300, IID_NULL, 0, DISPATCH_METHOD, &two.params(), nullptr, nullptr, nullptr);
    const auto flagged = Logged<UnknownIdLine::WithFlags>::Create();
    flagged->Invoke(-2, IID_NULL, 0, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &two.params(), nullptr, nullptr, nullptr);
    Variant function;
    plain->Invoke(5, IID_NULL, 0, DISPATCH_PROPERTYGET, &two.params(), &function, nullptr, nullptr);
    function.dispatch()->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    function.dispatch()->Invoke(17, IID_NULL, 0, DISPATCH_METHOD, &two.params(), nullptr, nullptr, nullptr);
  }
  EXPECT_TRUE(log.Saw("IDispatchLoggedImpl CONSTRUCT\r\n"));
  EXPECT_TRUE(log.Saw("IDispatchLoggedImpl GetIDsOfNames UNKNOWN Go\r\n"));
  EXPECT_TRUE(log.Saw("IDispatchLoggedImpl UNKNOWN Invoke dispid=300/0x12C cArg=2"));
  EXPECT_TRUE(log.Saw("IDispatchLoggedImpl UNKNOWN Invoke dispid=-2/0xFFFFFFFE cArg=2 wFlags=3\r\n"));
  EXPECT_TRUE(log.Saw("CFunctionObject GetIDsOfNames UNKNOWN Go\r\n"));
  EXPECT_TRUE(log.Saw("CFunctionObject UNKNOWN Invoke dispid=17/0x11 cArg=2"));
  EXPECT_TRUE(log.Saw("CFunctionObject DESTRUCT\r\n"));
  EXPECT_TRUE(log.Saw("IDispatchLoggedImpl DESTRUCT\r\n"));
}

}  // namespace
}  // namespace balvek::script
