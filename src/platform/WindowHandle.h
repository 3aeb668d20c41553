#pragma once
#include <cstdint>

namespace balvek::platform {

// An opaque window handle. It stays a valid key after its window is gone:
// looking it up then finds nothing.
using WindowHandle = std::uint32_t;
inline constexpr WindowHandle kNoWindow = 0;

}  // namespace balvek::platform
