#pragma once
// A fresh script context with check() and keep() for tests: check(cond,
// what) records failures, keep(v) hands a value to the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Text.h"
#include "webview/ScriptContext.h"

namespace balvek::webview {

class ScriptFixture : public ::testing::Test {
 protected:
  ScriptFixture() {
    page.DefineFunction(u"check", [this](std::span<const script::Variant> args, script::Variant*) {
      if (args.empty() || !(args[0].Is(script::VT_BOOL) && args[0].boolVal()))
        failures.push_back(args.size() > 1 ? platform::Utf16ToUtf8(page.ToText(args[1])) : "check");
      return script::S_OK;
    });
    page.DefineFunction(u"keep", [this](std::span<const script::Variant> args, script::Variant*) {
      kept.assign(args.begin(), args.end());
      return script::S_OK;
    });
    page.SetExceptionReporter([this](const ScriptError& error) { reported.push_back(error); });
  }

  // Runs `source`, failing the test on an uncaught exception or a failed check.
  void Run(const std::string& source) {
    if (const auto error = page.Evaluate(source, "test.js")) ADD_FAILURE() << error->line << ": " << error->message;
    for (const std::string& failure : failures) ADD_FAILURE() << "check failed: " << failure;
    failures.clear();
  }

  ScriptContext page;
  std::vector<std::string> failures;
  std::vector<script::Variant> kept;
  std::vector<ScriptError> reported;
};

}  // namespace balvek::webview
