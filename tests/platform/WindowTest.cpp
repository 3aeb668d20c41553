#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "fakes/RecordingWindow.h"
#include "platform/Window.h"

namespace balvek::platform {
namespace {

using fakes::RecordingWindow;

// Pumps the main context until `done` or a second has passed.
template <class Done>
void PumpUntil(Done done) {
  for (int i = 0; i < 1000 && !done(); ++i) {
    if (!PumpMessages()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TEST(Window, PostsFromAWorkerArriveOnTheMainThreadInOrder) {
  BindMainThread();
  RecordingWindow window;
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i) PostMessage(window.handle(), 0x8000, static_cast<WPARAM>(i), 0);
  });
  worker.join();
  EXPECT_TRUE(window.received().empty()) << "nothing runs before the main loop takes it";
  EXPECT_EQ(PendingMessages(), 50u);
  PumpUntil([&] { return window.received().size() == 50; });
  ASSERT_EQ(window.received().size(), 50u);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(window.received()[i].wParam, static_cast<WPARAM>(i));
    EXPECT_EQ(window.received()[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(PendingMessages(), 0u);
}

TEST(Window, LateMessagesFindNothing) {
  BindMainThread();
  std::optional<RecordingWindow> window(std::in_place);
  const WindowHandle handle = window->handle();
  ASSERT_TRUE(PostMessage(handle, 0x8000, 1, 0));
  window.reset();
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(GetParent(handle), kNoWindow);
  EXPECT_FALSE(PostMessage(handle, 0x8000, 2, 0));
  EXPECT_EQ(SendMessage(handle, 0x8000, 3, 0), 0);
  PumpUntil([] { return PendingMessages() == 0; });  // the queued one is dropped without harm
  RecordingWindow next;
  EXPECT_NE(next.handle(), handle) << "handles are not reused";
}

TEST(Window, SendWaitsForTheMainThreadsAnswer) {
  BindMainThread();
  RecordingWindow parent;
  RecordingWindow window(parent.handle(), 42);
  EXPECT_EQ(GetParent(window.handle()), parent.handle());
  EXPECT_EQ(SendMessage(window.handle(), 0x8001, 0, 0), 42);  // same thread: at once
  ASSERT_EQ(window.received().size(), 1u);

  LRESULT answer = 0;
  std::thread worker([&] { answer = SendMessage(window.handle(), 0x8002, 0, 0); });
  PumpUntil([&] { return window.received().size() == 2; });
  worker.join();
  EXPECT_EQ(answer, 42);
  EXPECT_EQ(window.received()[1].thread, std::this_thread::get_id());
}

TEST(Window, TimedOutSendIsWithdrawn) {
  BindMainThread();
  RecordingWindow window(kNoWindow, 5);
  bool delivered = true;
  std::thread worker([&] {
    LRESULT result = -1;
    delivered = SendMessageTimeout(window.handle(), 0x8003, 0, 0, 1, &result);
  });
  worker.join();  // the main thread is not pumping: the send must time out
  EXPECT_FALSE(delivered);
  PumpUntil([] { return PendingMessages() == 0; });
  EXPECT_TRUE(window.received().empty()) << "the sender's parameters are never read after the time-out";

  LRESULT result = 0;
  std::thread second([&] { delivered = SendMessageTimeout(window.handle(), 0x8003, 0, 0, 5000, &result); });
  PumpUntil([&] { return !window.received().empty(); });
  second.join();
  EXPECT_TRUE(delivered);
  EXPECT_EQ(result, 5);
}

TEST(Window, QuitEndsTheLoopWithItsCode) {
  BindMainThread();
  RecordingWindow window;
  std::thread worker([&] {
    PostMessage(window.handle(), 0x8000, 0, 0);
    PostQuitMessage(7);
  });
  EXPECT_EQ(RunMessageLoop(), 7);
  worker.join();
  PumpUntil([] { return PendingMessages() == 0; });
  EXPECT_EQ(RunMessageLoop([] { return false; }), 0) << "nothing left to do";
}

}  // namespace
}  // namespace balvek::platform
