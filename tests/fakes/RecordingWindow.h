#pragma once
// A window that records the messages it is given and answers a fixed value.
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/Window.h"

namespace balvek::fakes {

struct ReceivedMessage {
  std::uint32_t message;
  platform::WPARAM wParam;
  platform::LPARAM lParam;
  std::thread::id thread;
};

class RecordingWindow final : public platform::MessageHandler {
 public:
  explicit RecordingWindow(platform::WindowHandle parent = platform::kNoWindow, platform::LRESULT answer = 0)
      : answer_(answer), window_(*this, parent) {}

  platform::WindowHandle handle() const { return window_.handle(); }
  const std::vector<ReceivedMessage>& received() const { return received_; }

  platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override {
    received_.push_back({message, wParam, lParam, std::this_thread::get_id()});
    return answer_;
  }

 private:
  platform::LRESULT answer_;
  std::vector<ReceivedMessage> received_;
  platform::Window window_;
};

}  // namespace balvek::fakes
