#pragma once
// Automation status codes with the platform's numeric values: page script
// and every script object exchange exactly these numbers.
#include <cstdint>

namespace balvek::script {

using HRESULT = std::int32_t;

constexpr HRESULT MakeStatus(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = MakeStatus(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = MakeStatus(0x80004002);
inline constexpr HRESULT E_POINTER = MakeStatus(0x80004003);
inline constexpr HRESULT E_FAIL = MakeStatus(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeStatus(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = MakeStatus(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeStatus(0x80070057);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeStatus(0x80020003);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeStatus(0x80020004);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeStatus(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = MakeStatus(0x80020006);
inline constexpr HRESULT DISP_E_EXCEPTION = MakeStatus(0x80020009);
inline constexpr HRESULT DISP_E_BADINDEX = MakeStatus(0x8002000B);
inline constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeStatus(0x8002000D);
inline constexpr HRESULT STG_E_INVALIDFUNCTION = MakeStatus(0x80030001);
inline constexpr HRESULT TYPE_E_IOERROR = MakeStatus(0x80028CA2);

constexpr bool Succeeded(HRESULT status) { return status >= 0; }
constexpr bool Failed(HRESULT status) { return status < 0; }

}  // namespace balvek::script
