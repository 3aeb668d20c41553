#pragma once
// Script strings are UTF-16; the client's narrow text (file names, window
// texts, saved files) is UTF-8. Conversions happen only at that boundary.
#include <string>
#include <string_view>

namespace balvek::platform {

// Ill-formed input (a lone surrogate, a broken UTF-8 sequence) becomes
// U+FFFD rather than being dropped, so lengths stay meaningful.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Compares ASCII letters without regard to case, every other byte exactly:
// the rule of settings names and file extensions, whatever the locale.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace balvek::platform
