#include <gtest/gtest.h>

#include "fakes/RecordingDialogs.h"
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
  EXPECT_FALSE(ConsoleDialogs().SaveFile({kNoWindow, "Text file", "*.txt", "txt"}));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("TEHAI FULL"), std::string::npos);
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
