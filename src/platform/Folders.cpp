#include "platform/Folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace balvek::platform {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string Home() {
  std::string home = Env("HOME");
  return home.empty() ? std::string("/") : home;
}

std::string ConfigFolder() {
  std::string config = Env("XDG_CONFIG_HOME");
  return config.empty() ? JoinPath(Home(), ".config") : config;
}

// XDG_DOCUMENTS_DIR="$HOME/Docs" in user-dirs.dirs; only "$HOME/..." and
// absolute values are valid there.
std::string DocumentsFromUserDirs() {
  std::ifstream in(JoinPath(ConfigFolder(), "user-dirs.dirs"));
  const std::string key = "XDG_DOCUMENTS_DIR=\"";
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    std::string::size_type quote = value.rfind('"');
    if (quote == std::string::npos) return {};
    value.resize(quote);
    if (value.compare(0, 5, "$HOME") == 0) return Home() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
    return {};
  }
  return {};
}

constexpr unsigned kStatxWanted = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BTIME | STATX_MTIME;

FileTime CreationTime(const struct statx& sx) {
  if (sx.stx_mask & STATX_BTIME) return FileTimeFromUnix(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
  return FileTimeFromUnix(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
}

}  // namespace

std::string LocalAppDataFolder() {
  std::string data = Env("XDG_DATA_HOME");
  return data.empty() ? JoinPath(JoinPath(Home(), ".local"), "share") : data;
}

std::string DataFolder() {
  return JoinPath(JoinPath(JoinPath(LocalAppDataFolder(), "D-ORB"), "balvek"), "app");
}

std::string PrepareDataFolder() {
  std::string path = LocalAppDataFolder();
  for (const char* level : {"D-ORB", "balvek", "app"}) {
    path = JoinPath(path, level);
    CreateFolder(path);
  }
  return path;
}

std::string DocumentsFolder() {
  std::string documents = DocumentsFromUserDirs();
  return documents.empty() ? JoinPath(Home(), "Documents") : documents;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Like the read-only attribute: a file without any write permission bit
// counts as read-only even for a user (root) whom access() would let write.
bool IsReadOnly(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0) return false;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
  return access(path.c_str(), W_OK) != 0;
}

bool IsWritableFolder(const std::string& path) {
  return IsFolder(path) && !IsReadOnly(path);
}

bool CreateFolder(const std::string& path) {
  return !path.empty() && mkdir(path.c_str(), 0777) == 0;
}

FileTime FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
  return static_cast<FileTime>(seconds + kSecondsFrom1601To1970) * 10000000u + nanoseconds / 100u;
}

bool ListFolder(const std::string& folder,
                const std::function<bool(const FolderEntry&)>& visit) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return false;
  const int fd = dirfd(dir.get());
  FolderEntry entry;
  while (dirent* e = readdir(dir.get())) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
      continue;
    // One statx per entry gives type, size and birth time together.
    struct statx sx {};
    if (statx(fd, e->d_name, 0, kStatxWanted, &sx) != 0) continue;  // gone, or a dangling link
    entry.name = e->d_name;
    entry.is_folder = S_ISDIR(sx.stx_mode);
    entry.size = sx.stx_size;
    entry.creation_time = CreationTime(sx);
    if (!visit(entry)) break;
  }
  return true;
}

FileTime FileCreationTime(const std::string& path) {
  struct statx sx {};
  if (path.empty() || statx(AT_FDCWD, path.c_str(), 0, kStatxWanted, &sx) != 0) return 0;
  return CreationTime(sx);
}

}  // namespace balvek::platform
