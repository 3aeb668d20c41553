#pragma once
// The page's persistent key/value cache of analysis results, one store per
// process, kept in the gzip file "00.dat" in the data folder:
//   version 1000, then per lasting entry with a value, in key order:
//   K, key, V, value, P, player (lengths u32 LE in UTF-16 units, text UTF-16LE).
//
// Keys starting with '.' or '#' are transient (kept for the process only);
// keys starting with '!' name settings and never reach the store; all other
// keys are lasting and saved when their value is not empty.
//
// The page's process of a web view can be ended without its exit code
// running, and WebKit may run a page in a second process: so the store is
// saved after every analysis run that changed it, a save replaces the file
// only once the new one is complete, and a save merges what another process
// saved since this one last read the file instead of overwriting it.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace balvek::analysis {

inline constexpr std::uint32_t kCacheVersion = 1000;

struct CacheEntry {
  std::u16string value;
  std::u16string player;
};

enum class CacheKeyKind { kSettings, kTransient, kLasting };
CacheKeyKind KindOfKey(std::u16string_view key);

class LogAnaCache {
 public:
  // Ascending in UTF-16 code-unit order: char16_t compares unsigned.
  using Map = std::map<std::u16string, CacheEntry, std::less<>>;

  // The process's store on "./00.dat", made and loaded on the first call
  // from any thread.
  static LogAnaCache& Instance();
  // The process's store if something has made it, else null: what the
  // process saves at its end without loading the file only to save it.
  static LogAnaCache* InstanceIfMade();

  // A store on `path`, empty until Load.
  explicit LogAnaCache(std::string path);
  LogAnaCache(const LogAnaCache&) = delete;
  LogAnaCache& operator=(const LogAnaCache&) = delete;

  // Replaces the entries with the file's. A missing or unreadable file gives
  // an empty store; a damaged one keeps every complete record before the damage.
  void Load();
  // Writes the file when something lasting changed. False when a save was
  // needed and failed: the previous file is then left as it was.
  bool Save();

  // Removes every entry, transient ones too.
  void Clear();
  // The value, or nothing when the key is absent.
  std::optional<std::u16string> Get(std::u16string_view key) const;
  // Adds the key when missing; replaces value (and player, when given) only
  // when the value differs.
  void Set(std::u16string_view key, std::u16string_view value,
           std::optional<std::u16string_view> player);

  // Calls `visit` for each entry in key order while holding the lock: the
  // worker's copy of the keys. `visit` must not call back into the store.
  void ForEach(const std::function<void(const std::u16string& key, const CacheEntry& entry)>& visit) const;

  bool dirty() const;
  std::size_t size() const;
  const std::string& path() const { return path_; }

 private:
  // What identifies the file as this store last read or wrote it.
  struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtime_ns = 0;
    bool exists = false;
    bool operator==(const FileStamp&) const = default;
  };

  void MergeSavedByOthers();
  // A file that cannot even be opened is passed over silently: neither
  // written nor a failure message.
  struct WriteOutcome {
    bool written = false;
    const char* failure = nullptr;
  };
  WriteOutcome WriteFile();
  // Of the open `fd`, or of the path when fd is -1.
  FileStamp StampOfFile(int fd = -1) const;

  const std::string path_;
  mutable std::mutex lock_;
  Map entries_;
  bool dirty_ = false;
  // Lasting keys this process changed since its last load or save, and
  // whether it cleared the store: what a merge keeps of its own.
  std::set<std::u16string, std::less<>> changed_;
  bool cleared_ = false;
  FileStamp stamp_;
};

}  // namespace balvek::analysis
