#pragma once
// An object whose worker hands steps to the main thread: the main window
// holds it (WM__MAINTHREAD_ATTACH) and runs Tick for each WM__MAINTHREAD_CALL.
// The message carries the object as its Dispatch pointer.
namespace balvek::script {

class MainThreadTask {
 public:
  virtual void Tick() = 0;

 protected:
  ~MainThreadTask() = default;
};

}  // namespace balvek::script
