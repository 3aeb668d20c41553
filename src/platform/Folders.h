#pragma once
// The special folders and the few file-system questions the client asks.
// Paths are UTF-8 and joined with '/'.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace balvek::platform {

// $XDG_DATA_HOME, else $HOME/.local/share. Read at each call, not cached, so
// tests can point it elsewhere.
std::string LocalAppDataFolder();
// The client's data folder, LocalAppDataFolder()/D-ORB/balvek/app. Not created.
std::string DataFolder();
// Creates the data folder one level at a time (levels that exist or cannot
// be made are passed over) and returns its path.
std::string PrepareDataFolder();
// The XDG documents folder (XDG_DOCUMENTS_DIR of user-dirs.dirs), else
// $HOME/Documents. Not created.
std::string DocumentsFolder();

// folder + '/' + name; no separator added when folder already ends with '/'.
std::string JoinPath(std::string_view folder, std::string_view name);

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
// "Read-only" means: not writable by this user.
bool IsReadOnly(const std::string& path);
// An existing folder that this user may write into.
bool IsWritableFolder(const std::string& path);
// One level; false when it could not be made (it may exist already).
bool CreateFolder(const std::string& path);

// 100 ns units since 1601-01-01 UTC, the file time the record lists sort by.
using FileTime = std::uint64_t;
FileTime FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds);

struct FolderEntry {
  std::string name;           // without its folder
  bool is_folder = false;
  std::uint64_t size = 0;
  FileTime creation_time = 0;  // birth time where the file system keeps one, else modification time
};

// Lists `folder` once, in the order the file system gives, without "." and
// "..". `visit` returns false to stop the listing. False when the folder
// cannot be opened.
bool ListFolder(const std::string& folder,
                const std::function<bool(const FolderEntry&)>& visit);

// Creation time of one file, as ListFolder reports it; 0 when it cannot be read.
FileTime FileCreationTime(const std::string& path);

}  // namespace balvek::platform
