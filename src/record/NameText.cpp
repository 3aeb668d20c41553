#include "record/NameText.h"

#include <cstdint>
#include <string>

namespace balvek::record {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        bytes.push_back(static_cast<char>(high << 4 | low));
        i += 2;
        continue;
      }
    }
    bytes.push_back(text[i]);
  }
  return bytes;
}

}  // namespace

std::u16string DecodeName(std::string_view encoded) {
  const std::string bytes = PercentDecode(encoded);
  std::u16string units;
  units.reserve(bytes.size());
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const auto b0 = static_cast<std::uint8_t>(bytes[i]);
    const auto follower = [&](std::size_t k) {
      return static_cast<std::uint8_t>(bytes[i + k]) & 0x3F;
    };
    if (b0 >= 0xC0 && b0 <= 0xDF) {
      if (i + 1 < n) {
        units.push_back(static_cast<char16_t>((b0 & 0x1F) << 6 | follower(1)));
        i += 2;
      } else {
        i += 1;
      }
    } else if (b0 >= 0xE0) {
      if (i + 2 < n) {
        units.push_back(
            static_cast<char16_t>((b0 & 0x0F) << 12 | follower(1) << 6 | follower(2)));
        i += 3;
      } else {
        i += 1;
      }
    } else {
      units.push_back(static_cast<char16_t>(static_cast<std::int8_t>(b0)));
      i += 1;
    }
  }
  return units;
}

}  // namespace balvek::record
