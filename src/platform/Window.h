#pragma once
// Windows and messages: a Window is a handle with a message handler. Every
// message is handled on the main thread, whatever thread sends or posts it;
// a handle stays a valid key after its window is gone, and a message that
// arrives late finds nothing and does nothing.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/WindowHandle.h"

namespace balvek::platform {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

class MessageHandler {
 public:
  virtual LRESULT HandleMessage(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  ~MessageHandler() = default;
};

// Registered from construction to destruction. Made and destroyed on the
// main thread; the first window made binds the main thread if nothing has.
class Window {
 public:
  explicit Window(MessageHandler& handler, WindowHandle parent = kNoWindow);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  WindowHandle handle() const { return handle_; }

 private:
  WindowHandle handle_;
};

// The calling thread becomes the one that handles every message.
void BindMainThread();
bool IsMainThread();

bool IsWindow(WindowHandle window);
// The parent given at creation, or kNoWindow (also for a window that is gone).
WindowHandle GetParent(WindowHandle window);

// On the main thread the handler runs at once; from another thread the call
// is queued to the main thread and waits for its result. 0 when the window
// does not exist.
LRESULT SendMessage(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam);

// Like SendMessage, but a caller on another thread waits at most `timeoutMs`.
// On time-out the queued call is withdrawn, so the receiver never reads the
// caller's parameters after this returns; if the handler had already begun,
// this waits for it to finish. False on time-out or when there is no window.
bool SendMessageTimeout(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam,
                        std::uint32_t timeoutMs, LRESULT* result);

// Queues the message for the main thread and returns at once. Messages
// posted from one thread are handled in the order they were posted. False
// when the window does not exist at posting time.
bool PostMessage(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam);

// Messages posted or sent across threads that have not been handled yet.
std::size_t PendingMessages();

// Ends RunMessageLoop with `code`.
void PostQuitMessage(int code);

// Runs the main thread's loop until PostQuitMessage, or until `keepRunning`
// (checked before each wait) returns false; gives the quit code, else 0.
int RunMessageLoop(const std::function<bool()>& keepRunning = {});

// Handles whatever is ready without waiting; true when something ran.
bool PumpMessages();

}  // namespace balvek::platform
