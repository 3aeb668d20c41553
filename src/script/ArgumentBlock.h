#pragma once
// Owns the values of an argument block and lays them out the way Invoke
// expects them: given in script order, stored reversed.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "script/Dispatch.h"
#include "script/Variant.h"

namespace balvek::script {

class ArgumentBlock {
 public:
  ArgumentBlock() = default;
  // `scriptOrder` as written in script: f(a, b) is {a, b}.
  ArgumentBlock(std::initializer_list<Variant> scriptOrder) : values_(scriptOrder.begin(), scriptOrder.end()) {
    Reverse();
  }
  explicit ArgumentBlock(std::vector<Variant> scriptOrder) : values_(std::move(scriptOrder)) { Reverse(); }

  ArgumentBlock(const ArgumentBlock&) = delete;
  ArgumentBlock& operator=(const ArgumentBlock&) = delete;

  // Valid while this block lives and is not changed.
  DispParams& params() {
    params_.rgvarg = values_.empty() ? nullptr : values_.data();
    params_.cArgs = static_cast<unsigned>(values_.size());
    return params_;
  }
  // The value at rgvarg index `i` (0 is the last script argument).
  Variant& operator[](unsigned i) { return values_[i]; }

 private:
  void Reverse() { std::reverse(values_.begin(), values_.end()); }

  std::vector<Variant> values_;
  DispParams params_;
};

}  // namespace balvek::script
