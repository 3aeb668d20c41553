#include <gtest/gtest.h>

#include <thread>

#include "fakes/ManualClock.h"
#include "platform/AutoResetEvent.h"
#include "platform/Clock.h"

namespace balvek::platform {
namespace {

TEST(AutoResetEvent, OneSetReleasesOneWait) {
  AutoResetEvent event;
  EXPECT_FALSE(event.Wait(1));
  event.Set();
  event.Set();  // not counted: still one release
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(1));

  std::thread setter([&] { event.Set(); });
  event.Wait();
  setter.join();
}

TEST(Clock, DifferencesSurviveTheWrap) {
  fakes::ManualClock clock(0xFFFFFFF0u);
  const std::uint32_t start = TimeGetTime();
  clock.Advance(0x20);
  EXPECT_EQ(GetTickCount() - start, 0x20u);
}

TEST(Clock, SystemClockMovesForward) {
  const std::uint32_t start = TimeGetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const std::uint32_t elapsed = TimeGetTime() - start;
  EXPECT_GE(elapsed, 5u);
  EXPECT_LT(elapsed, 10000u);
}

}  // namespace
}  // namespace balvek::platform
