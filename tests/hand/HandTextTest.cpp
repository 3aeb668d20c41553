#include <gtest/gtest.h>

#include "hand/HandTestUtil.h"
#include "hand/HandText.h"

namespace balvek::hand {
namespace {

TEST(HandTextTest, ReadsBothNotations) {
  struct Case {
    const char* text;
    CountVector counts;
  };
  CountVector counts{};
  counts[0] = 1, counts[33] = 4, counts[12] = 255;
  std::string list;
  for (int k = 0; k < kKinds; ++k) list += (k ? ", " : "") + std::to_string(counts[k]);
  const Case cases[] = {
      {"123m456p789s11z", testing::FromKinds({0, 1, 2, 12, 13, 14, 24, 25, 26, 27, 27})},
      {" 9m1m 7z\r", testing::FromKinds({8, 0, 33})},
      {"", CountVector{}},
      {list.c_str(), counts},
  };
  for (const Case& c : cases) {
    const ParsedHand parsed = ParseHand(c.text);
    ASSERT_TRUE(parsed.counts) << c.text << ": " << parsed.error;
    EXPECT_EQ(*parsed.counts, c.counts) << c.text;
  }
}

TEST(HandTextTest, NamesWhatIsWrong) {
  const std::string zeros33 = [] {
    std::string s = "0";
    for (int i = 1; i < 33; ++i) s += ",0";
    return s;
  }();
  struct Case {
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {zeros33, "33 values, expected 34"},
      {zeros33 + ",0,0", "35 values, expected 34"},
      {zeros33 + ",x", "value 34 \"x\" is not a number"},
      {zeros33 + ",", "value 34 \"\" is not a number"},
      {zeros33 + ",256", "value 34 is 256, outside 0..255"},
      {"12x", "unknown letter 'x'"},
      {"123", "digits \"123\" without a suit letter"},
      {"m1", "'m' follows no digit"},
      {"8z", "no tile 8z"},
      {"05m", "no tile 0m"},
  };
  for (const Case& c : cases) {
    const ParsedHand parsed = ParseHand(c.text);
    EXPECT_FALSE(parsed.counts) << c.text;
    EXPECT_EQ(parsed.error, c.error) << c.text;
  }
}

}  // namespace
}  // namespace balvek::hand
