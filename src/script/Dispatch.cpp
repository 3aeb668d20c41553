#include "script/Dispatch.h"

namespace balvek::script {

HRESULT Dispatch::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
  AddRef();
  *object = this;
  return S_OK;
}

std::uint32_t Dispatch::AddRef() { return static_cast<std::uint32_t>(count_.fetch_add(1) + 1); }

std::uint32_t Dispatch::Release() {
  const std::int32_t count = count_.fetch_sub(1) - 1;
  if (count == 0) delete this;
  return static_cast<std::uint32_t>(count);
}

HRESULT Dispatch::GetTypeInfoCount(unsigned*) { return E_NOTIMPL; }

HRESULT Dispatch::GetTypeInfo(unsigned, LCID, void**) { return E_NOTIMPL; }

HRESULT DispatchEx::QueryInterface(const IID& iid, void** object) {
  if (object && iid == IID_IDispatchEx) {
    AddRef();
    *object = static_cast<DispatchEx*>(this);
    return S_OK;
  }
  return Dispatch::QueryInterface(iid, object);
}

}  // namespace balvek::script
