#pragma once
// A clock that moves only when the test says so; installed for its lifetime.
#include <atomic>
#include <cstdint>

#include "platform/Clock.h"

namespace balvek::fakes {

class ManualClock final : public platform::ClockSource {
 public:
  explicit ManualClock(std::uint32_t start = 0) : now_(start) { previous_ = platform::SetClockSource(this); }
  ~ManualClock() override { platform::SetClockSource(previous_); }

  std::uint32_t Milliseconds() override { return now_; }
  void Advance(std::uint32_t ms) { now_ += ms; }

 private:
  std::atomic<std::uint32_t> now_;
  platform::ClockSource* previous_;
};

}  // namespace balvek::fakes
