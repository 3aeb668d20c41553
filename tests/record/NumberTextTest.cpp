#include "record/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace balvek::record {
namespace {

using Ints = std::vector<std::int32_t>;
using Doubles = std::vector<double>;

TEST(NumberTextTest, IntegerConversionLikeTheCLibraryButSaturatedTo32Bits) {
  struct Case {
    const char* text;
    std::int32_t value;
    std::size_t consumed;
  } cases[] = {
      {"12,", 12, 2},         {"-7\"", -7, 2},       {"+5", 5, 2},
      {"  \t3x", 3, 4},       {"x", 0, 0},           {"-", 0, 0},
      {"\"", 0, 0},           {"", 0, 0},            {"2147483647", 2147483647, 10},
      {"2147483648", 2147483647, 10},                {"-2147483648", -2147483647 - 1, 11},
      {"-99999999999999999999", -2147483647 - 1, 21},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = c.text;
    const char* p = text.data();
    EXPECT_EQ(ParseInt(p, text.data() + text.size()), c.value);
    EXPECT_EQ(static_cast<std::size_t>(p - text.data()), c.consumed);
  }
}

TEST(NumberTextTest, DecimalOverflowAndUnderflowFollowTheCLibrary) {
  const std::string text = "1e999,-1e999,1e-999";
  Doubles values;
  ReadDoubleList(text.data(), text.data() + text.size(), values);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(values[0], HUGE_VAL);
  EXPECT_EQ(values[1], -HUGE_VAL);
  EXPECT_EQ(values[2], 0.0);
}

TEST(NumberTextTest, Lists) {
  struct Case {
    const char* text;
    Ints values;
  } cases[] = {
      {"\"", {}},
      {"1,2,3\"", {1, 2, 3}},
      {"1,2,\"", {1, 2, 0}},  // the conversion at the quote gives 0 and stops there
      {"x\"", {0}},
      {"1,,2\"", {1, 0, 2}},
      {"4 5\"", {4}},
      {"7", {7}},             // the end of the text ends the list
      {"", {0}},              // likewise the end of the text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string text = c.text;
    Ints values = {99};
    ReadIntList(text.data(), text.data() + text.size(), values);
    EXPECT_EQ(values, c.values);
  }
}

}  // namespace
}  // namespace balvek::record
