#pragma once
// Reads back an array that a FakePageObject's "Array" made: its elements
// "0", "1", ... up to the first one missing.
#include <string>
#include <vector>

#include "fakes/FakePageObject.h"
#include "script/Variant.h"

namespace balvek::analysis::test {

inline std::vector<script::Variant> Elements(const script::Variant& array) {
  std::vector<script::Variant> elements;
  auto* page = static_cast<fakes::FakePageObject*>(array.dispatch());
  for (int i = 0; page; ++i) {
    const std::string digits = std::to_string(i);
    const script::Variant* value = page->Get(std::u16string(digits.begin(), digits.end()));
    if (!value) break;
    elements.push_back(*value);
  }
  return elements;
}

}  // namespace balvek::analysis::test
