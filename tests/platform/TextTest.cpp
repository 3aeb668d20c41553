#include "platform/Text.h"

#include <gtest/gtest.h>

namespace balvek::platform {
namespace {

TEST(Text, RoundTripsEveryPlane) {
  const std::string utf8 = "a\xC3\xA9\xE6\x9D\xB1\xE9\xA2\xA8\xF0\x9F\x80\x84";  // a é 東風 🀄
  const std::u16string utf16 = u"a\u00E9\u6771\u98A8\U0001F004";
  EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
  EXPECT_EQ(Utf8ToUtf16(""), u"");
}

TEST(Text, IllFormedInputBecomesReplacementCharacters) {
  struct Case {
    std::string utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"\x80", u"\uFFFD"},                // lone continuation byte
      {"\xC3", u"\uFFFD"},                // truncated at the end
      {"\xC0\xAF", u"\uFFFD"},            // overlong '/'
      {"\xED\xA0\x80", u"\uFFFD"},        // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},    // above U+10FFFF
      {"\xE6\x9Dx", u"\uFFFDx"},          // broken sequence keeps what follows
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(u"\xDC00x"), "\xEF\xBF\xBDx");
}

TEST(Text, AsciiCaseFoldsLettersOnly) {
  EXPECT_TRUE(EqualsIgnoringAsciiCase(".MJLOG", ".mjlog"));
  EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
  EXPECT_FALSE(EqualsIgnoringAsciiCase(".mjlo", ".mjlog"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("[", "{"));  // 0x5B and 0x7B differ by 0x20 but are no letters
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC9", "\xE9"));  // É/é in Latin-1 are not ASCII
}

}  // namespace
}  // namespace balvek::platform
