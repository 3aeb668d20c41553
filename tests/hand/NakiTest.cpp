#include <gtest/gtest.h>

#include "hand/Naki.h"
#include "hand/NakiCodes.h"

namespace balvek::hand {
namespace {

using namespace balvek::testing;
using Tiles = std::array<std::uint8_t, 4>;

TEST(NakiTest, DecodesEveryType) {
  struct Case {
    std::uint16_t m;
    NakiType type;
    Tiles t;
  };
  const Case cases[] = {
      {1547, NakiType::Pon, {5, 6, 7, 255}},
      {PonCode(1, 0, 1, 2), NakiType::Pon, {6, 5, 7, 255}},
      {PonCode(1, 2, 2, 1), NakiType::Pon, {7, 4, 5, 255}},
      // From 0 nothing was called: ascending whatever `called` says.
      {PonCode(1, 0, 2, 0), NakiType::Pon, {5, 6, 7, 255}},
      {22535, NakiType::Chi, {40, 36, 44, 255}},
      {ChiCode(24, 3, 0, 2, 2, 3), NakiType::Chi, {106, 99, 100, 255}},
      {ChiCode(24, 3, 0, 2, 2, 0), NakiType::Chi, {99, 100, 106, 255}},
      {MinkanCode(18, 1), NakiType::Minkan, {18, 16, 17, 19}},
      {AnkanCode(16), NakiType::Ankan, {16, 17, 18, 19}},
      {ChakanCode(PonCode(1, 0, 0, 3)), NakiType::Chakan, {4, 5, 6, 7}},
      {ChakanCode(PonCode(33, 3, 1, 2)), NakiType::Chakan, {135, 132, 133, 134}},
      {NukiCode(120), NakiType::Nuki, {120, 255, 255, 255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m);
    const std::optional<Naki> naki = DecodeNaki(c.m);
    ASSERT_TRUE(naki);
    EXPECT_EQ(naki->type, c.type);
    EXPECT_EQ(naki->t, c.t);
  }
}

TEST(NakiTest, RefusesCodesOfNoMeld) {
  // A called tile with only the set-aside bit.
  EXPECT_FALSE(DecodeNaki(0x21));
  EXPECT_FALSE(DecodeNaki(0xFF23));
  // Sequence starts past the last one of the third suit would be honors.
  EXPECT_FALSE(DecodeNaki(static_cast<std::uint16_t>((21 * 3) << 10 | 0x4 | 1)));
  EXPECT_TRUE(DecodeNaki(static_cast<std::uint16_t>((20 * 3 + 2) << 10 | 0x4 | 1)));
}

}  // namespace
}  // namespace balvek::hand
