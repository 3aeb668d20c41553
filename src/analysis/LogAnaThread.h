#pragma once
// The worker half of the analyzer: one thread per run walks the cache, the
// record folder, the downloads and the records, and hands every step that
// touches page script to the main thread (WM__MAINTHREAD_CALL to the main
// window, then a wait on stepDone). The worker reads and writes only the
// plain fields below; script objects and page script are touched on the
// main thread alone, inside Tick.
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "analysis/IDispatchCacheImpl.h"
#include "analysis/IDispatchLogInfoImpl.h"
#include "analysis/IDispatchPlayerImpl.h"
#include "analysis/LogAnaCache.h"
#include "analysis/LogCollection.h"
#include "analysis/RecordName.h"
#include "platform/AutoResetEvent.h"
#include "platform/Settings.h"
#include "platform/Window.h"
#include "platform/WindowHandle.h"
#include "script/Dispatch.h"
#include "script/MainThreadTask.h"
#include "script/Ref.h"

namespace balvek::analysis {

// What the run's objects are made with.
struct LogAnaObjects {
  script::Ref<IDispatchLogInfoImpl> logInfo;
  std::array<script::Ref<IDispatchPlayerImpl>, 4> players;
  script::Ref<IDispatchCacheImpl> cache;
};

class LogAnaThread : public script::MainThreadTask {
 public:
  // The analyzer's reference count: the main window holds one while a run
  // lasts, so 1 means the page has dropped the analyzer.
  std::int32_t GetRefCount() const { return self_.RefCount(); }

  // Ends a run (main thread): clears running, wakes a waiting worker and
  // joins it. The worker never waits for the main thread at that point.
  void KillThread();
  // Asks the worker to stop at its next check.
  void StopThread();

  std::int32_t nTotal() const { return progress_.total.load(std::memory_order_relaxed); }
  std::int32_t nProgress() const { return progress_.done.load(std::memory_order_relaxed); }

 protected:
  // `self` is the analyzer as the messages carry it; `window` the web view
  // window, whose parent (the main window) receives them. `store` is the
  // cache store the worker enumerates (null: the process's, on first use).
  LogAnaThread(script::Dispatch& self, platform::WindowHandle window, LogAnaObjects objects, LogAnaCache* store,
               const platform::SettingsFile& settings);
  virtual ~LogAnaThread();

  // A worker of an earlier run that has not been joined (a run is going on,
  // or it ended without its finish step).
  bool ThreadNotJoined() const { return thread_.joinable(); }
  // running := true, stop := false, then the worker is made. False when the
  // thread cannot be made.
  bool StartThread();
  platform::WindowHandle window() const { return window_; }
  platform::WindowHandle MainWindow() const { return platform::GetParent(window_); }

  // For Tick: shows a worker status that missed its 1 ms send, then takes
  // the step the worker handed over, if any. False for nothing to do.
  bool TakeStep();
  // The step is done: the worker goes on and reads hr (and selected).
  void StepDone() { stepDone_.Set(); }
  // A status text from the main thread (waits for the window).
  void ShowStatus(const std::string& text) const;
  LogAnaCache& Store() const;

  // Set by analyze before the worker starts; read by the worker.
  bool hasOnEnumLog = false;
  bool hasOnEnumCache = false;
  std::int32_t iSortAs = 1;
  std::u16string enumPlayer;
  std::int32_t enumLobbyID = 0;
  GameTypeFilter enumFilter;

  // The step hand-over: written by the worker while no step is pending,
  // read and answered by Tick while the worker waits.
  bool modeEnumLog = false;
  bool modeEnumCache = false;
  record::RecordInfo stepInfo;               // what logInfo shows for this step
  std::optional<std::u16string> cacheKey;
  std::string recordText;                // decompressed, zero byte after it
  std::int32_t hr = 0;
  bool selected = false;

  std::int32_t totalMs = 0;  // written by the worker, read after the join
  std::int32_t runMs = 0;    // main thread

  script::Ref<IDispatchLogInfoImpl> logInfo;
  std::array<script::Ref<IDispatchPlayerImpl>, 4> players;
  script::Ref<IDispatchCacheImpl> cache;

  std::atomic<bool> running{false};
  std::atomic<bool> stop{true};

 private:
  // What the worker and the log collection ask of the run. A member rather
  // than a base: the worker calls it while the analyzer's own destructors
  // may already run, before ~LogAnaThread joins the worker.
  class Context final : public RunContext {
   public:
    explicit Context(LogAnaThread& run) : run_(run) {}
    bool GoesOn() const override { return run_.GoesOn(); }
    void Status(const std::string& text) override { run_.Status(text); }
    void ShowError(const std::string& text) override { run_.ShowError(text); }

   private:
    LogAnaThread& run_;
  };

  bool GoesOn() const;
  void Status(const std::string& text);
  void ShowError(const std::string& text);

  void Routine();
  int Run();
  void CachePass();
  // 1 when a listed record cannot be read (after its message).
  int AnalysisPass(std::vector<LogListEntry>& logList);
  // Posts the step and waits until Tick (or KillThread) sets stepDone.
  void HandOver();
  bool PostToMainWindow(std::uint32_t message);

  script::Dispatch& self_;
  const platform::WindowHandle window_;
  LogAnaCache* const store_;
  const platform::SettingsFile& settings_;
  Progress progress_;
  Context context_{*this};
  platform::AutoResetEvent stepDone_;
  std::atomic<bool> stepPending_{false};
  std::atomic<bool> windowGone_{false};
  // The routine's status; 259 (still active) while it runs.
  std::atomic<std::int32_t> exitCode_{0};
  std::thread thread_;

  // Worker statuses that the main window did not take within 1 ms: copies,
  // shown in order by the next Tick, which a post asks for.
  mutable std::mutex lateLock_;
  std::deque<std::string> lateStatuses_;
};

}  // namespace balvek::analysis
