#pragma once
// The millisecond clock and the tick count: 32-bit millisecond counts that
// wrap, so only differences between two readings mean anything. Tests
// install a manual clock.
#include <cstdint>

namespace balvek::platform {

class ClockSource {
 public:
  virtual ~ClockSource() = default;
  virtual std::uint32_t Milliseconds() = 0;
};

// The millisecond clock (1 ms resolution).
std::uint32_t TimeGetTime();
// The tick count; the same clock on this system.
std::uint32_t GetTickCount();

// Installs `source` (not owned; nullptr: the system clock) and returns the
// one it replaces.
ClockSource* SetClockSource(ClockSource* source);

}  // namespace balvek::platform
