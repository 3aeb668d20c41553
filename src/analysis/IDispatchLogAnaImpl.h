#pragma once
// The analyzer as page script sees it: analyze starts a run over the
// player's records with the page's callbacks, stop ends it, nTotal and
// nProgress show how far it is, cache reaches the persistent cache and
// global keeps one object of the page's own.
#include "analysis/EventCalls.h"
#include "analysis/LogAnaCallbacks.h"
#include "analysis/LogAnaThread.h"
#include "script/ScriptObject.h"

namespace balvek::analysis {

class IDispatchLogAnaImpl final : public script::ScriptObject, public LogAnaThread {
 public:
  static constexpr script::DISPID kAnalyze = 101, kStop = 102, kNTotal = 103, kNProgress = 104, kCache = 105,
                                  kGlobal = 106;

  // Bound to the web view window `webView`, whose parent is the main window.
  // None when the hands cannot reach the page script object. `store`: the
  // cache store (null: the process's).
  static script::Ref<IDispatchLogAnaImpl> Create(platform::WindowHandle webView, LogAnaCache* store = nullptr,
                                                 const platform::SettingsFile& settings = platform::Settings());

  // One step on the main thread: an OnEnumLog or OnEnumCache call, the
  // replay of one record, or the finish of the run.
  void Tick() override;

 protected:
  script::HRESULT InvokeMember(script::DISPID id, std::uint16_t wFlags, script::DispParams& params,
                               script::Variant* result) override;
  // Every id reaches InvokeMember, which writes the unknown-id line itself.
  bool KnowsId(script::DISPID) const override { return true; }

 private:
  IDispatchLogAnaImpl(platform::WindowHandle webView, LogAnaObjects objects, LogAnaCache* store,
                      const platform::SettingsFile& settings);
  ~IDispatchLogAnaImpl() override;

  script::HRESULT analyze(script::DispParams& params, script::Variant* result);
  script::HRESULT stop(script::DispParams& params, script::Variant* result);
  // The box "THREAD IS NOT EMPTY" when a worker is not joined or a run is
  // about to start.
  bool RefuseWhileRunning() const;
  // Attaches to the main window and makes the worker.
  script::HRESULT Start();
  platform::LPARAM AsLParam() { return reinterpret_cast<platform::LPARAM>(static_cast<script::Dispatch*>(this)); }
  void ReadOptions(script::Dispatch* options);
  void Finish();
  // The status text of a failed step, with the record name last shown.
  void ShowStepError(int which, script::HRESULT status);
  void ShowInfo(const record::RecordInfo& info);
  static void WriteProfile(const std::array<CallbackSlot, kCallbackCount>& slots, std::int32_t total,
                           std::int32_t run);
  script::HRESULT UnknownId(script::DISPID id, const script::DispParams& params) const;

  LogAnaCallbacks callbacks_;
  EventCalls events_;
  script::Ref<script::Dispatch> global_;
  bool ran_ = false;
  unsigned binds_ = 0;         // analyze calls that replaced the callback table
  bool finishing_ = false;     // inside OnAnalyzeEnd
  bool startPending_ = false;  // a run asked for from OnAnalyzeEnd, started by the next Tick
};

}  // namespace balvek::analysis
