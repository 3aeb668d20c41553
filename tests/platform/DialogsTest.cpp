#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "fakes/RecordingDialogs.h"
#include "fakes/TempDir.h"
#include "platform/DataError.h"
#include "platform/Dialogs.h"

namespace balvek::platform {
namespace {

TEST(DialogsTest, DefaultAnswerIsTheFocusedButton) {
  struct Case {
    std::uint32_t flags;
    int answer;
  };
  const Case cases[] = {
      {MB_OK | MB_ICONERROR, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO | MB_ICONQUESTION, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
  };
  for (const Case& c : cases) EXPECT_EQ(DefaultAnswer(c.flags), c.answer) << c.flags;
}

TEST(DialogsTest, FakeIsActiveForItsLifetimeThenConsoleReturns) {
  {
    testing::RecordingDialogs fake;
    fake.ScriptAnswers({IDNO});
    EXPECT_EQ(&Dialogs(), &fake);
    EXPECT_EQ(Dialogs().MessageBox(7, "first", "Cap", MB_YESNO), IDNO);
    EXPECT_EQ(Dialogs().MessageBox(kNoWindow, "second", "", MB_YESNO), IDYES);
    ASSERT_EQ(fake.boxes.size(), 2u);
    EXPECT_EQ(fake.boxes[0].owner, 7u);
    EXPECT_EQ(fake.boxes[0].caption, "Cap");
    EXPECT_EQ(fake.boxes[1].text, "second");
  }
  EXPECT_EQ(&Dialogs(), &ConsoleDialogs());
}

TEST(DialogsTest, ConsoleAnswersDefaultAndCancelsSaving) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ConsoleDialogs().MessageBox(kNoWindow, "TEHAI FULL", "", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  SaveFileRequest request;
  request.default_extension = "txt";
  EXPECT_FALSE(ConsoleDialogs().SaveFile(request));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("TEHAI FULL"), std::string::npos);
}

// The console stands in for the save dialog with a path from the command
// line; what the desktop dialog would refuse, it refuses too.
TEST(DialogsTest, ConsoleSaveAsFollowsTheRequest) {
  testing::TempDir dir;
  { std::ofstream(dir / "old.txt") << "x"; }
  { std::ofstream(dir / "locked.txt") << "x"; }
  mkdir((dir / "sub.d").c_str(), 0755);
  chmod((dir / "locked.txt").c_str(), 0444);
  SaveFileRequest request;
  request.default_extension = "txt";
  struct Case {
    std::string path;
    std::optional<int> answer;
    std::optional<std::string> chosen;
  };
  const Case cases[] = {
      {dir / "new.txt", std::nullopt, dir / "new.txt"},
      {dir / "stats", std::nullopt, dir / "stats.txt"},
      {dir / "missing/new.txt", std::nullopt, std::nullopt},
      {dir / "old.txt", std::nullopt, std::nullopt},  // keeping the file is the default
      {dir / "old.txt", IDYES, dir / "old.txt"},
      {dir / "old.txt", IDNO, std::nullopt},
      {dir.path() + "/", std::nullopt, std::nullopt},
      {dir / "sub.d", std::nullopt, std::nullopt},
  };
  ::testing::internal::CaptureStderr();
  for (const Case& c : cases) {
    SetConsoleDialogOptions({c.answer, c.path});
    EXPECT_EQ(ConsoleDialogs().SaveFile(request), c.chosen) << c.path;
  }
  // A file this user may not write is refused (root may write anything).
  SetConsoleDialogOptions({std::nullopt, dir / "locked.txt"});
  if (geteuid() != 0) {
    EXPECT_FALSE(ConsoleDialogs().SaveFile(request));
  }
  SetConsoleDialogOptions({});
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("already exists"), std::string::npos);
}

TEST(DialogsTest, ConsoleAnswersQuestionsAsConfigured) {
  ::testing::internal::CaptureStderr();
  SetConsoleDialogOptions({IDNO, std::nullopt});
  EXPECT_EQ(ConsoleDialogs().MessageBox(kNoWindow, "create?", "", MB_YESNO), IDNO);
  EXPECT_EQ(ConsoleDialogs().MessageBox(kNoWindow, "error", "", MB_OK | MB_ICONERROR), IDOK);
  SetConsoleDialogOptions({});
  EXPECT_EQ(ConsoleDialogs().MessageBox(kNoWindow, "create?", "", MB_YESNO), IDYES);
  ::testing::internal::GetCapturedStderr();
}

TEST(DialogsTest, ThrowDataErrorShowsTheBoxThenThrows) {
  testing::RecordingDialogs fake;
  try {
    ThrowDataError(kNoWindow, "INVALID TEHAI hai136=9", "", MB_ICONERROR);
    FAIL() << "no exception";
  } catch (const DataError& e) {
    EXPECT_STREQ(e.what(), "INVALID TEHAI hai136=9");
  }
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "INVALID TEHAI hai136=9");
  EXPECT_EQ(fake.boxes[0].flags, MB_ICONERROR);
}

}  // namespace
}  // namespace balvek::platform
