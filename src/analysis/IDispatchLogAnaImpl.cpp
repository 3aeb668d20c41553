#include "analysis/IDispatchLogAnaImpl.h"

#include <cstdio>

#include "platform/Clock.h"
#include "platform/DebugLog.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "platform/Window.h"
#include "record/Replay.h"
#include "script/Invoke.h"

namespace balvek::analysis {

using script::DispParams;
using script::HRESULT;
using script::Variant;

namespace {

constexpr script::MemberName kMembers[] = {
    {u"analyze", IDispatchLogAnaImpl::kAnalyze},   {u"stop", IDispatchLogAnaImpl::kStop},
    {u"nTotal", IDispatchLogAnaImpl::kNTotal},     {u"nProgress", IDispatchLogAnaImpl::kNProgress},
    {u"cache", IDispatchLogAnaImpl::kCache},       {u"global", IDispatchLogAnaImpl::kGlobal},
};

// The construction and destruction lines are written where the order of the
// analyzer's parts puts them.
const script::ScriptClass kClass{
    .name = "IDispatchLogAnaImpl",
    .members = kMembers,
    .unknownNameStatus = script::DISP_E_MEMBERNOTFOUND,
};

// A second analyze while a worker is not joined changes nothing.
constexpr HRESULT kRefusedWhileRunning = script::E_UNEXPECTED;

std::string Format(const char* format, auto... values) {
  char text[1024];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

}  // namespace

script::Ref<IDispatchLogAnaImpl> IDispatchLogAnaImpl::Create(platform::WindowHandle webView, LogAnaCache* store,
                                                             const platform::SettingsFile& settings) {
  LogAnaObjects objects;
  for (auto& player : objects.players) {
    player = IDispatchPlayerImpl::Create(webView);
    if (!player) return nullptr;
  }
  objects.logInfo = IDispatchLogInfoImpl::Create();
  objects.cache = IDispatchCacheImpl::Create(store);
  return script::Ref<IDispatchLogAnaImpl>::Adopt(
      new IDispatchLogAnaImpl(webView, std::move(objects), store, settings));
}

IDispatchLogAnaImpl::IDispatchLogAnaImpl(platform::WindowHandle webView, LogAnaObjects objects, LogAnaCache* store,
                                         const platform::SettingsFile& settings)
    : ScriptObject(kClass),
      LogAnaThread(*this, webView, std::move(objects), store, settings),
      events_(callbacks_, *logInfo, {players[0].get(), players[1].get(), players[2].get(), players[3].get()}) {
  platform::DebugLog("IDispatchLogAnaImpl CONSTRUCT\r\n");
}

IDispatchLogAnaImpl::~IDispatchLogAnaImpl() {
  global_.Reset();
  platform::DebugLog("IDispatchLogAnaImpl DESTRUCT\r\n");
  // A run that ended without its finish may have left changes unsaved.
  if (ran_ && Store().dirty()) Store().Save();
}

HRESULT IDispatchLogAnaImpl::InvokeMember(script::DISPID id, std::uint16_t wFlags, DispParams& params,
                                          Variant* result) {
  if (wFlags & script::DISPATCH_METHOD) {
    if (id == kAnalyze || id == kStop) {
      return id == kAnalyze ? analyze(params, result) : stop(params, result);
    }
    return UnknownId(id, params);
  }
  if (wFlags & script::DISPATCH_PROPERTYGET) {
    switch (id) {
      case kAnalyze:
        return DispatchMethod(&IDispatchLogAnaImpl::analyze, wFlags, params, result);
      case kStop:
        return DispatchMethod(&IDispatchLogAnaImpl::stop, wFlags, params, result);
      case kNTotal:
        if (result) *result = Variant::I4(nTotal());
        return script::S_OK;
      case kNProgress:
        if (result) *result = Variant::I4(nProgress());
        return script::S_OK;
      case kCache:
        if (result) *result = Variant::Object(cache.get());
        return script::S_OK;
      case kGlobal:
        if (result) *result = Variant::Object(global_);
        return script::S_OK;
      default:
        return UnknownId(id, params);
    }
  }
  if (wFlags & script::DISPATCH_PROPERTYPUT) {
    if (id != kGlobal) return UnknownId(id, params);
    if (params.cArgs != 1 || !params.rgvarg[0].Is(script::VT_DISPATCH)) return script::DISP_E_MEMBERNOTFOUND;
    global_ = script::Ref<script::Dispatch>(params.rgvarg[0].dispatch());
    return script::S_OK;
  }
  return script::DISP_E_MEMBERNOTFOUND;
}

HRESULT IDispatchLogAnaImpl::UnknownId(script::DISPID id, const DispParams& params) const {
  platform::DebugLog("IDispatchLogAnaImpl UNKNOWN Invoke dispid=%d/0x%0X cArg=%d", id, static_cast<unsigned>(id),
                     static_cast<int>(params.cArgs));
  return script::DISP_E_MEMBERNOTFOUND;
}

HRESULT IDispatchLogAnaImpl::analyze(DispParams& params, Variant*) {
  if (params.cArgs == 0 || !params.rgvarg[0].Is(script::VT_DISPATCH)) return script::E_INVALIDARG;
  // Refused before anything changes: a running worker keeps its options,
  // callbacks and filters, and its page keeps receiving its events.
  if (RefuseWhileRunning()) return kRefusedWhileRunning;
  const script::Ref<script::Dispatch> options(params.rgvarg[0].dispatch());
  iSortAs = 1;
  callbacks_.Bind(options);
  ++binds_;
  hasOnEnumLog = callbacks_.Has(kOnEnumLog);
  hasOnEnumCache = callbacks_.Has(kOnEnumCache);
  ReadOptions(options.get());

  if (callbacks_.Has(kOnAnalyzeBegin)) {
    // The page may call analyze again from here, which replaces the options.
    const script::Ref<script::Dispatch> keep = callbacks_.options;
    if (const HRESULT status = callbacks_.CallJSFunc(kOnAnalyzeBegin, nullptr, 0, nullptr)) return status;
  }
  // OnAnalyzeBegin may itself have started a run.
  if (RefuseWhileRunning()) return kRefusedWhileRunning;
  if (finishing_) {
    // Called from OnAnalyzeEnd: the last run's detach is still queued for
    // the main window. The run starts behind it, from Tick, so that the
    // main window's reference belongs to the new run.
    if (!platform::PostMessage(MainWindow(), platform::WM__MAINTHREAD_CALL, 0, AsLParam())) return script::S_FALSE;
    AddRef();
    startPending_ = true;
    return script::S_OK;
  }
  return Start();
}

bool IDispatchLogAnaImpl::RefuseWhileRunning() const {
  if (!ThreadNotJoined() && !startPending_) return false;
  platform::Dialogs().MessageBox(window(), "THREAD IS NOT EMPTY", "", platform::MB_OK | platform::MB_ICONERROR);
  return true;
}

HRESULT IDispatchLogAnaImpl::Start() {
  platform::SendMessage(MainWindow(), platform::WM__MAINTHREAD_ATTACH, 0, AsLParam());
  ran_ = true;
  runMs = 0;
  if (!StartThread()) {
    platform::SendMessage(MainWindow(), platform::WM__MAINTHREAD_DETACH, 0, AsLParam());
    return script::S_FALSE;
  }
  return script::S_OK;
}

void IDispatchLogAnaImpl::ReadOptions(script::Dispatch* options) {
  if (const auto sortAs = script::GetStringProperty(options, u"sortAs"); sortAs && !sortAs->empty()) {
    if (*sortAs == u"CTimeAscent") iSortAs = 0;
    if (*sortAs == u"CTimeDescent") iSortAs = 1;
  }
  enumPlayer.clear();
  if (const auto player = script::GetStringProperty(options, u"enumPlayer"); player && !player->empty())
    enumPlayer = *player;
  enumLobbyID = script::GetIntProperty(options, u"enumLobbyID", -1);
  enumFilter.matchMask = script::GetIntProperty(options, u"enumMatchMask", 0);
  enumFilter.match = script::GetIntProperty(options, u"enumMatch", 0);
  enumFilter.skipMask = script::GetIntProperty(options, u"enumSkipMask", 0);
  enumFilter.skip = script::GetIntProperty(options, u"enumSkip", 0);
  platform::DebugLog("iSortAs=%d enumLobbyID=%d enumMatch(%04X:%04X) enumSkip(%04X:%04X) enumPlayer.len=%d\r\n",
                     iSortAs, enumLobbyID, static_cast<unsigned>(enumFilter.matchMask),
                     static_cast<unsigned>(enumFilter.match), static_cast<unsigned>(enumFilter.skipMask),
                     static_cast<unsigned>(enumFilter.skip), static_cast<int>(enumPlayer.size()));
}

HRESULT IDispatchLogAnaImpl::stop(DispParams&, Variant*) {
  StopThread();
  return script::S_OK;
}

void IDispatchLogAnaImpl::ShowInfo(const record::RecordInfo& info) {
  logInfo->name = info.name;
  logInfo->gameType = info.gameType;
  logInfo->lobby = info.lobby;
}

void IDispatchLogAnaImpl::ShowStepError(int which, HRESULT status) {
  ShowStatus(Format("ERROR(%d) hr=%X %s", which, static_cast<unsigned>(status),
                    platform::Utf16ToUtf8(logInfo->name).c_str()));
}

void IDispatchLogAnaImpl::Tick() {
  if (startPending_) {
    startPending_ = false;
    Start();
    Release();  // the reference that kept the analyzer for this call
    return;
  }
  if (!TakeStep()) return;
  // A step that a finished or killed run left behind is only released.
  if (!running) {
    StepDone();
    return;
  }
  if (modeEnumLog) {
    ShowInfo(stepInfo);
    Variant info = Variant::Object(logInfo.get());
    Variant answer = Variant::Missing();
    const HRESULT status = callbacks_.CallJSFunc(kOnEnumLog, &info, 1, &answer);
    hr = status;
    selected = (answer.Is(script::VT_BOOL) && answer.boolVal() == script::VARIANT_TRUE) ||
               (answer.Is(script::VT_I4) && answer.i4() != 0);
    StepDone();
    if (status) ShowStepError(1, status);
  } else if (modeEnumCache) {
    const std::u16string key = cacheKey.value_or(u"");
    record::RecordInfo keyInfo;
    const bool fullName = ParseRecordName(keyInfo, key) == 0;
    if (IsRecordNameLength(key.size())) logInfo->name = key;
    if (fullName) ShowInfo(keyInfo);
    Variant args[2] = {Variant::Object(logInfo.get()), Variant::String(key)};
    const HRESULT status = fullName ? callbacks_.CallJSFunc(kOnEnumCache, args, 2, nullptr)
                                    : callbacks_.CallJSFunc(kOnEnumCache, &args[1], 1, nullptr);
    hr = status;
    StepDone();
    if (status) ShowStepError(2, status);
  } else if (nProgress() < nTotal()) {
    ShowStatus(Format("Analyzing %d/%d", nProgress(), nTotal()));
    ShowInfo(stepInfo);
    const std::uint32_t t0 = platform::TimeGetTime();
    const record::Players seats = {players[0].get(), players[1].get(), players[2].get(), players[3].get()};
    const HRESULT status = record::Replay(recordText, *logInfo, seats, events_);
    runMs += static_cast<std::int32_t>(platform::TimeGetTime() - t0);
    hr = status;
    StepDone();
    if (status) ShowStepError(3, status);
  } else {
    Finish();
  }
}

void IDispatchLogAnaImpl::Finish() {
  ShowStatus("done");
  StopThread();
  KillThread();
  // OnAnalyzeEnd may start the next run, whose worker and table take over
  // the fields: the profile is this run's, taken before.
  const std::int32_t total = totalMs, run = runMs;
  const std::array<CallbackSlot, kCallbackCount> before = callbacks_.slots;
  const unsigned binds = binds_;
  const script::Ref<script::Dispatch> keep = callbacks_.options;
  const std::uint32_t t0 = platform::TimeGetTime();
  finishing_ = true;
  if (callbacks_.Has(kOnAnalyzeEnd)) callbacks_.CallJSFunc(kOnAnalyzeEnd, nullptr, 0, nullptr);
  finishing_ = false;
  std::array<CallbackSlot, kCallbackCount> slots = callbacks_.slots;
  if (binds_ != binds) {
    slots = before;
    slots[kOnAnalyzeEnd].calls += 1;
    slots[kOnAnalyzeEnd].elapsedMs += static_cast<std::int32_t>(platform::TimeGetTime() - t0);
  }
  WriteProfile(slots, total, run);
  // The page's results of this run reach the file now, not only at exit.
  if (Store().dirty()) Store().Save();
}

void IDispatchLogAnaImpl::WriteProfile(const std::array<CallbackSlot, kCallbackCount>& slots, std::int32_t total,
                                       std::int32_t run) {
  platform::DebugLog("----- profile -----\r\n");
  for (int i = 0; i < kCallbackCount; ++i) {
    if (slots[i].calls == 0) continue;
    platform::DebugLog("%-14s %5d %7d\r\n", platform::Utf16ToUtf8(kCallbackNames[i]).c_str(), slots[i].elapsedMs,
                       slots[i].calls);
  }
  platform::DebugLog("total=%d run=%d\r\n", total, run);
}

}  // namespace balvek::analysis
