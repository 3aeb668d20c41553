#pragma once
// Record files on disk: "<record folder>/log/<month>/<record name>.mjlog",
// gzip-compressed, and empty placeholders for records still to download.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Settings.h"

namespace balvek::analysis {

// A decompressed record larger than this is refused rather than read whole.
inline constexpr std::size_t kMaxRecordBytes = 256u << 20;

// The extension from the last '.' is ".mjlog" in any letter case.
bool IsRecordFileName(std::string_view file_name);
// The file name without its folder and without ".mjlog".
std::string_view RecordNameOfFile(std::string_view path);

// Decompresses `path` (a file without the gzip header is read as it stands)
// in 4096-byte blocks into `buffer`, replacing its content. 0 on success; 1
// when the path is empty, the file cannot be opened, holds no data, or the
// stream is damaged or cut anywhere: `buffer` is then empty, never a part.
// buffer.c_str() has the zero byte the replay scans up to.
int ReadRecordFile(const std::string& path, std::string& buffer);

// Writes `bytes` into `path`, creating it when missing and not truncating it.
// 0 when every byte was written, 1 when not (the file is cut back to its old
// length, so a placeholder stays a placeholder), or the errno of the open.
int WriteRecordFile(const std::string& path, std::string_view bytes);

// The month folder's path for `name`, made on the way; nothing when the
// record folder is unusable or `name` is not a plain file name.
std::optional<std::string> MakeRecordPath(std::string_view name,
                                          const platform::SettingsFile& settings = platform::Settings());

// Leaves an empty file for `name` unless one (or a record) exists. Reports nothing.
void CreateRecordPlaceholder(std::string_view name,
                             const platform::SettingsFile& settings = platform::Settings());

}  // namespace balvek::analysis
