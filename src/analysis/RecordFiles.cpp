#include "analysis/RecordFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>

#include "platform/Folders.h"
#include "platform/Text.h"

namespace balvek::analysis {
namespace {

constexpr unsigned kReadBlock = 4096;

// A name from the page must stay inside its month folder.
bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

}  // namespace

bool IsRecordFileName(std::string_view file_name) {
  std::string_view::size_type dot = file_name.rfind('.');
  return dot != std::string_view::npos && platform::EqualsIgnoringAsciiCase(file_name.substr(dot), ".mjlog");
}

std::string_view RecordNameOfFile(std::string_view path) {
  std::string_view::size_type slash = path.rfind('/');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  return IsRecordFileName(path) ? path.substr(0, path.size() - 6) : path;
}

int ReadRecordFile(const std::string& path, std::string& buffer) {
  buffer.clear();
  if (path.empty()) return 1;
  gzFile file = gzopen(path.c_str(), "rb");
  if (!file) return 1;
  char block[kReadBlock];
  int n;
  while ((n = gzread(file, block, kReadBlock)) > 0) {
    if (buffer.size() + static_cast<std::size_t>(n) > kMaxRecordBytes) {
      n = -1;
      break;
    }
    buffer.append(block, static_cast<std::size_t>(n));
  }
  // A cut stream is not a "serious" error to gzread: it ends with 0 and only
  // gzerror and gzclose tell that the data stopped inside the stream.
  int error = Z_OK;
  gzerror(file, &error);
  const bool closed = gzclose(file) == Z_OK;
  if (n < 0 || error != Z_OK || !closed || buffer.empty()) {
    buffer.clear();
    return 1;
  }
  return 0;
}

int WriteRecordFile(const std::string& path, std::string_view bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  struct stat before {};
  fstat(fd, &before);
  std::string_view rest = bytes;
  while (!rest.empty()) {
    ssize_t n = write(fd, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
  bool ok = rest.empty();
  // A part of a record would never be downloaded again: keep the placeholder.
  if (!ok && ftruncate(fd, before.st_size) != 0) ok = false;
  if (close(fd) != 0) ok = false;
  return ok ? 0 : 1;
}

std::optional<std::string> MakeRecordPath(std::string_view name,
                                          const platform::SettingsFile& settings) {
  if (!IsPlainFileName(name)) return std::nullopt;
  const std::string folder = platform::GetLogPath(settings);
  if (!platform::IsWritableFolder(folder)) return std::nullopt;
  unsigned month = 0;
  for (std::size_t i = 0; i < 6 && i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
    month = month * 10 + static_cast<unsigned>(name[i] - '0');
  const std::string log = platform::JoinPath(folder, "log");
  const std::string month_folder = platform::JoinPath(log, std::to_string(month));
  platform::CreateFolder(log);
  platform::CreateFolder(month_folder);
  return platform::JoinPath(month_folder, std::string(name) + ".mjlog");
}

void CreateRecordPlaceholder(std::string_view name, const platform::SettingsFile& settings) {
  std::optional<std::string> path = MakeRecordPath(name, settings);
  if (!path) return;
  int fd = open(path->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd >= 0) close(fd);
}

}  // namespace balvek::analysis
