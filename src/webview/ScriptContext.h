#pragma once
// A JavaScriptCore global context seen through the automation model: native
// script objects appear to page script as objects whose reads and calls go
// through GetIDsOfNames and Invoke, and page objects appear to native code as
// DispatchEx. Everything here runs on the JS thread only.
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "script/Dispatch.h"
#include "script/Ref.h"
#include "script/Variant.h"

struct OpaqueJSContext;

namespace balvek::webview {

struct ScriptError {
  std::string message;  // "TypeError: ..."
  std::string source;   // URL or file of the script, when known
  int line = 0;         // 0 when unknown
};

class ScriptContext {
 public:
  // A native function made visible to script: arguments in script order; a
  // failing status becomes a script exception.
  using NativeFunction = std::function<script::HRESULT(std::span<const script::Variant> args, script::Variant* result)>;
  using ExternalProvider = std::function<script::Ref<script::Dispatch>()>;
  using ExceptionReporter = std::function<void(const ScriptError&)>;

  // A fresh global context of its own, its global object named "window".
  ScriptContext();
  // The page's global context (retained until Close).
  explicit ScriptContext(OpaqueJSContext* page);
  ~ScriptContext();
  ScriptContext(const ScriptContext&) = delete;
  ScriptContext& operator=(const ScriptContext&) = delete;

  OpaqueJSContext* context() const;

  // The page script object: the global object ("window") as a Dispatch.
  script::Ref<script::Dispatch> GlobalObject();

  // `window.external`: asked from `provider` on the first read in this
  // document, then kept.
  void SetExternalProvider(ExternalProvider provider);

  void SetGlobal(std::u16string_view name, const script::Variant& value);
  void DefineFunction(std::u16string_view name, NativeFunction function);

  // Runs `source`; the uncaught exception, if any.
  std::optional<ScriptError> Evaluate(std::string_view source, std::string_view sourceUrl);

  // The value as script's String() makes it.
  std::u16string ToText(const script::Variant& value);

  // Receives exceptions thrown by page functions that native code called
  // (they become DISP_E_EXCEPTION for the caller).
  void SetExceptionReporter(ExceptionReporter reporter);

  // The page is gone: page objects still held by native code let go of
  // their script values and fail from now on; the context is released.
  void Close();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace balvek::webview
