#include "analysis/LogCollection.h"

#include <algorithm>
#include <deque>

#include "analysis/RecordFiles.h"
#include "platform/ServiceHost.h"
#include "platform/Text.h"

namespace balvek::analysis {
namespace {

// "Scanning ... " names the folder by its last component, cut before its last '.'.
std::string FolderLabel(const std::string& dir) {
  std::string label = dir.substr(dir.find_last_of('/') + 1);
  return label.substr(0, label.rfind('.'));
}

// Record identifiers are letters, digits and '-'; anything else is escaped
// so that a strange file name cannot change the request's text.
std::string EscapeForQuery(std::string_view id) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : id) {
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

int FailRun(RunContext& run, const std::string& text) {
  if (run.GoesOn()) run.ShowError(text);
  return 1;
}

bool GameTypeFilter::Passes(std::int32_t gameType) const {
  if (matchMask != 0 && (gameType & matchMask) != match) return false;
  if (skipMask != 0 && (gameType & skipMask) == skip) return false;
  return true;
}

int CheckRecordRoot(RunContext& run, const platform::SettingsFile& settings, std::string& root) {
  const std::string folder = platform::GetLogPath(settings);
  root = platform::JoinPath(folder, "log");
  if (folder.empty() || !platform::IsWritableFolder(root)) return FailRun(run, kRecordFolderUnusable);
  return 0;
}

int WalkRecordFolder(const std::string& root, const GameTypeFilter& filter, record::RecordInfo& info,
                     Progress& progress, RunContext& run, const EnumLogStep& enumLog,
                     RecordLists& lists) {
  std::deque<std::string> folders{root};
  std::int32_t hr = 0;
  while (hr == 0 && run.GoesOn() && !folders.empty()) {
    const std::string dir = folders.front();
    run.Status("Scanning ... " + FolderLabel(dir));
    platform::ListFolder(dir, [&](const platform::FolderEntry& entry) {
      if (entry.is_folder) {
        folders.push_back(platform::JoinPath(dir, entry.name));
      } else if (IsRecordFileName(entry.name)) {
        progress.done = ++progress.total;
        if (ParseRecordName(info, platform::Utf8ToUtf16(RecordNameOfFile(entry.name))) != 0) {
          hr = FailRun(run, kInvalidLogFileName + entry.name);
        } else if (filter.Passes(info.gameType)) {
          bool selected = false;
          hr = enumLog(info, selected);
          if (hr == 0 && selected) {
            std::string path = platform::JoinPath(dir, entry.name);
            if (entry.size == 0) lists.downloadList.push_back(path);
            lists.logList.push_back({std::move(path), NameTime(entry.name), entry.creation_time});
          }
        }
      }
      return hr == 0 && run.GoesOn();
    });
    folders.pop_front();
  }
  return hr;
}

std::vector<std::u16string> SelectCacheKeys(const LogAnaCache& cache, const CacheFilter& filter) {
  std::vector<std::u16string> keys;
  record::RecordInfo info;
  cache.ForEach([&](const std::u16string& key, const CacheEntry& entry) {
    if (!filter.player.empty() && entry.player != filter.player) return;
    // Only full record names are filtered; every other key is selected.
    if (ParseRecordName(info, key) == 0) {
      if (!filter.gameType.Passes(info.gameType)) return;
      if (filter.lobbyId != -1 && info.lobby != filter.lobbyId) return;
    }
    keys.push_back(key);
  });
  return keys;
}

int DownloadRecords(std::vector<std::string>& downloadList, RunContext& run,
                    std::chrono::milliseconds timeout) {
  int failures = 0;
  std::string failed;
  const std::size_t nDownload = downloadList.size();
  while (run.GoesOn() && !downloadList.empty() && failures < kMaxDownloadFailures) {
    const std::string path = downloadList.front();
    const std::string base(RecordNameOfFile(path));
    char status[1024];
    std::snprintf(status, sizeof status, "Downloading %d/%d %s", static_cast<int>(downloadList.size()),
                  static_cast<int>(nDownload), base.c_str());
    run.Status(status);

    std::string body;
    const int result = net::DownloadClient(timeout).Download(
        platform::RecordAddress(EscapeForQuery(RecordId(base))), body);
    if (result != 0) {
      failed += path + "\r\n";
      ++failures;
    } else if (body.empty()) {
      return FailRun(run, kEmptyLogFile + path);
    } else if (body.size() < 10 || static_cast<unsigned char>(body[0]) != 0x1F) {
      return FailRun(run, kInvalidLogFormat + path);
    } else {
      WriteRecordFile(path, body);
    }
    downloadList.erase(downloadList.begin());
  }
  if (!failed.empty()) return FailRun(run, kDownloadFailed + failed);
  return 0;
}

void SortLogList(std::vector<LogListEntry>& logList, std::int32_t sortAs) {
  auto older = [](const LogListEntry& a, const LogListEntry& b) {
    return a.nameTime != b.nameTime ? a.nameTime < b.nameTime : a.creationTime < b.creationTime;
  };
  if (sortAs == 0)
    std::stable_sort(logList.begin(), logList.end(), older);
  else
    std::stable_sort(logList.begin(), logList.end(),
                     [&](const LogListEntry& a, const LogListEntry& b) { return older(b, a); });
}

int ReadListedRecord(RunContext& run, const LogListEntry& entry, record::RecordInfo& info,
                     std::string& recordText) {
  recordText.clear();
  if (ParseRecordName(info, platform::Utf8ToUtf16(RecordNameOfFile(entry.path))) != 0)
    return FailRun(run, kInvalidLogFileName + entry.path);
  if (ReadRecordFile(entry.path, recordText) != 0) return FailRun(run, kInvalidFile + entry.path);
  return 0;
}

}  // namespace balvek::analysis
