#pragma once
// An event that releases one waiter per Set and then resets itself; a Set
// with no waiter is kept until the next Wait.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace balvek::platform {

class AutoResetEvent {
 public:
  void Set();
  // Forgets a Set that no Wait has taken yet.
  void Reset();
  void Wait();
  // False when `timeoutMs` passed without a Set.
  bool Wait(std::uint32_t timeoutMs);

 private:
  std::mutex lock_;
  std::condition_variable signalled_;
  bool set_ = false;
};

}  // namespace balvek::platform
