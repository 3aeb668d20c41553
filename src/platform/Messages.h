#pragma once
// The client's private window messages.
#include <cstdint>

namespace balvek::platform {

inline constexpr std::uint32_t WM_APP = 0x8000;
// wParam: the command's argument; lParam: the command name, a narrow
// zero-terminated text.
inline constexpr std::uint32_t WM__NAMED_COMMAND = WM_APP + 0x204;
// lParam: the object (the analyzer) to hold, call or drop.
inline constexpr std::uint32_t WM__MAINTHREAD_ATTACH = WM_APP + 0x20B;
inline constexpr std::uint32_t WM__MAINTHREAD_CALL = WM_APP + 0x20C;
inline constexpr std::uint32_t WM__MAINTHREAD_DETACH = WM_APP + 0x20D;
inline constexpr std::uint32_t WM__NOTIFYICON = WM_APP + 0x301;

}  // namespace balvek::platform
