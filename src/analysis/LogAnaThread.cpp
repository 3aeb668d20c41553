#include "analysis/LogAnaThread.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/Clock.h"
#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Window.h"

namespace balvek::analysis {

namespace {

constexpr std::int32_t kStillActive = 259;
constexpr std::uint32_t kStatusTimeoutMs = 1;
constexpr std::uint32_t kCacheStatusEveryMs = 50;
// Late statuses kept while the main thread is busy; older ones make way.
constexpr std::size_t kMaxLateStatuses = 64;

// The lowest of the normal range: two steps below the thread's own level,
// so that scanning and decompressing never slow the page.
void LowerPriority() {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  if (errno == 0) setpriority(PRIO_PROCESS, 0, std::min(nice + 2, 19));
}

platform::LPARAM AsLParam(script::Dispatch& object) { return reinterpret_cast<platform::LPARAM>(&object); }

}  // namespace

LogAnaThread::LogAnaThread(script::Dispatch& self, platform::WindowHandle window, LogAnaObjects objects,
                           LogAnaCache* store, const platform::SettingsFile& settings)
    : logInfo(std::move(objects.logInfo)),
      players(std::move(objects.players)),
      cache(std::move(objects.cache)),
      self_(self),
      window_(window),
      store_(store),
      settings_(settings) {}

LogAnaThread::~LogAnaThread() {
  KillThread();
  cache.Reset();
  platform::DebugLog("LogAnaThread DESTRUCT\r\n");
}

LogAnaCache& LogAnaThread::Store() const { return store_ ? *store_ : LogAnaCache::Instance(); }

bool LogAnaThread::StartThread() {
  running = true;
  stop = false;
  exitCode_ = kStillActive;
  try {
    thread_ = std::thread([this] { Routine(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void LogAnaThread::KillThread() {
  platform::DebugLog("KillThread begin\r\n");
  if (thread_.joinable()) {
    running = false;
    stepDone_.Set();
    const std::int32_t code = exitCode_.load();
    platform::DebugLog("GetExitCodeThread b=%d d=%d/%X\r\n", 1, code, static_cast<unsigned>(code));
    thread_.join();
  }
  platform::DebugLog("KillThread end\r\n");
}

void LogAnaThread::StopThread() {
  platform::DebugLog("StopThread\r\n");
  stop = true;
}

bool LogAnaThread::GoesOn() const {
  return !stop && running && !windowGone_ && GetRefCount() > 1;
}

void LogAnaThread::ShowStatus(const std::string& text) const {
  platform::SendMessage(MainWindow(), platform::WM__NAMED_COMMAND, reinterpret_cast<platform::WPARAM>(text.c_str()),
                        reinterpret_cast<platform::LPARAM>("STATUS"));
}

// The send gives up after 1 ms and never reads the text afterwards; a text
// that missed it is kept as a copy and shown by the next Tick.
void LogAnaThread::Status(const std::string& text) {
  char buffer[1024];
  std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
  platform::LRESULT answer = 0;
  if (platform::SendMessageTimeout(MainWindow(), platform::WM__NAMED_COMMAND, reinterpret_cast<platform::WPARAM>(buffer),
                                   reinterpret_cast<platform::LPARAM>("STATUS"), kStatusTimeoutMs, &answer))
    return;
  {
    std::lock_guard guard(lateLock_);
    if (lateStatuses_.size() == kMaxLateStatuses) lateStatuses_.pop_front();
    lateStatuses_.emplace_back(buffer);
  }
  PostToMainWindow(platform::WM__MAINTHREAD_CALL);
}

void LogAnaThread::ShowError(const std::string& text) {
  platform::Dialogs().MessageBox(window_, text, "", platform::MB_OK | platform::MB_ICONERROR);
}

bool LogAnaThread::TakeStep() {
  std::deque<std::string> late;
  {
    std::lock_guard guard(lateLock_);
    late.swap(lateStatuses_);
  }
  for (const std::string& text : late) ShowStatus(text);
  return stepPending_.exchange(false);
}

bool LogAnaThread::PostToMainWindow(std::uint32_t message) {
  if (platform::PostMessage(MainWindow(), message, 0, AsLParam(self_))) return true;
  windowGone_ = true;
  return false;
}

void LogAnaThread::HandOver() {
  stepDone_.Reset();
  stepPending_ = true;
  if (!PostToMainWindow(platform::WM__MAINTHREAD_CALL)) {
    stepPending_ = false;
    return;
  }
  stepDone_.Wait();
}

void LogAnaThread::Routine() {
  LowerPriority();
  cacheKey.reset();
  const int status = Run();
  cacheKey.reset();
  // The detach may destroy the analyzer: nothing of it is touched after.
  const platform::WindowHandle mainWindow = MainWindow();
  script::Dispatch& self = self_;
  exitCode_ = status;
  platform::PostMessage(mainWindow, platform::WM__MAINTHREAD_DETACH, 0, AsLParam(self));
}

int LogAnaThread::Run() {
  hr = 0;
  modeEnumLog = false;
  modeEnumCache = false;
  totalMs = 0;
  const std::uint32_t start = platform::TimeGetTime();

  if (hasOnEnumCache && cache) CachePass();

  RecordLists lists;
  if (hasOnEnumLog) {
    std::string root;
    if (CheckRecordRoot(context_, settings_, root) != 0) return 1;
    hr = 0;
    modeEnumLog = true;
    modeEnumCache = false;
    progress_.done = 0;
    progress_.total = 0;
    record::RecordInfo walkInfo;
    const int walked = WalkRecordFolder(
        root, enumFilter, walkInfo, progress_, context_,
        [this](const record::RecordInfo& info, bool& chosen) {
          stepInfo = info;
          selected = false;
          HandOver();
          chosen = selected;
          return hr;
        },
        lists);
    if (walked != 0) return walked;
    platform::DebugLog("nDownload=%d vLogList=%d\r\n", static_cast<int>(lists.downloadList.size()),
                       static_cast<int>(lists.logList.size()));
    if (DownloadRecords(lists.downloadList, context_) != 0) return 1;
  }

  if (AnalysisPass(lists.logList) != 0) return 1;
  totalMs = static_cast<std::int32_t>(platform::TimeGetTime() - start);
  return 0;
}

void LogAnaThread::CachePass() {
  modeEnumCache = true;
  const CacheFilter filter{enumPlayer, enumLobbyID, enumFilter};
  std::vector<std::u16string> keys = SelectCacheKeys(Store(), filter);
  if (iSortAs == 1) std::reverse(keys.begin(), keys.end());
  progress_.total = static_cast<std::int32_t>(keys.size());
  progress_.done = 0;
  std::uint32_t lastStatus = platform::GetTickCount() - 1000;
  for (std::u16string& key : keys) {
    if (!GoesOn() || hr != 0) break;
    const std::uint32_t t = platform::GetTickCount();
    if (t - lastStatus > kCacheStatusEveryMs) {
      char text[1024];
      std::snprintf(text, sizeof text, "Analyzing cache %d/%d", nProgress(), nTotal());
      Status(text);
      lastStatus = t;
    }
    progress_.done += 1;
    cacheKey = std::move(key);
    HandOver();
  }
  cacheKey.reset();
}

int LogAnaThread::AnalysisPass(std::vector<LogListEntry>& logList) {
  SortLogList(logList, iSortAs);
  platform::DebugLog("vLogList=%d\r\n", static_cast<int>(logList.size()));
  hr = 0;
  modeEnumLog = false;
  modeEnumCache = false;
  progress_.total = static_cast<std::int32_t>(logList.size());
  progress_.done = 0;
  const std::uint32_t t0 = platform::GetTickCount();
  for (const LogListEntry& entry : logList) {
    if (!GoesOn() || hr != 0) break;
    if (ReadListedRecord(context_, entry, stepInfo, recordText) != 0) return 1;
    HandOver();
    progress_.done += 1;
  }
  progress_.done = progress_.total.load();
  platform::DebugLog("files=%d time=%dms\r\n", nProgress(), static_cast<int>(platform::GetTickCount() - t0));
  // A stopped run still finishes: the page gets its OnAnalyzeEnd.
  if (running && GetRefCount() > 1 && hr == 0) {
    stepPending_ = true;
    if (!PostToMainWindow(platform::WM__MAINTHREAD_CALL)) stepPending_ = false;
  }
  return 0;
}

}  // namespace balvek::analysis
