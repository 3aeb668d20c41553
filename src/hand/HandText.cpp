#include "hand/HandText.h"

#include <charconv>

namespace balvek::hand {
namespace {

constexpr int kMaxCount = 255;

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

ParsedHand Error(std::string message) { return {std::nullopt, std::move(message)}; }

ParsedHand ParseCounts(std::string_view text) {
  CountVector counts{};
  int n = 0;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view field = Trim(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
    int value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || ec != std::errc() || end != field.data() + field.size())
      return Error("value " + std::to_string(n + 1) + " \"" + std::string(field) + "\" is not a number");
    if (value < 0 || value > kMaxCount)
      return Error("value " + std::to_string(n + 1) + " is " + std::to_string(value) + ", outside 0..255");
    if (n < kKinds) counts[n] = static_cast<std::uint8_t>(value);
    ++n;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (n != kKinds) return Error(std::to_string(n) + " values, expected 34");
  return {counts, {}};
}

ParsedHand ParseCompact(std::string_view text) {
  CountVector counts{};
  std::string digits;
  for (char ch : text) {
    if (ch == ' ' || ch == '\t') continue;
    if (ch >= '0' && ch <= '9') {
      digits += ch;
      continue;
    }
    int base;
    char highest;
    switch (ch) {
      case 'm':
        base = 0, highest = '9';
        break;
      case 'p':
        base = 9, highest = '9';
        break;
      case 's':
        base = 18, highest = '9';
        break;
      case 'z':
        base = 27, highest = '7';
        break;
      default:
        return Error(std::string("unknown letter '") + ch + "'");
    }
    if (digits.empty()) return Error(std::string("'") + ch + "' follows no digit");
    for (char d : digits) {
      if (d < '1' || d > highest) return Error(std::string("no tile ") + d + ch);
      if (counts[base + d - '1'] == kMaxCount) return Error("more than 255 tiles of one kind");
      ++counts[base + d - '1'];
    }
    digits.clear();
  }
  if (!digits.empty()) return Error("digits \"" + digits + "\" without a suit letter");
  return {counts, {}};
}

}  // namespace

ParsedHand ParseHand(std::string_view text) {
  text = Trim(text);
  if (text.find(',') != std::string_view::npos) return ParseCounts(text);
  return ParseCompact(text);
}

}  // namespace balvek::hand
