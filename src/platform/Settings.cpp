#include "platform/Settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Folders.h"
#include "platform/ServiceHost.h"
#include "platform/Text.h"

namespace balvek::platform {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// One line of the file, its line break included, with what it declares.
struct Line {
  std::string_view text;
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // for a key, trimmed
};

Line Classify(std::string_view text) {
  Line line;
  line.text = text;
  std::string_view body = Trim(text);
  if (!body.empty() && body.front() == '[') {
    body.remove_prefix(1);
    line.kind = Line::kSection;
    line.name = Trim(body.substr(0, body.find(']')));
    return line;
  }
  std::string_view::size_type eq = body.find('=');
  if (eq != std::string_view::npos) {
    line.kind = Line::kKey;
    line.name = Trim(body.substr(0, eq));
    line.value = Trim(body.substr(eq + 1));
  }
  return line;
}

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    std::string_view::size_type end = text.find('\n');
    end = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(Classify(text.substr(0, end)));
    text.remove_prefix(end);
  }
  return lines;
}

// Index range [begin, end) of the key lines of the first section `section`,
// begin pointing after its header; nothing when there is no such section.
struct SectionRange {
  std::size_t header = 0, begin = 0, end = 0;
};

std::optional<SectionRange> FindSection(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Line::kSection || !EqualsIgnoringAsciiCase(lines[i].name, section)) continue;
    SectionRange range{i, i + 1, i + 1};
    while (range.end < lines.size() && lines[range.end].kind != Line::kSection) ++range.end;
    return range;
  }
  return std::nullopt;
}

std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
  std::vector<Line> lines = SplitLines(text);
  std::optional<SectionRange> range = FindSection(lines, section);
  if (!range) return std::nullopt;
  for (std::size_t i = range->begin; i < range->end; ++i)
    if (lines[i].kind == Line::kKey && EqualsIgnoringAsciiCase(lines[i].name, key)) return std::string(lines[i].value);
  return std::nullopt;
}

// The text with the key set or removed, new lines in the file's own line-break style.
std::string ChangeValue(std::string_view text, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
  const std::string_view eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
  std::string key_line;
  if (value) key_line = std::string(key) + "=" + std::string(*value) + std::string(eol);

  std::vector<Line> lines = SplitLines(text);
  std::optional<SectionRange> range = FindSection(lines, section);
  std::string out;
  out.reserve(text.size() + key_line.size() + section.size() + 8);
  if (!range) {
    out.append(text);
    if (!value) return out;
    if (!out.empty() && out.back() != '\n') out.append(eol);
    out.append("[").append(section).append("]").append(eol).append(key_line);
    return out;
  }
  // A new key goes after the section's last key line, before blank lines and
  // comments that lead into the next section.
  std::size_t insert_at = range->begin;
  for (std::size_t i = range->begin; i < range->end; ++i)
    if (lines[i].kind == Line::kKey) insert_at = i + 1;
  bool done = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const bool is_key = i >= range->begin && i < range->end && lines[i].kind == Line::kKey &&
                        EqualsIgnoringAsciiCase(lines[i].name, key);
    if (is_key) {
      if (!done) out.append(key_line);  // empty when removing
      done = true;
      continue;
    }
    if (i == insert_at && !done) {
      if (i > 0 && !lines[i - 1].text.empty() && lines[i - 1].text.back() != '\n') out.append(eol);
      out.append(key_line);
      done = true;
    }
    out.append(lines[i].text);
  }
  if (!done) {
    if (!out.empty() && out.back() != '\n') out.append(eol);
    out.append(key_line);
  }
  return out;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
  Fd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  text.clear();
  if (fd.get() < 0) return errno == ENOENT;
  char block[4096];
  for (;;) {
    ssize_t n = read(fd.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    text.append(block, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes `text` under a new name, flushes it to disk and renames it over `path`.
bool ReplaceFile(const std::string& path, std::string_view text) {
  const std::string fresh = path + ".new";
  Fd fd(open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) return false;
  struct stat old {};
  if (stat(path.c_str(), &old) == 0) fchmod(fd.get(), old.st_mode & 07777);
  bool ok = WriteAll(fd.get(), text) && fsync(fd.get()) == 0;
  ok = close(fd.release()) == 0 && ok;
  if (ok && rename(fresh.c_str(), path.c_str()) == 0) return true;
  unlink(fresh.c_str());
  return false;
}

bool UsableName(std::string_view name) {
  return !name.empty() && name.find_first_of("[]=\r\n") == std::string_view::npos &&
         Trim(name).size() == name.size();
}

}  // namespace

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {}

std::optional<std::string> SettingsFile::Read(std::string_view section, std::string_view key) const {
  std::string text;
  if (!ReadWholeFile(path_, text)) return std::nullopt;
  return FindValue(text, section, key);
}

std::string SettingsFile::Get(std::string_view section, std::string_view key,
                              std::string_view fallback, std::size_t max_bytes) const {
  std::optional<std::string> value = Read(section, key);
  return CutUtf8(value ? std::string_view(*value) : fallback, max_bytes);
}

bool SettingsFile::Write(std::string_view section, std::string_view key,
                         std::optional<std::string_view> value) const {
  if (!UsableName(section) || !UsableName(key)) return false;
  if (value) value = Trim(value->substr(0, value->find_first_of("\r\n")));

  // Serialises writers of every process; the lock file is never replaced, so
  // all of them lock the same inode.
  const std::string lock_path = path_ + ".lock";
  Fd lock(open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (lock.get() < 0) return false;
  while (flock(lock.get(), LOCK_EX) != 0)
    if (errno != EINTR) return false;

  std::string text;
  if (!ReadWholeFile(path_, text)) return false;
  std::string changed = ChangeValue(text, section, key, value);
  if (changed == text && (!changed.empty() || !PathExists(path_))) return true;
  return ReplaceFile(path_, changed);
}

const SettingsFile& Settings() {
  static const SettingsFile settings("./config.ini");
  return settings;
}

std::string CutUtf8(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  std::size_t end = max_bytes;
  // Step back over continuation bytes to the start of the cut sequence.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

std::string GetLogPath(const SettingsFile& settings) {
  std::string path = settings.Get("LOG", "PATH", "");
  if (IsWritableFolder(path)) return path;
  return JoinPath(DocumentsFolder(), "My Balvek");
}

std::string GameHome(const SettingsFile& settings) {
  return settings.Get("STATUS", "GAME_HOME", GamePageAddress());
}

std::string ScriptHome(const SettingsFile& settings) {
  return settings.Get("STATUS", "SCRIPT_HOME", ScriptPageAddress());
}

bool StoreGameHome(std::string_view address, const SettingsFile& settings) {
  return settings.Write("STATUS", "GAME_HOME", CutUtf8(address, kSettingMaxBytes));
}

bool StoreScriptHome(std::string_view address, const SettingsFile& settings) {
  return settings.Write("STATUS", "SCRIPT_HOME", CutUtf8(address, kSettingMaxBytes));
}

}  // namespace balvek::platform
