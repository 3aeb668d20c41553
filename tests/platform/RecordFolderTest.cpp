#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "fakes/RecordingDialogs.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "platform/Dialogs.h"
#include "platform/Folders.h"
#include "platform/RecordFolderCheck.h"
#include "platform/Settings.h"

namespace balvek::platform {
namespace {

using balvek::testing::ScopedEnv;
using balvek::testing::TempDir;

// A home of its own, so documents are <home>/Documents and nothing else leaks in.
class RecordFolderTest : public ::testing::Test {
 protected:
  RecordFolderTest()
      : home_("HOME", dir_.path()),
        config_("XDG_CONFIG_HOME", dir_ / ".config"),
        settings_(dir_ / "config.ini") {}

  std::string DefaultFolder() const { return dir_ / "Documents/My Balvek"; }
  std::string FileText() const {
    std::ifstream in(settings_.path());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempDir dir_;
  ScopedEnv home_, config_;
  SettingsFile settings_;
  balvek::testing::RecordingDialogs dialogs_;
};

TEST_F(RecordFolderTest, GetLogPathTakesOnlyAWritableFolder) {
  const std::string mine = dir_ / "mine";
  ASSERT_TRUE(CreateFolder(mine));
  struct Case {
    std::string stored, expected;
  } cases[] = {{mine, mine}, {"", DefaultFolder()}, {dir_ / "absent", DefaultFolder()}};
  for (const Case& c : cases) {
    settings_.Write("LOG", "PATH", c.stored);
    EXPECT_EQ(GetLogPath(settings_), c.expected) << c.stored;
  }
  chmod(mine.c_str(), 0555);
  settings_.Write("LOG", "PATH", mine);
  EXPECT_EQ(GetLogPath(settings_), DefaultFolder());
  EXPECT_FALSE(PathExists(dir_ / "Documents"));  // resolving creates nothing
}

TEST_F(RecordFolderTest, FirstStartAsksAndYesMakesTheFolder) {
  dialogs_.ScriptAnswers({IDYES});
  EXPECT_TRUE(CheckRecordFolder(7, settings_));
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].owner, 7u);
  EXPECT_EQ(dialogs_.boxes[0].text, std::string(kRecordFolderQuestion) + DefaultFolder());
  EXPECT_EQ(dialogs_.boxes[0].caption, kRecordFolderCaption);
  EXPECT_EQ(dialogs_.boxes[0].flags, MB_YESNO | MB_ICONQUESTION);
  EXPECT_TRUE(IsWritableFolder(DefaultFolder()));
  EXPECT_EQ(settings_.Read("LOG", "PATH"), DefaultFolder());

  dialogs_.boxes.clear();
  EXPECT_TRUE(CheckRecordFolder(7, settings_));  // next start: nothing to ask
  EXPECT_TRUE(dialogs_.boxes.empty());
}

TEST_F(RecordFolderTest, NoStoresThePathShowsTheErrorAndAsksAgainNextTime) {
  dialogs_.ScriptAnswers({IDNO});
  EXPECT_FALSE(CheckRecordFolder(7, settings_));
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[1].text, kRecordFolderFailed);
  EXPECT_EQ(dialogs_.boxes[1].caption, "");
  EXPECT_EQ(dialogs_.boxes[1].flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(settings_.Read("LOG", "PATH"), DefaultFolder());
  EXPECT_FALSE(PathExists(DefaultFolder()));

  dialogs_.boxes.clear();
  dialogs_.ScriptAnswers({IDNO});
  EXPECT_FALSE(CheckRecordFolder(7, settings_));
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[0].caption, kRecordFolderCaption);
}

TEST_F(RecordFolderTest, StoredFolderOrFileIsKeptAsItIs) {
  const std::string writable = dir_ / "w", read_only = dir_ / "ro", file = dir_ / "f";
  ASSERT_TRUE(CreateFolder(writable));
  ASSERT_TRUE(CreateFolder(read_only));
  chmod(read_only.c_str(), 0555);
  std::ofstream(file) << "x";
  struct Case {
    std::string stored;
    bool usable;
  } cases[] = {{writable, true}, {read_only, false}, {file, false}};
  for (const Case& c : cases) {
    settings_.Write("LOG", "PATH", c.stored);
    const std::string before = FileText();
    dialogs_.boxes.clear();
    EXPECT_EQ(CheckRecordFolder(7, settings_), c.usable) << c.stored;
    EXPECT_EQ(FileText(), before) << c.stored;
    ASSERT_EQ(dialogs_.boxes.size(), c.usable ? 0u : 1u) << c.stored;
    if (!c.usable) {
      EXPECT_EQ(dialogs_.boxes[0].text, kRecordFolderFailed);
    }
  }
}

TEST(Folders, XdgLocationsAndFallbacks) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path());
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  {
    ScopedEnv data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(DataFolder(), dir / ".local/share/D-ORB/balvek/app");
  }
  ScopedEnv data("XDG_DATA_HOME", dir / "data");
  EXPECT_EQ(DataFolder(), dir / "data/D-ORB/balvek/app");
  ASSERT_TRUE(CreateFolder(dir / "data"));
  EXPECT_EQ(PrepareDataFolder(), dir / "data/D-ORB/balvek/app");
  EXPECT_TRUE(IsWritableFolder(DataFolder()));

  EXPECT_EQ(DocumentsFolder(), dir / "Documents");
  ASSERT_TRUE(CreateFolder(dir / ".config"));
  std::ofstream(dir / ".config/user-dirs.dirs") << "# made by a test\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
  EXPECT_EQ(DocumentsFolder(), dir / "Dokumente");
}

TEST(Folders, ListFolderGivesKindsSizesAndTimes) {
  TempDir dir;
  ASSERT_TRUE(CreateFolder(dir / "sub"));
  std::ofstream(dir / "a.txt") << "12345";
  const FileTime before = FileTimeFromUnix(time(nullptr) - 5, 0);
  std::map<std::string, FolderEntry> seen;
  ASSERT_TRUE(ListFolder(dir.path(), [&](const FolderEntry& e) {
    seen[e.name] = e;
    return true;
  }));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(seen["sub"].is_folder);
  EXPECT_FALSE(seen["a.txt"].is_folder);
  EXPECT_EQ(seen["a.txt"].size, 5u);
  EXPECT_GT(seen["a.txt"].creation_time, before);
  EXPECT_EQ(seen["a.txt"].creation_time, FileCreationTime(dir / "a.txt"));
  EXPECT_FALSE(ListFolder(dir / "absent", [](const FolderEntry&) { return true; }));
  EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000u);
}

}  // namespace
}  // namespace balvek::platform
