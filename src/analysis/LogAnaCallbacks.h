#pragma once
// The analyzer's callback table: the page functions an analysis reports to,
// looked up once on the options object, each call timed and counted.
#include <array>
#include <cstdint>
#include <string_view>

#include "script/Dispatch.h"
#include "script/Ref.h"
#include "script/Variant.h"

namespace balvek::analysis {

enum Callback : int {
  kOnAnalyzeBegin,
  kOnEnumLog,
  kOnEnumCache,
  kOnLogBegin,
  kOnSceneBegin,
  kOnTsumo,
  kOnDahai,
  kOnNaki,
  kOnDora,
  kOnReach,
  kOnAgari,
  kOnRyuukyoku,
  kOnSceneEnd,
  kOnLogEnd,
  kOnAnalyzeEnd,
  kCallbackCount,
};

inline constexpr std::array<std::u16string_view, kCallbackCount> kCallbackNames = {
    u"OnAnalyzeBegin", u"OnEnumLog", u"OnEnumCache", u"OnLogBegin",  u"OnSceneBegin",
    u"OnTsumo",        u"OnDahai",   u"OnNaki",      u"OnDora",      u"OnReach",
    u"OnAgari",        u"OnRyuukyoku", u"OnSceneEnd", u"OnLogEnd",   u"OnAnalyzeEnd",
};

struct CallbackSlot {
  script::DISPID id = script::DISPID_UNKNOWN;  // the options object's member, or -1
  std::int32_t elapsedMs = 0;                  // summed over the run
  std::int32_t calls = 0;
};

class LogAnaCallbacks {
 public:
  // Every id -1, times and counts 0; the options object stays.
  void Reset();

  // Takes `options` and looks every callback name up on it: a name that is
  // unknown, cannot be read, or is not an object keeps id -1. One line per
  // name: "%-14ls dispid=%d vt=%d hr=%X\r\n".
  void Bind(script::Ref<script::Dispatch> options);

  bool Has(Callback callback) const { return slots[callback].id != script::DISPID_UNKNOWN; }

  // One call of the callback as a method of the options object, `args` in
  // rgvarg order (last script argument first). 0 and no call without an id.
  // A failure writes "CallJSFunc hr=%d/%X\r\n" and is returned.
  script::HRESULT CallJSFunc(Callback callback, script::Variant* args, unsigned count,
                             script::Variant* result);

  std::array<CallbackSlot, kCallbackCount> slots;
  script::Ref<script::Dispatch> options;
};

}  // namespace balvek::analysis
