#include "analysis/RecordName.h"

#include <gtest/gtest.h>

#include <ctime>

namespace balvek::analysis {
namespace {

TEST(ParseRecordName, AcceptsTheTwoLayoutsAndReadsTypeAndLobby) {
  struct Case {
    std::u16string name;
    int result;
    std::int32_t gameType, lobby;
  } cases[] = {
      {u"2011010512gm-00a9-0000-3f2b1c4d&tw=2", 0, 0x00a9, 0},       // 36, hyphen at 12
      {u"2011010512gm-00E1-1234-3f2b1c4d&tw=0", 0, 0x00e1, 1234},    // upper-case hex
      {u"2011010512-0009-0042-abcdefgh&tw=3", 0, 0x0009, 42},        // 34, hyphen at 10, no "gm-"
      {u"2011010512gm-0009-7447-0123456789abcde&tw=1", 0, 9, 7447},   // 43
      {u"2011010512gm-0009-0000-3f2b1c4d&tw=4", 1, 0, 0},            // seat beyond 3
      {u"2011010512gm-0009-0000-3f2b1c4d&tv=1", 1, 0, 0},
      {u"2011010512gmx0009x0000x3f2b1c4d&tw=1", 1, 0, 0},            // no hyphen at 10 or 12
  };
  for (const Case& c : cases) {
    record::RecordInfo info{u"old", 7, 7};
    EXPECT_EQ(ParseRecordName(info, c.name), c.result) << c.name.size();
    EXPECT_EQ(info.name, c.name);  // set once the length fits, even when refused
    if (c.result == 0) {
      EXPECT_EQ(info.gameType, c.gameType);
      EXPECT_EQ(info.lobby, c.lobby);
    }
  }
}

TEST(ParseRecordName, WrongLengthChangesNothing) {
  for (std::size_t length : {0, 5, 33, 38, 41, 44}) {
    record::RecordInfo info{u"old", 7, 7};
    std::u16string name(length, u'1');
    if (length >= 5) name.replace(length - 5, 5, u"&tw=1");
    EXPECT_EQ(ParseRecordName(info, name), 1) << length;
    EXPECT_EQ(info.name, u"old");
    EXPECT_EQ(info.gameType, 7);
  }
}

platform::FileTime Expected(int year, int month, int day, int hour) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  return static_cast<platform::FileTime>(timegm(&tm) + 11644473600LL) * 10000000u;
}

TEST(NameTime, ReadsTheHourBeforeGm) {
  struct Case {
    const char* name;
    platform::FileTime time;
  } cases[] = {
      {"2011010512gm-00a9-0000-3f2b1c4d&tw=2.mjlog", Expected(2011, 1, 5, 12)},
      {"20240229gm-00a9-0000-3f2b1c4d&tw=2", Expected(2024, 2, 29, 0)},  // gm at 8: no hour
      {"2011010512-0009-0042-abcdefgh&tw=3", 0},  // no "gm-"
      {"2011010gm-00a9", 0},                      // "gm-" before byte 8
      {"2023022912gm-00a9", 0},                   // no 29 February
      {"2011130112gm-00a9", 0},
      {"2011010524gm-00a9", 0},
      {"2011ab0512gm-00a9", 0},                   // letters are not digits
  };
  for (const Case& c : cases) EXPECT_EQ(NameTime(c.name), c.time) << c.name;
}

TEST(RecordId, IsThePartBeforeTheFirstAmpersand) {
  EXPECT_EQ(RecordId("2011010512gm-00a9-0000-3f2b1c4d&tw=2"), "2011010512gm-00a9-0000-3f2b1c4d");
  EXPECT_EQ(RecordId("plain"), "plain");
}

}  // namespace
}  // namespace balvek::analysis
