#include "record/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace balvek::record {
namespace {

bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

const char* SkipSpace(const char* p, const char* end) {
  while (p < end && IsSpace(*p)) ++p;
  return p;
}

// from_chars reports overflow and underflow without a value; the C library's
// answer (infinity or the nearest small value) comes from strtod_l on a copy.
double OutOfRange(const char* first, const char* last) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
  const std::string copy(first, last);
  return strtod_l(copy.c_str(), nullptr, c_locale);
}

template <typename T, typename Parse>
void ReadList(const char* p, const char* end, std::vector<T>& out, Parse parse) {
  out.clear();
  if (p < end && *p == '"') return;
  for (;;) {
    out.push_back(parse(p, end));
    if (p >= end) return;
    const char stop = *p++;
    if (stop != ',') return;
  }
}

}  // namespace

std::int32_t ParseInt(const char*& p, const char* end) {
  const char* q = SkipSpace(p, end);
  bool negative = false;
  if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
  if (q >= end || *q < '0' || *q > '9') return 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; q < end && *q >= '0' && *q <= '9'; ++q) {
    if (value <= kMax + 1) value = value * 10 + (*q - '0');
  }
  p = q;
  if (negative) return value > kMax ? std::numeric_limits<std::int32_t>::min()
                                    : static_cast<std::int32_t>(-value);
  return value > kMax ? std::numeric_limits<std::int32_t>::max()
                      : static_cast<std::int32_t>(value);
}

double ParseDouble(const char*& p, const char* end) {
  const char* q = SkipSpace(p, end);
  const char* number = q;
  // from_chars takes a minus sign but not a plus sign.
  if (q < end && *q == '+' && q + 1 < end && *(q + 1) != '-' && *(q + 1) != '+') ++q;
  double value = 0;
  const auto [stop, error] = std::from_chars(q, end, value);
  if (error == std::errc::invalid_argument) return 0;
  if (error == std::errc::result_out_of_range) value = OutOfRange(number, stop);
  p = stop;
  return value;
}

void ReadIntList(const char* p, const char* end, std::vector<std::int32_t>& out) {
  ReadList(p, end, out, ParseInt);
}

void ReadDoubleList(const char* p, const char* end, std::vector<double>& out) {
  ReadList(p, end, out, ParseDouble);
}

std::int32_t TruncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (value >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace balvek::record
