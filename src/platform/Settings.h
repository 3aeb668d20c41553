#pragma once
// The settings file "./config.ini": INI sections and KEY=value lines, names
// matched without regard to ASCII case, values trimmed of blanks.
//
// Two processes of the client (the window and the page's process) and two
// threads in each read and write it. A write rewrites the whole file under a
// new name and renames it over the old one, holding an exclusive lock on a
// lock file beside it while it reads, changes and replaces the text: a reader
// always sees a whole file and no writer loses another's key. Every line the
// write does not concern (unknown sections, keys, comments) stays as it was.
// Nothing is cached: each read sees the file as it is on disk.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace balvek::platform {

// The client reads its own keys into 260-byte buffers.
inline constexpr std::size_t kSettingMaxBytes = 259;

class SettingsFile {
 public:
  explicit SettingsFile(std::string path);

  const std::string& path() const { return path_; }

  // The value, or nothing when the file, the section or the key is missing.
  // A key present with an empty value gives an empty text.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;

  // Read with `fallback` for a missing key, cut to `max_bytes` (never inside
  // a UTF-8 sequence).
  std::string Get(std::string_view section, std::string_view key, std::string_view fallback,
                  std::size_t max_bytes = kSettingMaxBytes) const;

  // Replaces the key's value or adds the key (and the section); no value
  // removes the key. A value is one line: it is cut at its first line break.
  // The change is on disk when this returns. False when the file could not
  // be written, or a name is not usable in the file.
  bool Write(std::string_view section, std::string_view key,
             std::optional<std::string_view> value) const;

 private:
  std::string path_;
};

// The process's settings file, "./config.ini" in the current (data) folder.
const SettingsFile& Settings();

// The record folder: LOG/PATH when it names a writable folder, else the
// documents folder joined with "My Balvek". Creates nothing, writes nothing.
std::string GetLogPath(const SettingsFile& settings = Settings());

// The toolbar's homes: STATUS/GAME_HOME and STATUS/SCRIPT_HOME with the
// service's pages as defaults. A key present but empty gives "".
std::string GameHome(const SettingsFile& settings = Settings());
std::string ScriptHome(const SettingsFile& settings = Settings());
// Stores the address box text, cut to the 259 bytes the reader takes.
bool StoreGameHome(std::string_view address, const SettingsFile& settings = Settings());
bool StoreScriptHome(std::string_view address, const SettingsFile& settings = Settings());

// Cuts `text` to at most `max_bytes` without splitting a UTF-8 sequence.
std::string CutUtf8(std::string_view text, std::size_t max_bytes);

}  // namespace balvek::platform
