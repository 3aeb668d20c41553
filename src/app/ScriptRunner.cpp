#include "app/ScriptRunner.h"

#include <glib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "analysis/LogAnaCache.h"
#include "app/DataFolder.h"
#include "app/HeadlessWindows.h"
#include "app/MainWindow.h"
#include "platform/Folders.h"
#include "platform/Settings.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "script/ArgumentBlock.h"
#include "script/Invoke.h"
#include "webview/ScriptContext.h"

namespace balvek::app {

namespace {

using script::HRESULT;
using script::Variant;

// The status by which exit() unwinds the script that called it.
constexpr HRESULT kExitRequested = script::MakeStatus(0x80004004);  // E_ABORT

class Runner {
 public:
  Runner(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  int Run(const ScriptRunOptions& options, const std::string& source, const std::string& path);

 private:
  void InstallGlobals(const std::vector<std::string>& args);
  // A page function that native code called threw: printed as a page
  // console would, while the page goes on (its caller sees the status).
  void Report(const webview::ScriptError& error);
  // An exception nothing caught: the top level or a timer ends the run.
  void Fail(const webview::ScriptError& error);
  void Exit(int code);
  HRESULT SetTimeout(std::span<const Variant> args, Variant* result);
  void Fire(int id);
  bool HasWork() const;

  struct Timer {
    guint source;
    script::Ref<script::Dispatch> function;
    std::vector<Variant> args;
  };

  std::ostream& out_;
  std::ostream& err_;
  std::optional<webview::ScriptContext> page_;
  MainWindow* mainWindow_ = nullptr;
  std::map<int, Timer> timers_;
  int nextTimer_ = 1;
  std::optional<int> exitCode_;
};

int Runner::Run(const ScriptRunOptions& options, const std::string& source, const std::string& path) {
  const std::string address = options.address.empty() ? "file://" + path : options.address;
  ConsoleMainWindowView view(err_, options.quiet, address);
  MainWindow mainWindow(view);
  mainWindow_ = &mainWindow;
  page_.emplace();
  HeadlessWebView webView(mainWindow.handle(), *page_);
  mainWindow.SetWebView(webView.handle());

  page_->SetExceptionReporter([this](const webview::ScriptError& error) { Report(error); });
  InstallGlobals(options.args);
  if (const std::optional<webview::ScriptError> error = page_->Evaluate(source, path); error && !exitCode_)
    Fail(*error);
  platform::RunMessageLoop([this] { return !exitCode_ && HasWork(); });

  for (auto& [id, timer] : timers_) g_source_remove(timer.source);
  timers_.clear();
  page_.reset();  // the page goes before the windows: held page objects let go
  mainWindow_ = nullptr;
  return exitCode_.value_or(0);
}

bool Runner::HasWork() const {
  return !timers_.empty() || platform::PendingMessages() > 0 || mainWindow_->HasAttached();
}

void Runner::Report(const webview::ScriptError& error) {
  if (exitCode_) return;  // exit() unwinding, or a failure already reported
  err_ << (error.source.empty() ? std::string("?") : error.source) << ':' << error.line << ": " << error.message
       << '\n';
}

void Runner::Fail(const webview::ScriptError& error) {
  if (exitCode_) return;
  Report(error);
  Exit(1);
}

void Runner::Exit(int code) {
  exitCode_ = code;
  platform::PostQuitMessage(code);
}

void Runner::InstallGlobals(const std::vector<std::string>& args) {
  webview::ScriptContext& page = *page_;
  const script::Ref<script::Dispatch> window = page.GlobalObject();

  page.DefineFunction(u"print", [this, &page](std::span<const Variant> values, Variant*) {
    std::u16string line;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i) line += u' ';
      line += page.ToText(values[i]);
    }
    out_ << platform::Utf16ToUtf8(line) << std::endl;
    return script::S_OK;
  });
  page.DefineFunction(u"exit", [this](std::span<const Variant> values, Variant*) {
    Exit(!values.empty() && values[0].Is(script::VT_I4) ? values[0].i4() : 0);
    return kExitRequested;
  });
  page.DefineFunction(u"setTimeout",
                      [this](std::span<const Variant> values, Variant* result) { return SetTimeout(values, result); });
  page.DefineFunction(u"clearTimeout", [this](std::span<const Variant> values, Variant*) {
    if (!values.empty() && values[0].Is(script::VT_I4)) {
      if (const auto it = timers_.find(values[0].i4()); it != timers_.end()) {
        g_source_remove(it->second.source);
        timers_.erase(it);
      }
    }
    return script::S_OK;
  });

  Variant array;
  if (script::Succeeded(script::InvokeByName(window.get(), u"Array", script::DISPATCH_METHOD, &array))) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      script::ArgumentBlock push{Variant::String(platform::Utf8ToUtf16(args[i]))};
      script::CallByName(array.dispatch(), u"push", push.params(), nullptr);
    }
  }
  page.SetGlobal(u"scriptArgs", array);
}

HRESULT Runner::SetTimeout(std::span<const Variant> values, Variant* result) {
  if (values.empty() || !values[0].dispatch()) return script::E_INVALIDARG;
  const double delay = values.size() > 1 ? (values[1].Is(script::VT_I4) ? values[1].i4() : values[1].r8()) : 0;
  const int id = nextTimer_++;
  Timer timer{0, script::Ref<script::Dispatch>(values[0].dispatch()),
              std::vector<Variant>(values.begin() + std::min<std::size_t>(values.size(), 2), values.end())};
  struct Tag {
    Runner* runner;
    int id;
  };
  timer.source = g_timeout_add_full(
      G_PRIORITY_DEFAULT, delay > 0 ? static_cast<guint>(delay) : 0,
      [](gpointer data) -> gboolean {
        const Tag* tag = static_cast<Tag*>(data);
        tag->runner->Fire(tag->id);
        return G_SOURCE_REMOVE;
      },
      new Tag{this, id}, [](gpointer data) { delete static_cast<Tag*>(data); });
  timers_.emplace(id, std::move(timer));
  if (result) *result = Variant::I4(id);
  return script::S_OK;
}

void Runner::Fire(int id) {
  const auto it = timers_.find(id);
  if (it == timers_.end()) return;
  Timer timer = std::move(it->second);
  timers_.erase(it);
  if (exitCode_) return;
  script::ArgumentBlock args(std::move(timer.args));
  // The reporter has printed the exception; a timer has no caller to catch it.
  const HRESULT status = timer.function->Invoke(script::DISPID_VALUE, script::IID_NULL, 0, script::DISPATCH_METHOD,
                                                &args.params(), nullptr, nullptr, nullptr);
  if (script::Failed(status) && !exitCode_) Exit(1);
}

}  // namespace

int RunScriptFile(const ScriptRunOptions& options, std::ostream& out, std::ostream& err) {
  std::error_code error;
  const std::string path = std::filesystem::absolute(options.file, error).lexically_normal().string();
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    err << options.file << ": cannot read the script\n";
    return 1;
  }
  std::ostringstream source;
  source << file.rdbuf();
  std::string recordFolder;
  if (!options.record_folder.empty()) {
    recordFolder = std::filesystem::absolute(options.record_folder, error).lexically_normal().string();
    if (!platform::IsWritableFolder(recordFolder)) {
      err << options.record_folder << ": not a writable folder\n";
      return 1;
    }
  }
  if (!EnterDataFolder(ProgramPath())) return 1;
  if (!recordFolder.empty() && !platform::Settings().Write("LOG", "PATH", recordFolder)) {
    err << "cannot store the record folder in config.ini\n";
    return 1;
  }
  const int code = Runner(out, err).Run(options, source.str(), path);
  if (analysis::LogAnaCache* cache = analysis::LogAnaCache::InstanceIfMade()) cache->Save();
  return code;
}

}  // namespace balvek::app
