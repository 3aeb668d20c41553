#include "analysis/RecordFiles.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <random>

#include "analysis/GzipFiles.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "platform/Folders.h"

namespace balvek::analysis {
namespace {

using balvek::testing::ReadBytes;
using balvek::testing::TempDir;
using balvek::testing::WriteBytes;
using balvek::testing::WriteGzip;

// Text that compresses to more than one deflate block and reads in many
// 4096-byte pieces.
std::string RecordText(std::size_t size) {
  std::mt19937 random(7);
  std::string text = "<mjloggm ver=\"2.3\">";
  while (text.size() < size) text += "<T" + std::to_string(random() % 136) + "/>";
  return text;
}

TEST(RecordFileName, ExtensionInAnyCase) {
  EXPECT_TRUE(IsRecordFileName("a.mjlog"));
  EXPECT_TRUE(IsRecordFileName("2011010512gm-0009-0000-aaaaaaaa&tw=0.MJLog"));
  EXPECT_FALSE(IsRecordFileName("a.mjlog.txt"));
  EXPECT_FALSE(IsRecordFileName("mjlog"));
  EXPECT_FALSE(IsRecordFileName("a.mjlo"));
  EXPECT_EQ(RecordNameOfFile("/r/log/201101/name&tw=1.MJLOG"), "name&tw=1");
}

TEST(ReadRecordFile, WholeTextOrFailureNeverAPart) {
  TempDir dir;
  const std::string text = RecordText(200000);
  WriteGzip(dir / "good.mjlog", text);
  WriteBytes(dir / "plain.mjlog", "<mjloggm/>");
  WriteBytes(dir / "empty.mjlog", "");
  WriteGzip(dir / "empty-stream.mjlog", "");

  const std::string gz = ReadBytes(dir / "good.mjlog");
  WriteBytes(dir / "cut.mjlog", gz.substr(0, gz.size() / 2));
  WriteBytes(dir / "no-trailer.mjlog", gz.substr(0, gz.size() - 4));
  std::string bad_crc = gz;
  bad_crc[bad_crc.size() - 6] ^= 0x55;
  WriteBytes(dir / "bad-crc.mjlog", bad_crc);
  std::string scrambled = gz;
  for (std::size_t i = gz.size() / 3; i < gz.size() / 3 + 64; ++i) scrambled[i] = static_cast<char>(0xFF);
  WriteBytes(dir / "scrambled.mjlog", scrambled);

  struct Case {
    std::string path;
    int result;
    std::string text;
  } cases[] = {
      {dir / "good.mjlog", 0, text},
      {dir / "plain.mjlog", 0, "<mjloggm/>"},  // no gzip header: read as it stands
      {dir / "empty.mjlog", 1, ""},
      {dir / "empty-stream.mjlog", 1, ""},
      {dir / "cut.mjlog", 1, ""},
      {dir / "no-trailer.mjlog", 1, ""},
      {dir / "bad-crc.mjlog", 1, ""},
      {dir / "scrambled.mjlog", 1, ""},
      {dir / "absent.mjlog", 1, ""},
      {"", 1, ""},
  };
  for (const Case& c : cases) {
    std::string buffer = "stale";
    EXPECT_EQ(ReadRecordFile(c.path, buffer), c.result) << c.path;
    EXPECT_EQ(buffer, c.text) << c.path;
  }
}

TEST(WriteRecordFile, FillsWithoutTruncatingAndReportsOpenErrors) {
  TempDir dir;
  WriteBytes(dir / "placeholder.mjlog", "");
  EXPECT_EQ(WriteRecordFile(dir / "placeholder.mjlog", "\x1f\x8b-record"), 0);
  EXPECT_EQ(ReadBytes(dir / "placeholder.mjlog"), "\x1f\x8b-record");
  EXPECT_EQ(WriteRecordFile(dir / "new.mjlog", "abc"), 0);
  EXPECT_EQ(ReadBytes(dir / "new.mjlog"), "abc");
  EXPECT_EQ(WriteRecordFile(dir / "new.mjlog", "X"), 0);
  EXPECT_EQ(ReadBytes(dir / "new.mjlog"), "Xbc");  // no truncation
  EXPECT_EQ(WriteRecordFile(dir / "absent/x.mjlog", "abc"), ENOENT);
}

// A write that runs out of room (a file-size limit stands in for a full
// disk) leaves the placeholder empty, so a later run downloads it again.
TEST(WriteRecordFile, ShortWriteLeavesThePlaceholderEmpty) {
  TempDir dir;
  const std::string path = dir / "placeholder.mjlog";
  WriteBytes(path, "");
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{10, 10};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(WriteRecordFile(path, std::string(100, 'x')));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadBytes(path), "");
}

class RecordPathTest : public ::testing::Test {
 protected:
  RecordPathTest() : home_("HOME", dir_.path()), settings_(dir_ / "config.ini") {
    platform::CreateFolder(dir_ / "rec");
    settings_.Write("LOG", "PATH", dir_ / "rec");
  }
  TempDir dir_;
  balvek::testing::ScopedEnv home_;
  platform::SettingsFile settings_;
};

TEST_F(RecordPathTest, MonthFolderFromTheFirstSixDigits) {
  struct Case {
    std::string name;
    std::optional<std::string> path;
  } cases[] = {
      {"2011010512gm-0009-0000-aaaaaaaa&tw=0", dir_ / "rec/log/201101/2011010512gm-0009-0000-aaaaaaaa&tw=0.mjlog"},
      {"0020110105", dir_ / "rec/log/2011/0020110105.mjlog"},  // "%d": no leading zeros
      {"2011x", dir_ / "rec/log/2011/2011x.mjlog"},
      {"game", dir_ / "rec/log/0/game.mjlog"},
      {"../escape", std::nullopt},
      {"a/b", std::nullopt},
      {"..", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeRecordPath(c.name, settings_), c.path) << c.name;
  EXPECT_TRUE(platform::IsFolder(dir_ / "rec/log/201101"));
}

TEST_F(RecordPathTest, PlaceholderIsEmptyAndNeverTouchesARecord) {
  const std::string name = "2011010512gm-0009-0000-aaaaaaaa&tw=0";
  CreateRecordPlaceholder(name, settings_);
  const std::string path = dir_ / "rec/log/201101/2011010512gm-0009-0000-aaaaaaaa&tw=0.mjlog";
  ASSERT_TRUE(platform::PathExists(path));
  EXPECT_EQ(ReadBytes(path), "");
  WriteBytes(path, "record");
  CreateRecordPlaceholder(name, settings_);
  EXPECT_EQ(ReadBytes(path), "record");
}

TEST_F(RecordPathTest, UnusableRecordFolderMakesNothing) {
  chmod((dir_ / "rec").c_str(), 0555);  // and the default under HOME does not exist
  EXPECT_EQ(MakeRecordPath("2011010512gm-0009-0000-aaaaaaaa&tw=0", settings_), std::nullopt);
  CreateRecordPlaceholder("2011010512gm-0009-0000-aaaaaaaa&tw=0", settings_);
  EXPECT_FALSE(platform::PathExists(dir_ / "rec/log"));
}

}  // namespace
}  // namespace balvek::analysis
