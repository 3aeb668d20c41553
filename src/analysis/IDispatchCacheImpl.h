#pragma once
// The page's face of the analysis cache: clear, get and set on the one store
// of the process, and, through keys "!SECTION::KEY", reading any settings
// value and writing STATUS/SCRIPT_INFO.
#include "analysis/LogAnaCache.h"
#include "platform/Settings.h"
#include "script/Ref.h"
#include "script/ScriptObject.h"

namespace balvek::analysis {

class IDispatchCacheImpl final : public script::ScriptObject {
 public:
  static constexpr script::DISPID kClear = 101, kGet = 102, kSet = 103;
  // The script text of a settings value is cut to this many UTF-16 units.
  static constexpr std::size_t kSettingsValueUnits = 1023;

  // A new cache object holding its one reference. With no store it uses the
  // process's, which is loaded when a member first touches the entries.
  static script::Ref<IDispatchCacheImpl> Create(LogAnaCache* store = nullptr,
                                                const platform::SettingsFile& settings = platform::Settings());

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;

 private:
  IDispatchCacheImpl(LogAnaCache* store, const platform::SettingsFile& settings);

  script::HRESULT clear(script::DispParams& params, script::Variant* result);
  script::HRESULT get(script::DispParams& params, script::Variant* result);
  script::HRESULT set(script::DispParams& params, script::Variant* result);
  LogAnaCache& store();

  LogAnaCache* store_;
  const platform::SettingsFile& settings_;
};

}  // namespace balvek::analysis
