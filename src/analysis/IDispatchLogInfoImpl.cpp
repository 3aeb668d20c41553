#include "analysis/IDispatchLogInfoImpl.h"


namespace balvek::analysis {
namespace {

using namespace script;

constexpr DISPID kFile = 101, kWGameType = 102, kWLobbyID = 103, kTw = 104, kDwGameType = 105,
                 kDwLobbyID = 106, kCache = 107, kFiletw = 108;

constexpr MemberName kMembers[] = {
    {u"file", kFile},           {u"wGameType", kWGameType},   {u"wLobbyID", kWLobbyID},
    {u"tw", kTw},               {u"dwGameType", kDwGameType}, {u"dwLobbyID", kDwLobbyID},
    {u"cache", kCache},         {u"filetw", kFiletw},
};

const ScriptClass kClass{.name = "IDispatchLogInfoImpl",
                         .members = kMembers,
                         .destructLine = "IDispatchLogInfoImpl DESTRUCT\r\n"};

}  // namespace

Ref<IDispatchLogInfoImpl> IDispatchLogInfoImpl::Create() {
  return Ref<IDispatchLogInfoImpl>::Adopt(new IDispatchLogInfoImpl());
}

IDispatchLogInfoImpl::IDispatchLogInfoImpl() : ReadOnlyObject(kClass) {}

HRESULT IDispatchLogInfoImpl::InvokeMember(DISPID id, std::uint16_t, DispParams&, Variant* result) {
  switch (id) {
    case kFile:
      // The record id: the name without "&tw=" and its digit.
      *result = Variant::String(Bstr(name.size() < 5 ? name : name.substr(0, name.size() - 5)));
      break;
    case kWGameType:
    case kDwGameType:
      *result = Variant::I4(gameType);
      break;
    case kWLobbyID:
    case kDwLobbyID:
      *result = Variant::I4(lobby);
      break;
    case kTw:
      *result = Variant::I4(name.empty() ? 0 : name.back() - u'0');
      break;
    case kCache:
      *result = Variant::Missing();
      break;
    case kFiletw:
      *result = Variant::String(Bstr(name));
      break;
  }
  return S_OK;
}

}  // namespace balvek::analysis
