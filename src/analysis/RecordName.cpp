#include "analysis/RecordName.h"

namespace balvek::analysis {
namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Wraps on overflow; a valid name has four digits here.
std::uint32_t ReadHex(std::u16string_view text) {
  std::uint32_t n = 0;
  for (char16_t c : text) {
    int d = HexDigit(c);
    if (d < 0) break;
    n = n * 16 + static_cast<std::uint32_t>(d);
  }
  return n;
}

std::uint32_t ReadDecimal(std::u16string_view text) {
  std::uint32_t n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    n = n * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return n;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1601-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysSince1601(int year, int month, int day) {
  std::int64_t y = year - 1601;
  std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day - 1;
}

}  // namespace

bool IsRecordNameLength(std::size_t length) {
  switch (length) {
    case 34: case 35: case 36: case 37: case 42: case 43:
      return true;
    default:
      return false;
  }
}

int ParseRecordName(record::RecordInfo& info, std::u16string_view name) {
  if (!IsRecordNameLength(name.size())) return 1;
  info.name = name;
  std::u16string_view tail = name.substr(name.size() - 5);
  if (tail.substr(0, 4) != u"&tw=" || tail[4] < u'0' || tail[4] > u'3') return 1;
  std::size_t type_at;
  if (name[10] == u'-') {
    type_at = 11;
  } else if (name[12] == u'-') {
    type_at = 13;
  } else {
    return 1;
  }
  // Read unsigned and kept as the same 32 bits, as the script object shows them.
  info.gameType = static_cast<std::int32_t>(ReadHex(name.substr(type_at)));
  info.lobby = static_cast<std::int32_t>(ReadDecimal(name.substr(type_at + 5)));
  return 0;
}

platform::FileTime NameTime(std::string_view file_name) {
  std::string_view::size_type gm = file_name.find("gm-");
  if (gm == std::string_view::npos || gm < 8) return 0;
  // Digits are taken as character codes minus '0', unchecked; the date
  // check below throws out what that makes of letters.
  auto number = [&](std::size_t at, std::size_t count) {
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) n = n * 10 + (file_name[i] - '0');
    return n;
  };
  const int year = number(0, 4), month = number(4, 2), day = number(6, 2);
  const int hour = gm >= 10 ? number(8, 2) : 0;
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23)
    return 0;
  const std::int64_t seconds = (DaysSince1601(year, month, day) * 24 + hour) * 3600;
  return static_cast<platform::FileTime>(seconds) * 10000000u;
}

std::string_view RecordId(std::string_view record_name) {
  return record_name.substr(0, record_name.find('&'));
}

}  // namespace balvek::analysis
