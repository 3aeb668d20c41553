#include "record/NameText.h"

#include <gtest/gtest.h>

namespace balvek::record {
namespace {

TEST(NameTextTest, PercentDecodedUtf8BecomesUtf16) {
  struct Case {
    const char* encoded;
    std::u16string units;
  } cases[] = {
      {"%E9%BA%BB", u"\u9EBB"},
      {"%e9%ba%bb", u"\u9EBB"},
      {"abc", u"abc"},
      {"a+b", u"a+b"},
      {"%20x", u" x"},
      {"%C3%A9", u"\u00E9"},
      {"%E3%83%84%E3%83%A2", u"\u30C4\u30E2"},
      {"50%", u"50%"},       // "%" without two more characters stands for itself
      {"%4", u"%4"},
      {"%zz", u"%zz"},       // not hexadecimal: itself
      {"", u""},
      // A lead byte whose followers are cut off gives nothing; the followers
      // present are bytes of their own, signed.
      {"%E9%BA", std::u16string(1, char16_t(0xFFBA))},
      {"%C3", u""},
      {"%80", std::u16string(1, char16_t(0xFF80))},
      // Followers are not checked; a four-byte lead counts as a three-byte one.
      {"%C3A", std::u16string(1, char16_t((0x03 << 6) | ('A' & 0x3F)))},
      {"%F0%9F%98%80", std::u16string({char16_t(0x07D8), char16_t(0xFF80)})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoded);
    EXPECT_EQ(DecodeName(c.encoded), c.units);
  }
}

}  // namespace
}  // namespace balvek::record
