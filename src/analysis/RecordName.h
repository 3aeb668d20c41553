#pragma once
// Record names: "YYYYMMDDHHgm-TTTT-LLLL-...&tw=S", the base name of a record
// file. The part before the first '&' is the record's identifier at the
// service.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Folders.h"
#include "record/Player.h"

namespace balvek::analysis {

// True for the lengths a record name may have (34, 35, 36, 37, 42, 43).
bool IsRecordNameLength(std::size_t length);

// 0 when `name` is a record name: info gets its name, game type and lobby
// (the fields of the record information object).
// 1 when refused; info.name is set whenever the length fits, even then.
int ParseRecordName(record::RecordInfo& info, std::u16string_view name);

// The hour of the game from a file name ("2011010512gm-..."), as a file
// time with no time-zone conversion; 0 when the name has no valid date.
platform::FileTime NameTime(std::string_view file_name);

// The name up to, not including, its first '&'.
std::string_view RecordId(std::string_view record_name);

}  // namespace balvek::analysis
