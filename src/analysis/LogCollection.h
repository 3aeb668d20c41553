#pragma once
// What the analysis worker does with record files between the page's steps:
// the record-folder check, the breadth-first walk with the game-type filter,
// the selection of cache keys, the download of placeholders, the order of the
// records and their reading. Every function takes the run's state
// explicitly; the worker supplies its run condition, status line, message
// boxes and the OnEnumLog hand-over through RunContext.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/LogAnaCache.h"
#include "analysis/RecordName.h"
#include "net/DownloadClient.h"
#include "platform/Folders.h"
#include "platform/Settings.h"

namespace balvek::analysis {

inline constexpr const char* kRecordFolderUnusable =
    "牌譜保存フォルダが利用できません\r\n牌譜を保存する設定に変更し、対戦を行なってください";
inline constexpr const char* kInvalidLogFileName = "INVALID LOG FILENAME\r\n";
inline constexpr const char* kEmptyLogFile = "EMPTY LOG FILE\r\n";
inline constexpr const char* kInvalidLogFormat = "INVALID LOG FORMAT\r\n";
inline constexpr const char* kDownloadFailed = "DOWNLOAD FAILED\r\n";
inline constexpr const char* kInvalidFile = "INVALID FILE\r\n";
inline constexpr int kMaxDownloadFailures = 5;

class RunContext {
 public:
  virtual ~RunContext() = default;
  // Stop not asked, the run still running and the page still holding the analyzer.
  virtual bool GoesOn() const = 0;
  // A "STATUS" text; the worker sends it without waiting on the window.
  virtual void Status(const std::string& text) = 0;
  // An error message box owned by the analyzer's window (error icon, no caption).
  virtual void ShowError(const std::string& text) = 0;
};

// Shows `text` while the run goes on (a stopped or dropped run ends
// silently) and gives the status 1 that ends the worker.
int FailRun(RunContext& run, const std::string& text);

// The counters script reads at any time: items of the current pass, and how
// many are handled.
struct Progress {
  std::atomic<std::int32_t> total{0};
  std::atomic<std::int32_t> done{0};
};

struct GameTypeFilter {
  std::int32_t matchMask = 0, match = 0, skipMask = 0, skip = 0;
  bool Passes(std::int32_t gameType) const;
};

struct LogListEntry {
  std::string path;
  platform::FileTime nameTime = 0;
  platform::FileTime creationTime = 0;
};

// "<record folder>/log" when the record folder is usable; else the folder
// message and status 1.
int CheckRecordRoot(RunContext& run, const platform::SettingsFile& settings, std::string& root);

// The OnEnumLog step: hands `info` to the page on the main thread and waits.
// Returns the step's hr; `selected` gets the page's answer.
using EnumLogStep = std::function<std::int32_t(const record::RecordInfo& info, bool& selected)>;

struct RecordLists {
  std::vector<LogListEntry> logList;
  std::vector<std::string> downloadList;  // selected placeholders, in walk order
};

// The record pass: walks `root` breadth-first, offers each record file that
// passes `filter` to the page, and lists what it selects. Returns 0, the hr
// of a failing step, or 1 after "INVALID LOG FILENAME".
int WalkRecordFolder(const std::string& root, const GameTypeFilter& filter, record::RecordInfo& info,
                     Progress& progress, RunContext& run, const EnumLogStep& enumLog,
                     RecordLists& lists);

struct CacheFilter {
  std::u16string player;  // empty: every player
  std::int32_t lobbyId = -1;
  GameTypeFilter gameType;
};

// The cache pass's keys in ascending order, copied under the store's lock.
std::vector<std::u16string> SelectCacheKeys(const LogAnaCache& cache, const CacheFilter& filter);

// Fetches every placeholder of `downloadList` (taken from its front) until
// five downloads failed. 0, or 1 after a failure message.
int DownloadRecords(std::vector<std::string>& downloadList, RunContext& run,
                    std::chrono::milliseconds timeout = net::kDefaultTimeout);

// Stable; sortAs 0 oldest first, 1 newest first, by nameTime then creationTime.
void SortLogList(std::vector<LogListEntry>& logList, std::int32_t sortAs);

// The analysis pass's reading of one entry: refills `info` from its name and
// decompresses it into `recordText` (zero byte after it). 0, or 1 after
// "INVALID LOG FILENAME" or "INVALID FILE".
int ReadListedRecord(RunContext& run, const LogListEntry& entry, record::RecordInfo& info,
                     std::string& recordText);

}  // namespace balvek::analysis
