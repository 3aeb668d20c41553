#include "platform/AutoResetEvent.h"

#include <chrono>

namespace balvek::platform {

void AutoResetEvent::Set() {
  {
    std::lock_guard guard(lock_);
    set_ = true;
  }
  signalled_.notify_one();
}

void AutoResetEvent::Reset() {
  std::lock_guard guard(lock_);
  set_ = false;
}

void AutoResetEvent::Wait() {
  std::unique_lock guard(lock_);
  signalled_.wait(guard, [this] { return set_; });
  set_ = false;
}

bool AutoResetEvent::Wait(std::uint32_t timeoutMs) {
  std::unique_lock guard(lock_);
  if (!signalled_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [this] { return set_; })) return false;
  set_ = false;
  return true;
}

}  // namespace balvek::platform
