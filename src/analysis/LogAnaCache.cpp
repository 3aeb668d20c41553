#include "analysis/LogAnaCache.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>

#include "platform/DebugLog.h"
#include "platform/Dialogs.h"

namespace balvek::analysis {
namespace {

// The file's integers and UTF-16 text are little-endian, as in memory here.
static_assert(std::endian::native == std::endian::little);

// Strings are read in pieces, so a damaged length field costs no more memory
// than the stream really holds.
constexpr std::uint32_t kReadPieceUnits = 1u << 15;
constexpr std::size_t kWriteChunk = 1u << 16;

class CacheFileReader {
 public:
  // Reads through `fd`, which it owns.
  explicit CacheFileReader(int fd) : file_(fd >= 0 ? gzdopen(fd, "rb") : nullptr) {
    if (file_) {
      gzbuffer(file_, 1u << 17);
    } else if (fd >= 0) {
      close(fd);
    }
  }
  ~CacheFileReader() {
    if (file_) gzclose(file_);
  }
  CacheFileReader(const CacheFileReader&) = delete;
  CacheFileReader& operator=(const CacheFileReader&) = delete;

  bool is_open() const { return file_ != nullptr; }
  bool at_end() const { return gzeof(file_) != 0; }

  bool ReadExact(void* data, std::size_t size) {
    return gzread(file_, data, static_cast<unsigned>(size)) == static_cast<int>(size);
  }
  bool ReadU32(std::uint32_t& value) {
    std::uint32_t v;
    if (!ReadExact(&v, sizeof v)) return false;
    value = v;
    return true;
  }
  bool ReadString(std::u16string& text) {
    std::uint32_t units;
    if (!ReadU32(units)) return false;
    text.clear();
    while (units > 0) {
      const std::uint32_t piece = std::min(units, kReadPieceUnits);
      const std::size_t old = text.size();
      text.resize(old + piece);
      if (!ReadExact(text.data() + old, piece * sizeof(char16_t))) return false;
      units -= piece;
    }
    return true;
  }

 private:
  gzFile file_;
};

// set's rule for storing one entry; true when the value changed.
bool StoreEntry(LogAnaCache::Map& entries, std::u16string_view key, std::u16string_view value,
                std::optional<std::u16string_view> player) {
  auto it = entries.find(key);
  if (it == entries.end()) it = entries.emplace(std::u16string(key), CacheEntry{}).first;
  if (it->second.value == value) return false;
  it->second.value = value;
  if (player) it->second.player = *player;
  return true;
}

// Loads every complete record of the open file into `entries`; the version
// read stays 0xFFFFFFFF when the stream holds fewer than four bytes.
void ReadRecords(CacheFileReader& reader, LogAnaCache::Map& entries, std::uint32_t& version) {
  version = 0xFFFFFFFFu;
  if (!reader.ReadU32(version) || version != kCacheVersion) return;
  std::u16string key, value, player;
  while (!reader.at_end()) {
    if (!reader.ReadString(key) || !reader.ReadString(value) || !reader.ReadString(player)) return;
    StoreEntry(entries, key, value, player);
  }
}

bool IsSaved(const std::u16string& key, const CacheEntry& entry) {
  return KindOfKey(key) == CacheKeyKind::kLasting && !entry.value.empty();
}

void AppendU32(std::string& out, std::uint32_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void AppendString(std::string& out, const std::u16string& text) {
  AppendU32(out, static_cast<std::uint32_t>(text.size()));
  out.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

// Holds an exclusive lock on "<path>.lock" that serialises the saves of
// every process of the client.
class SaveLock {
 public:
  explicit SaveLock(const std::string& path)
      : fd_(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    if (fd_ >= 0)
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~SaveLock() {
    if (fd_ >= 0) close(fd_);
  }
  SaveLock(const SaveLock&) = delete;
  SaveLock& operator=(const SaveLock&) = delete;

 private:
  int fd_;
};

}  // namespace

CacheKeyKind KindOfKey(std::u16string_view key) {
  if (!key.empty() && key[0] == u'!') return CacheKeyKind::kSettings;
  if (!key.empty() && (key[0] == u'.' || key[0] == u'#')) return CacheKeyKind::kTransient;
  return CacheKeyKind::kLasting;
}

namespace {
std::atomic<LogAnaCache*> made{nullptr};
}  // namespace

LogAnaCache& LogAnaCache::Instance() {
  struct LoadedStore {
    LogAnaCache cache{"./00.dat"};
    LoadedStore() {
      cache.Load();
      made = &cache;
    }
  };
  static LoadedStore store;
  return store.cache;
}

LogAnaCache* LogAnaCache::InstanceIfMade() { return made.load(); }

LogAnaCache::LogAnaCache(std::string path) : path_(std::move(path)) {}

LogAnaCache::FileStamp LogAnaCache::StampOfFile(int fd) const {
  struct stat st {};
  if ((fd >= 0 ? fstat(fd, &st) : stat(path_.c_str(), &st)) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, true};
}

void LogAnaCache::Load() {
  std::lock_guard guard(lock_);
  entries_.clear();
  changed_.clear();
  cleared_ = false;
  dirty_ = false;
  // The stamp comes from the file actually read: a save that replaces it
  // afterwards is then seen as another process's work and merged.
  const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  stamp_ = StampOfFile(fd);
  CacheFileReader reader(fd);
  if (!reader.is_open()) return;
  std::uint32_t version;
  ReadRecords(reader, entries_, version);
  platform::DebugLog("LogAnaCache Load %d / dwVersion=%d/%d\r\n", static_cast<int>(entries_.size()),
                     static_cast<int>(version), static_cast<int>(kCacheVersion));
}

void LogAnaCache::MergeSavedByOthers() {
  const FileStamp now = StampOfFile();
  if (!now.exists || now == stamp_ || cleared_) return;
  Map saved;
  CacheFileReader reader(open(path_.c_str(), O_RDONLY | O_CLOEXEC));
  std::uint32_t version;
  if (!reader.is_open()) return;
  ReadRecords(reader, saved, version);
  if (version != kCacheVersion) return;
  // Keys this process did not change take the other's saved state: its new
  // values, and the absence of what it cleared.
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (IsSaved(it->first, it->second) && !changed_.contains(it->first) && !saved.contains(it->first))
      it = entries_.erase(it);
    else
      ++it;
  }
  for (auto& [key, entry] : saved)
    if (!changed_.contains(key)) entries_[key] = std::move(entry);
}

LogAnaCache::WriteOutcome LogAnaCache::WriteFile() {
  const std::string fresh = path_ + ".new";
  const int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return {};  // cannot be opened: stop silently, the old file stays
  const int sync_fd = dup(fd);
  gzFile file = gzdopen(fd, "wb9");
  const char* failure = nullptr;
  if (!file) {
    close(fd);
    failure = "SaveCache WriteVersion failed";
  } else {
    const std::uint32_t version = kCacheVersion;
    if (gzwrite(file, &version, sizeof version) != static_cast<int>(sizeof version)) {
      failure = "SaveCache WriteVersion failed";
    } else {
      std::string chunk;
      chunk.reserve(kWriteChunk * 2);
      auto flush = [&] {
        bool ok = gzwrite(file, chunk.data(), static_cast<unsigned>(chunk.size())) ==
                  static_cast<int>(chunk.size());
        chunk.clear();
        return ok;
      };
      for (const auto& [key, entry] : entries_) {
        if (!IsSaved(key, entry)) continue;
        AppendString(chunk, key);
        AppendString(chunk, entry.value);
        AppendString(chunk, entry.player);
        if (chunk.size() >= kWriteChunk && !flush()) {
          failure = "SaveCache failed\r\n";
          break;
        }
      }
      if (!failure && !chunk.empty() && !flush()) failure = "SaveCache failed\r\n";
    }
    // Closing writes the rest of the stream: a full disk often shows only here.
    if (gzclose(file) != Z_OK && !failure) failure = "SaveCache failed\r\n";
  }
  if (!failure && (sync_fd < 0 || fsync(sync_fd) != 0 || rename(fresh.c_str(), path_.c_str()) != 0))
    failure = "SaveCache failed\r\n";
  if (sync_fd >= 0) close(sync_fd);
  if (failure) unlink(fresh.c_str());
  return {!failure, failure};
}

bool LogAnaCache::Save() {
  const char* failure = nullptr;
  {
    std::lock_guard guard(lock_);
    if (!dirty_) {
      platform::DebugLog("SKIP SAVE\r\n");
      return true;
    }
    SaveLock save_lock(path_);
    MergeSavedByOthers();
    platform::DebugLog("LogAnaCache Save %d\r\n", static_cast<int>(entries_.size()));
    const WriteOutcome outcome = WriteFile();
    failure = outcome.failure;
    if (outcome.written) {
      stamp_ = StampOfFile();
      dirty_ = false;
      changed_.clear();
      cleared_ = false;
      return true;
    }
  }
  // Shown after the lock is released: a dialog may run script that uses the cache.
  if (failure) platform::Dialogs().MessageBox(platform::kNoWindow, failure, "", platform::MB_OK);
  return false;
}

void LogAnaCache::Clear() {
  std::lock_guard guard(lock_);
  platform::DebugLog("LogAnaCache clear\r\n");
  entries_.clear();
  changed_.clear();
  cleared_ = true;
  dirty_ = true;
}

std::optional<std::u16string> LogAnaCache::Get(std::u16string_view key) const {
  std::lock_guard guard(lock_);
  auto it = entries_.find(key);
  if (it == entries_.end()) return std::nullopt;
  return it->second.value;
}

void LogAnaCache::Set(std::u16string_view key, std::u16string_view value,
                      std::optional<std::u16string_view> player) {
  if (KindOfKey(key) == CacheKeyKind::kSettings) return;
  std::lock_guard guard(lock_);
  if (!StoreEntry(entries_, key, value, player)) return;
  if (KindOfKey(key) == CacheKeyKind::kTransient) return;
  dirty_ = true;
  changed_.emplace(key);
}

void LogAnaCache::ForEach(
    const std::function<void(const std::u16string& key, const CacheEntry& entry)>& visit) const {
  std::lock_guard guard(lock_);
  for (const auto& [key, entry] : entries_) visit(key, entry);
}

bool LogAnaCache::dirty() const {
  std::lock_guard guard(lock_);
  return dirty_;
}

std::size_t LogAnaCache::size() const {
  std::lock_guard guard(lock_);
  return entries_.size();
}

}  // namespace balvek::analysis
