#include "analysis/IDispatchPlayerImpl.h"


namespace balvek::analysis {
namespace {

using namespace script;

constexpr DISPID kUn = 101, kDan = 102, kRate = 103, kSx = 104, kTen = 105, kTehai = 106;

constexpr MemberName kMembers[] = {
    {u"un", kUn}, {u"dan", kDan}, {u"rate", kRate}, {u"sx", kSx}, {u"ten", kTen}, {u"tehai", kTehai},
};

const ScriptClass kClass{.name = "IDispatchPlayerImpl",
                         .members = kMembers,
                         .destructLine = "IDispatchPlayerImpl DESTRUCT\r\n"};

}  // namespace

Ref<IDispatchPlayerImpl> IDispatchPlayerImpl::Create(platform::WindowHandle webView) {
  Ref<IDispatchTehaiImpl> hand = IDispatchTehaiImpl::Create(webView);
  if (!hand) return nullptr;
  return Ref<IDispatchPlayerImpl>::Adopt(new IDispatchPlayerImpl(std::move(hand)));
}

// The Player part binds to the hand before hand_ takes it over; both name the
// same object, which hand_ keeps alive.
IDispatchPlayerImpl::IDispatchPlayerImpl(Ref<IDispatchTehaiImpl> hand)
    : ReadOnlyObject(kClass), record::Player(*hand), hand_(std::move(hand)) {}

bool IDispatchPlayerImpl::KnowsId(DISPID id) const {
  return id == DISPID_VALUE || ReadOnlyObject::KnowsId(id);
}

HRESULT IDispatchPlayerImpl::InvokeMember(DISPID id, std::uint16_t, DispParams&, Variant* result) {
  switch (id) {
    case DISPID_VALUE:
      *result = Variant::Object(this);
      break;
    case kUn:
      *result = Variant::String(Bstr(name));
      break;
    case kDan:
      *result = Variant::I4(dan);
      break;
    case kRate:
      *result = Variant::I4(rate);
      break;
    case kSx:
      *result = Variant::I4(sx);
      break;
    case kTen:
      *result = Variant::I4(ten);
      break;
    case kTehai:
      *result = Variant::Object(hand_.get());
      break;
  }
  return S_OK;
}

}  // namespace balvek::analysis
