#include "analysis/LogAnaCache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>

#include "analysis/GzipFiles.h"
#include "fakes/DebugLogListener.h"
#include "fakes/RecordingDialogs.h"
#include "fakes/TempDir.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"

namespace balvek::analysis {
namespace {

using balvek::testing::ReadBytes;
using balvek::testing::ReadGzip;
using balvek::testing::TempDir;
using balvek::testing::WriteGzip;

// The file layout written independently of the store: u32 LE lengths, UTF-16LE text.
struct Layout {
  std::string bytes;
  Layout& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    return *this;
  }
  Layout& Text(std::u16string_view s) {
    U32(static_cast<std::uint32_t>(s.size()));
    for (char16_t c : s) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
    return *this;
  }
  Layout& Record(std::u16string_view key, std::u16string_view value, std::u16string_view player) {
    return Text(key).Text(value).Text(player);
  }
};

std::vector<std::u16string> Keys(const LogAnaCache& cache) {
  std::vector<std::u16string> keys;
  cache.ForEach([&](const std::u16string& key, const CacheEntry&) { keys.push_back(key); });
  return keys;
}

class CacheTest : public ::testing::Test {
 protected:
  CacheTest() : path_(dir_ / "00.dat") {}

  TempDir dir_;
  std::string path_;
  balvek::testing::RecordingDialogs dialogs_;
};

TEST_F(CacheTest, SetAndGetFollowTheKindsOfKeys) {
  LogAnaCache cache(path_);
  EXPECT_EQ(cache.Get(u"missing"), std::nullopt);
  cache.Set(u"empty", u"", u"p");
  EXPECT_EQ(cache.Get(u"empty"), u"");
  EXPECT_FALSE(cache.dirty());  // the value did not change from empty

  cache.Set(u".seen", u"1", std::nullopt);
  cache.Set(u"#tmp", u"1", std::nullopt);
  EXPECT_EQ(cache.Get(u".seen"), u"1");
  EXPECT_FALSE(cache.dirty());
  cache.Set(u"!STATUS::X", u"1", std::nullopt);
  EXPECT_EQ(cache.Get(u"!STATUS::X"), std::nullopt);

  cache.Set(u"rec", u"v1", u"alice");
  EXPECT_TRUE(cache.dirty());
  cache.Set(u"rec", u"v1", u"bob");  // same value: the player stays
  cache.Set(u"rec2", u"v", std::nullopt);
  cache.Set(u"rec2", u"w", u"carol");  // new value with a player
  cache.Set(u"rec2", u"x", std::nullopt);  // new value without: player kept
  std::map<std::u16string, std::u16string> players;
  cache.ForEach([&](const std::u16string& key, const CacheEntry& e) { players[key] = e.player; });
  EXPECT_EQ(players[u"rec"], u"alice");
  EXPECT_EQ(players[u"rec2"], u"carol");
}

TEST_F(CacheTest, KeysOrderByUtf16CodeUnits) {
  LogAnaCache cache(path_);
  // U+FF21 sorts after the surrogate pair of U+1F600 in code units, though
  // before it in code points.
  for (std::u16string key : {u"b", u"\uFF21", u"ab", u"a", u"\U0001F600", u"B"}) cache.Set(key, u"v", std::nullopt);
  EXPECT_EQ(Keys(cache), (std::vector<std::u16string>{u"B", u"a", u"ab", u"b", u"\U0001F600", u"\uFF21"}));
}

TEST_F(CacheTest, SavedFileHasTheExactLayout) {
  LogAnaCache cache(path_);
  cache.Set(u"2011010100gm-0009-0000-aaaaaaaa&tw=0", u"{\"x\":1}", u"alice");
  cache.Set(u"abc", u"\u6771", std::nullopt);
  cache.Set(u"empty", u"", std::nullopt);
  cache.Set(u".transient", u"t", std::nullopt);
  cache.Set(u"#also", u"t", std::nullopt);
  ASSERT_TRUE(cache.Save());
  EXPECT_FALSE(cache.dirty());

  const std::string file = ReadBytes(path_);
  ASSERT_GT(file.size(), 10u);
  EXPECT_EQ(file.substr(0, 3), "\x1f\x8b\x08");
  EXPECT_EQ(file[8], 2);  // XFL: written at the highest compression level
  EXPECT_EQ(ReadGzip(path_), Layout()
                                 .U32(1000)
                                 .Record(u"2011010100gm-0009-0000-aaaaaaaa&tw=0", u"{\"x\":1}", u"alice")
                                 .Record(u"abc", u"\u6771", u"")
                                 .bytes);
  EXPECT_FALSE(platform::PathExists(path_ + ".new"));
}

TEST_F(CacheTest, LoadKeepsEveryCompleteRecordBeforeTheDamage) {
  Layout full = Layout().U32(1000);
  for (int i = 0; i < 3; ++i) full.Record(u"key" + std::u16string(1, u'0' + i), u"value", u"p");
  const std::string whole = full.bytes;
  struct Case {
    const char* name;
    std::string content;
    std::size_t loaded;
  } cases[] = {
      {"whole", whole, 3},
      {"cut inside the third key", whole.substr(0, whole.size() - 25), 2},
      {"cut after the third key", whole.substr(0, whole.size() - 20), 2},
      {"absurd length", Layout().U32(1000).Record(u"key0", u"value", u"").U32(0xFFFFFFF0u).bytes + "xy", 1},
      {"version 999", Layout().U32(999).Record(u"a", u"b", u"").bytes, 0},
      {"shorter than a version", "\xE8\x03", 0},
      {"empty", "", 0},
  };
  for (const Case& c : cases) {
    WriteGzip(path_, c.content);
    LogAnaCache cache(path_);
    cache.Load();
    EXPECT_EQ(cache.size(), c.loaded) << c.name;
    EXPECT_FALSE(cache.dirty()) << c.name;
    if (c.loaded > 0) {
      EXPECT_EQ(cache.Get(u"key0"), u"value") << c.name;
    }
  }
  balvek::testing::DebugLogListener log;
  WriteGzip(path_, Layout().U32(999).Record(u"a", u"b", u"").bytes);
  LogAnaCache old(path_);
  old.Load();
  if (log.bound()) {
    EXPECT_TRUE(log.Saw("LogAnaCache Load 0 / dwVersion=999/1000\r\n"));
  }
  LogAnaCache missing(dir_ / "absent.dat");
  missing.Load();
  EXPECT_EQ(missing.size(), 0u);
}

// A compressed stream cut in the middle: what zlib delivers before the cut
// loads, each entry whole and right.
TEST_F(CacheTest, CutCompressedStreamLoadsWhatCameBefore) {
  LogAnaCache cache(path_);
  constexpr int kEntries = 5000;
  for (int i = 0; i < kEntries; ++i) {
    std::u16string n;
    for (char c : std::to_string(i * 7919 % 100003)) n += static_cast<char16_t>(c);
    cache.Set(u"k" + n, u"v" + n + n + n, u"p");
  }
  ASSERT_TRUE(cache.Save());
  const std::string file = ReadBytes(path_);
  balvek::testing::WriteBytes(path_, file.substr(0, file.size() / 2));
  LogAnaCache cut(path_);
  cut.Load();
  EXPECT_GT(cut.size(), 0u);
  EXPECT_LT(cut.size(), static_cast<std::size_t>(kEntries));
  cut.ForEach([&](const std::u16string& key, const CacheEntry& entry) {
    EXPECT_EQ(entry.value, u"v" + key.substr(1) + key.substr(1) + key.substr(1));
  });
}

TEST_F(CacheTest, SaveOnlyWhatChangedAndClearLeavesTheVersion) {
  {
    LogAnaCache cache(path_);
    cache.Set(u".only", u"transient", std::nullopt);
    balvek::testing::DebugLogListener log;
    EXPECT_TRUE(cache.Save());
    if (log.bound()) {
      EXPECT_TRUE(log.Saw("SKIP SAVE\r\n"));
    }
    EXPECT_FALSE(platform::PathExists(path_));  // nothing lasting changed
    cache.Set(u"a", u"1", std::nullopt);
    ASSERT_TRUE(cache.Save());
  }
  LogAnaCache cache(path_);
  cache.Load();
  EXPECT_EQ(cache.Get(u"a"), u"1");
  EXPECT_EQ(cache.Get(u".only"), std::nullopt);
  cache.Clear();
  EXPECT_TRUE(cache.dirty());
  ASSERT_TRUE(cache.Save());
  EXPECT_EQ(ReadGzip(path_), Layout().U32(1000).bytes);
}

TEST_F(CacheTest, FailedSaveLeavesThePreviousFile) {
  LogAnaCache cache(path_);
  cache.Set(u"a", u"1", std::nullopt);
  ASSERT_TRUE(cache.Save());
  const std::string before = ReadBytes(path_);

  // The new file lands on a full device.
  ASSERT_EQ(symlink("/dev/full", (path_ + ".new").c_str()), 0);
  cache.Set(u"b", std::u16string(100000, u'x'), std::nullopt);
  EXPECT_FALSE(cache.Save());
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].text, "SaveCache failed\r\n");
  EXPECT_EQ(dialogs_.boxes[0].owner, platform::kNoWindow);
  EXPECT_EQ(dialogs_.boxes[0].caption, "");
  EXPECT_EQ(dialogs_.boxes[0].flags, platform::MB_OK);
  EXPECT_EQ(ReadBytes(path_), before);
  EXPECT_TRUE(cache.dirty());

  // A new file that cannot be made at all: silent, and still nothing lost.
  platform::CreateFolder(path_ + ".new");
  EXPECT_FALSE(cache.Save());
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(ReadBytes(path_), before);

  rmdir((path_ + ".new").c_str());
  EXPECT_TRUE(cache.Save());
  LogAnaCache reloaded(path_);
  reloaded.Load();
  EXPECT_EQ(reloaded.size(), 2u);
}

// Two stores on one file stand for two processes of the client: neither
// save overwrites what the other saved.
TEST_F(CacheTest, SavesOfTwoProcessesMerge) {
  {
    LogAnaCache seed(path_);
    seed.Set(u"shared", u"old", std::nullopt);
    seed.Set(u"gone", u"x", std::nullopt);
    ASSERT_TRUE(seed.Save());
  }
  LogAnaCache first(path_), second(path_);
  first.Load();
  second.Load();
  first.Set(u"from-first", u"1", std::nullopt);
  first.Set(u"shared", u"new", std::nullopt);
  ASSERT_TRUE(first.Save());
  second.Set(u"from-second", u"2", std::nullopt);
  ASSERT_TRUE(second.Save());
  EXPECT_EQ(second.Get(u"shared"), u"new");  // took the other's newer value

  LogAnaCache check(path_);
  check.Load();
  EXPECT_EQ(Keys(check), (std::vector<std::u16string>{u"from-first", u"from-second", u"gone", u"shared"}));
  EXPECT_EQ(check.Get(u"shared"), u"new");

  // A clear is the whole store's new state.
  first.Clear();
  first.Set(u"after-clear", u"1", std::nullopt);
  ASSERT_TRUE(first.Save());
  second.Set(u"late", u"3", std::nullopt);
  ASSERT_TRUE(second.Save());
  LogAnaCache last(path_);
  last.Load();
  EXPECT_EQ(Keys(last), (std::vector<std::u16string>{u"after-clear", u"late"}));
}

}  // namespace
}  // namespace balvek::analysis
