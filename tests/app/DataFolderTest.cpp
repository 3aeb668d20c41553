#include "app/DataFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fakes/RecordingDialogs.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"

namespace balvek::app {
namespace {

// Start-up in a data folder of its own; the working directory comes back
// afterwards.
class DataFolderTest : public ::testing::Test {
 protected:
  ~DataFolderTest() override { std::filesystem::current_path(before_); }

  testing::TempDir home;
  testing::ScopedEnv xdg{"XDG_DATA_HOME", home / "share"};
  testing::RecordingDialogs dialogs;
  const std::string data = home / "share/D-ORB/balvek/app";

 private:
  std::filesystem::path before_ = std::filesystem::current_path();
};

TEST_F(DataFolderTest, StartedElsewhereGoesToTheDataFolderAsTheGameClient) {
  std::filesystem::current_path(home.path());
  ASSERT_TRUE(EnterDataFolder("/usr/bin/logana"));
  EXPECT_EQ(std::filesystem::current_path(), data);
  EXPECT_TRUE(GameClientMode()) << "the name counts only when started in the data folder";
}

TEST_F(DataFolderTest, OnlyLoganaStartedInTheDataFolderIsTheAnalyzerAlone) {
  std::filesystem::current_path(home.path());
  ASSERT_TRUE(EnterDataFolder("/opt/balvek"));
  struct Case {
    const char* program;
    bool gameClient;
  };
  const Case cases[] = {{"/opt/x/logana", false}, {"/opt/x/logana.exe", false}, {"/opt/x/LogAna", true},
                        {"/opt/x/logana2", true},  {"/opt/x/balvek", true}};
  for (const Case& c : cases) {
    ASSERT_TRUE(EnterDataFolder(c.program));
    EXPECT_EQ(GameClientMode(), c.gameClient) << c.program;
  }
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DataFolderTest, NoLocalApplicationDataFolderEndsTheStart) {
  testing::ScopedEnv missing("XDG_DATA_HOME", "/proc/no/such/folder");
  EXPECT_FALSE(EnterDataFolder("/opt/balvek"));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "CSIDL_LOCAL_APPDATA failed");
  EXPECT_EQ(dialogs.boxes[0].caption, "BALVEK");
}

}  // namespace
}  // namespace balvek::app
