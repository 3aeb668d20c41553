#include "analysis/IDispatchCacheImpl.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "script/Variant.h"

namespace balvek::analysis {
namespace {

using script::DispParams;
using script::HRESULT;
using script::Variant;

constexpr script::MemberName kMembers[] = {
    {u"clear", IDispatchCacheImpl::kClear},
    {u"get", IDispatchCacheImpl::kGet},
    {u"set", IDispatchCacheImpl::kSet},
};
const script::ScriptClass kClass{
    .name = "IDispatchCacheImpl",
    .members = kMembers,
    .constructLine = "IDispatchCacheImpl CONSTRUCT\r\n",
    .destructLine = "IDispatchCacheImpl DESTRUCT\r\n",
    .unknownIdLine = script::UnknownIdLine::WithFlags,
};

// The script argument at `index` (0 is the first as written) when it is a
// string; any other value counts as absent.
std::optional<std::u16string_view> StringArgument(const DispParams& params, unsigned index) {
  if (index >= params.cArgs) return std::nullopt;
  const Variant& value = params.rgvarg[params.cArgs - 1 - index];
  if (!value.Is(script::VT_BSTR) || value.bstr().IsNull()) return std::nullopt;
  return value.bstr().View();
}

// "!A::B" -> {"A", "B"}: the text after '!' split at every "::", empty parts kept.
std::vector<std::u16string_view> SettingsKeyParts(std::u16string_view key) {
  std::vector<std::u16string_view> parts;
  std::u16string_view rest = key.substr(1);
  for (;;) {
    const std::u16string_view::size_type at = rest.find(u"::");
    parts.push_back(rest.substr(0, at));
    if (at == std::u16string_view::npos) return parts;
    rest.remove_prefix(at + 2);
  }
}

// Cut to `units` without leaving half of a surrogate pair.
std::u16string CutUtf16(std::u16string text, std::size_t units) {
  if (text.size() <= units) return text;
  if (units > 0 && text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF) --units;
  text.resize(units);
  return text;
}

}  // namespace

script::Ref<IDispatchCacheImpl> IDispatchCacheImpl::Create(LogAnaCache* store,
                                                           const platform::SettingsFile& settings) {
  return script::Ref<IDispatchCacheImpl>::Adopt(new IDispatchCacheImpl(store, settings));
}

IDispatchCacheImpl::IDispatchCacheImpl(LogAnaCache* store, const platform::SettingsFile& settings)
    : ScriptObject(kClass), store_(store), settings_(settings) {}

LogAnaCache& IDispatchCacheImpl::store() { return store_ ? *store_ : LogAnaCache::Instance(); }

HRESULT IDispatchCacheImpl::InvokeMember(script::DISPID id, std::uint16_t wFlags, DispParams& params,
                                         Variant* result) {
  switch (id) {
    case kClear:
      return DispatchMethod(&IDispatchCacheImpl::clear, wFlags, params, result);
    case kGet:
      return DispatchMethod(&IDispatchCacheImpl::get, wFlags, params, result);
    case kSet:
      return DispatchMethod(&IDispatchCacheImpl::set, wFlags, params, result);
    default:
      return script::DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT IDispatchCacheImpl::clear(DispParams&, Variant*) {
  store().Clear();
  return script::S_OK;
}

HRESULT IDispatchCacheImpl::get(DispParams& params, Variant* result) {
  const std::optional<std::u16string_view> key = StringArgument(params, 0);
  if (!key) return script::S_OK;
  if (KindOfKey(*key) == CacheKeyKind::kSettings) {
    const std::vector<std::u16string_view> parts = SettingsKeyParts(*key);
    if (parts.size() != 2 || !result) return script::S_OK;
    // Read whole, then cut in UTF-16 units as the page counts them.
    const std::string value = settings_.Get(platform::Utf16ToUtf8(parts[0]), platform::Utf16ToUtf8(parts[1]),
                                            "", static_cast<std::size_t>(-1));
    *result = Variant::String(CutUtf16(platform::Utf8ToUtf16(value), kSettingsValueUnits));
    return script::S_OK;
  }
  std::optional<std::u16string> value = store().Get(*key);
  if (result) *result = Variant::String(value ? script::Bstr(std::move(*value)) : script::Bstr());
  return script::S_OK;
}

HRESULT IDispatchCacheImpl::set(DispParams& params, Variant*) {
  if (params.cArgs < 2) return script::S_OK;
  const std::optional<std::u16string_view> key = StringArgument(params, 0);
  const std::optional<std::u16string_view> value = StringArgument(params, 1);
  if (key && KindOfKey(*key) == CacheKeyKind::kSettings) {
    const std::vector<std::u16string_view> parts = SettingsKeyParts(*key);
    if (parts.size() != 2) return script::S_OK;
    // The page may keep one text of its own there; every other key is the client's.
    if (parts[0] != u"STATUS" || parts[1] != u"SCRIPT_INFO") return script::DISP_E_ARRAYISLOCKED;
    if (value) {
      if (value->empty())
        settings_.Write("STATUS", "SCRIPT_INFO", std::nullopt);
      else
        settings_.Write("STATUS", "SCRIPT_INFO", platform::Utf16ToUtf8(*value));
    }
    return script::S_OK;
  }
  if (!key || !value) return script::S_OK;
  store().Set(*key, *value, StringArgument(params, 2));
  return script::S_OK;
}

}  // namespace balvek::analysis
