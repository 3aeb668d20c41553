#pragma once
// Number conversions of record values. They follow the C library's rules
// (leading white space and a sign allowed; where no number stands the result
// is 0 and nothing is consumed) but never look at or past `end`, and they do
// not depend on the process locale.
#include <cstdint>
#include <vector>

namespace balvek::record {

// Decimal integer, saturated to the 32-bit range. Advances p past the number.
std::int32_t ParseInt(const char*& p, const char* end);
// Decimal number with optional fraction and exponent. Advances p.
double ParseDouble(const char*& p, const char* end);

// A list value starting at p: empty when p holds the closing double quote,
// else numbers separated by single commas, ending at the first character
// after a number that is not a comma. `out` is emptied first.
void ReadIntList(const char* p, const char* end, std::vector<std::int32_t>& out);
void ReadDoubleList(const char* p, const char* end, std::vector<double>& out);

// Truncation toward zero, saturated to the 32-bit range (NaN gives 0), since
// record values may be anything a double can hold.
std::int32_t TruncateToInt32(double value);

}  // namespace balvek::record
