#include "platform/Window.h"

#include <glib.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace balvek::platform {

namespace {

struct Entry {
  MessageHandler* handler;
  WindowHandle parent;
};

struct Registry {
  std::mutex lock;
  std::unordered_map<WindowHandle, Entry> windows;
  WindowHandle last = kNoWindow;
  std::thread::id mainThread;
  bool bound = false;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::atomic<std::size_t> pending{0};
std::atomic<bool> quitPosted{false};
std::atomic<int> quitCode{0};

MessageHandler* Find(WindowHandle window) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  const auto it = r.windows.find(window);
  return it == r.windows.end() ? nullptr : it->second.handler;
}

// Handles one message on the main thread; a window that is gone gets nothing.
LRESULT Deliver(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
  MessageHandler* handler = Find(window);
  return handler ? handler->HandleMessage(window, message, wParam, lParam) : 0;
}

// Runs `task` on the main context from an idle source. g_main_context_invoke
// is not used: it runs the function on the calling thread whenever nobody
// owns the context, which is the case between loop iterations.
void QueueToMainThread(std::function<void()> task) {
  ++pending;
  GSource* source = g_idle_source_new();
  g_source_set_priority(source, G_PRIORITY_DEFAULT);
  auto* owned = new std::function<void()>(std::move(task));
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        --pending;
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      owned, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
  g_source_attach(source, g_main_context_default());
  g_source_unref(source);
}

// A send from another thread, shared by the sender and the queued task.
struct CrossThreadSend {
  enum class State { Queued, Running, Done, Withdrawn };
  std::mutex lock;
  std::condition_variable changed;
  State state = State::Queued;
  LRESULT result = 0;
};

}  // namespace

void BindMainThread() {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.mainThread = std::this_thread::get_id();
  r.bound = true;
}

bool IsMainThread() {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  return r.bound && r.mainThread == std::this_thread::get_id();
}

Window::Window(MessageHandler& handler, WindowHandle parent) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  if (!r.bound) {
    r.mainThread = std::this_thread::get_id();
    r.bound = true;
  }
  handle_ = ++r.last;
  r.windows.emplace(handle_, Entry{&handler, parent});
}

Window::~Window() {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  r.windows.erase(handle_);
}

bool IsWindow(WindowHandle window) { return Find(window) != nullptr; }

WindowHandle GetParent(WindowHandle window) {
  Registry& r = TheRegistry();
  std::lock_guard guard(r.lock);
  const auto it = r.windows.find(window);
  return it == r.windows.end() ? kNoWindow : it->second.parent;
}

LRESULT SendMessage(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  SendMessageTimeout(window, message, wParam, lParam, G_MAXUINT32, &result);
  return result;
}

bool SendMessageTimeout(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam,
                        std::uint32_t timeoutMs, LRESULT* result) {
  if (result) *result = 0;
  if (!IsWindow(window)) return false;
  if (IsMainThread()) {
    const LRESULT answer = Deliver(window, message, wParam, lParam);
    if (result) *result = answer;
    return true;
  }
  auto send = std::make_shared<CrossThreadSend>();
  QueueToMainThread([send, window, message, wParam, lParam] {
    {
      std::lock_guard guard(send->lock);
      if (send->state == CrossThreadSend::State::Withdrawn) return;
      send->state = CrossThreadSend::State::Running;
    }
    const LRESULT answer = Deliver(window, message, wParam, lParam);
    std::lock_guard guard(send->lock);
    send->result = answer;
    send->state = CrossThreadSend::State::Done;
    send->changed.notify_all();
  });
  std::unique_lock guard(send->lock);
  const auto done = [&] { return send->state == CrossThreadSend::State::Done; };
  if (timeoutMs == G_MAXUINT32) {
    send->changed.wait(guard, done);
  } else if (!send->changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), done)) {
    if (send->state == CrossThreadSend::State::Queued) {
      send->state = CrossThreadSend::State::Withdrawn;
      return false;
    }
    send->changed.wait(guard, done);
  }
  if (result) *result = send->result;
  return true;
}

bool PostMessage(WindowHandle window, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return false;
  QueueToMainThread([window, message, wParam, lParam] { Deliver(window, message, wParam, lParam); });
  return true;
}

std::size_t PendingMessages() { return pending.load(); }

void PostQuitMessage(int code) {
  quitCode = code;
  quitPosted = true;
  g_main_context_wakeup(g_main_context_default());
}

int RunMessageLoop(const std::function<bool()>& keepRunning) {
  GMainContext* context = g_main_context_default();
  while (!quitPosted) {
    if (keepRunning && !keepRunning()) return 0;
    g_main_context_iteration(context, TRUE);
  }
  quitPosted = false;
  return quitCode;
}

bool PumpMessages() { return g_main_context_iteration(g_main_context_default(), FALSE); }

}  // namespace balvek::platform
