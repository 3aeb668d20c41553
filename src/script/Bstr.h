#pragma once
// An automation string: UTF-16 text with a length, or the null string. Code
// that only reads text treats null as empty; code that passes text on
// (a null argument versus "") can still tell them apart.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace balvek::script {

class Bstr {
 public:
  Bstr() = default;  // the null string
  Bstr(std::u16string text) : text_(std::move(text)) {}
  Bstr(std::u16string_view text) : text_(std::u16string(text)) {}
  Bstr(const char16_t* text) {
    if (text) text_ = std::u16string(text);
  }

  bool IsNull() const { return !text_.has_value(); }
  std::u16string_view View() const { return text_ ? std::u16string_view(*text_) : std::u16string_view(); }
  // Zero-terminated characters, or nullptr for the null string.
  const char16_t* CStr() const { return text_ ? text_->c_str() : nullptr; }
  std::u16string Text() const { return text_.value_or(std::u16string()); }

  friend bool operator==(const Bstr&, const Bstr&) = default;

 private:
  std::optional<std::u16string> text_;
};

}  // namespace balvek::script
