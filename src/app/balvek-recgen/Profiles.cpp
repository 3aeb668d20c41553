#include "balvek-recgen/Profiles.h"

#include <array>

namespace balvek::recgen {
namespace {

constexpr std::array<std::string_view, 24> kNames = {
    "ななし",   "雀士",       "山田太郎",   "リーチ好き", "東南西北",   "ぽんちゃん",
    "一発ツモ", "白發中",     "満貫さん",   "あかり",     "ミサキ",     "碁盤",
    "Guest",    "tsumo_kiri", "Player-7",   "Kazu",       "NoName",     "ron ron",
    "dora3",    "麻雀初心者", "黒い雀",     "海底摸月",   "café",       "50%off",
};

}  // namespace

std::string PercentEncode(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

PlayerProfile RandomProfile(Rng& rng) {
  PlayerProfile p;
  p.name = kNames[rng.Below(kNames.size())];
  p.dan = static_cast<int>(rng.Below(21));
  p.rate = 1400 + rng.Below(90000) / 100.0;
  constexpr char kMarks[] = {'M', 'M', 'M', 'F', 'C'};
  p.sx = kMarks[rng.Below(sizeof kMarks)];
  return p;
}

}  // namespace balvek::recgen
