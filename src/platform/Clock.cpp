#include "platform/Clock.h"

#include <atomic>
#include <chrono>

namespace balvek::platform {

namespace {

class SteadyClock final : public ClockSource {
 public:
  std::uint32_t Milliseconds() override {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
  }
};

SteadyClock steady;
std::atomic<ClockSource*> active{&steady};

}  // namespace

std::uint32_t TimeGetTime() { return active.load()->Milliseconds(); }

std::uint32_t GetTickCount() { return active.load()->Milliseconds(); }

ClockSource* SetClockSource(ClockSource* source) {
  ClockSource* old = active.exchange(source ? source : &steady);
  return old == &steady ? nullptr : old;
}

}  // namespace balvek::platform
