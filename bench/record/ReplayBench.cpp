// Replay throughput on a generated corpus, against the floor of only
// decompressing the same files:
//   DecompressOnly          zlib alone, as the worker reads record files
//   DecompressAndReplay     (a) + reader, hands, calculator, native sink
//   ReplayOnly              the same replay on texts already in memory
//   ReplayToScript          (b) every callback a script function in a
//                           headless JavaScriptCore context, arrays included
//   ReplayToScriptNoArrays  (b) with "Array" missing: the calls alone
//
// The corpus is BALVEK_BENCH_CORPUS, else bench-corpus/ in the working
// directory; when it holds no records, 2000 are generated there first (seed 1).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis/EventCalls.h"
#include "analysis/IDispatchLogInfoImpl.h"
#include "analysis/IDispatchPlayerImpl.h"
#include "analysis/LogAnaCallbacks.h"
#include "balvek-recgen/Corpus.h"
#include "hand/Tehai.h"
#include "platform/Messages.h"
#include "platform/Window.h"
#include "script/Invoke.h"
#include "webview/ScriptContext.h"
#include "record/Player.h"
#include "record/Replay.h"
#include "record/ReplaySink.h"

namespace {

using namespace balvek;

constexpr int kCorpusSize = 2000;

std::vector<std::string> CorpusFiles() {
  const char* env = std::getenv("BALVEK_BENCH_CORPUS");
  const std::string dir = env && *env ? env : "bench-corpus";
  std::vector<std::string> files;
  const auto scan = [&] {
    files.clear();
    if (!std::filesystem::exists(dir)) return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      if (entry.is_regular_file() && entry.path().extension() == ".mjlog") {
        files.push_back(entry.path().string());
      }
    }
  };
  scan();
  if (files.empty()) {
    recgen::WriteCorpus(dir, kCorpusSize, 1);
    scan();
  }
  std::sort(files.begin(), files.end());
  return files;
}

const std::vector<std::string>& Files() {
  static const std::vector<std::string> files = CorpusFiles();
  return files;
}

// Reads a record file the way the analysis worker does: gzread in blocks
// of 4096 bytes into one growing buffer, then the zero byte.
bool ReadRecord(const std::string& path, std::string& text) {
  text.clear();
  gzFile file = gzopen(path.c_str(), "rb");
  if (!file) return false;
  char block[4096];
  int n;
  while ((n = gzread(file, block, sizeof block)) > 0) text.append(block, static_cast<std::size_t>(n));
  gzclose(file);
  return !text.empty();
}

class CountingSink : public record::ReplaySink {
 public:
  std::int32_t OnLogBegin(const record::RecordInfo&, const record::Players&) override { return Count(); }
  std::int32_t OnSceneBegin(std::span<const std::int32_t, 5>, std::span<const std::int32_t>) override {
    return Count();
  }
  std::int32_t OnTsumo(std::int32_t, std::int32_t) override { return Count(); }
  std::int32_t OnDahai(std::int32_t, std::int32_t) override { return Count(); }
  std::int32_t OnNaki(const record::NakiEvent&) override { return Count(); }
  std::int32_t OnDora(std::int32_t) override { return Count(); }
  std::int32_t OnReach(std::int32_t) override { return Count(); }
  std::int32_t OnAgari(const record::AgariEvent&) override { return Count(); }
  std::int32_t OnRyuukyoku(const record::RyuukyokuEvent&) override { return Count(); }
  std::int32_t OnSceneEnd() override { return Count(); }
  std::int32_t OnLogEnd(std::span<const double>) override { return Count(); }
  std::int64_t events = 0;

 private:
  std::int32_t Count() {
    ++events;
    return 0;
  }
};

struct Table {
  Table() {
    for (int i = 0; i < 4; ++i) players[i] = &seats[i];
  }
  std::array<hand::Tehai, 4> hands;
  std::array<record::Player, 4> seats{record::Player(hands[0]), record::Player(hands[1]),
                                      record::Player(hands[2]), record::Player(hands[3])};
  record::Players players;
  record::RecordInfo info;
};

void Report(benchmark::State& state, std::int64_t records, std::int64_t events) {
  state.SetItemsProcessed(records);
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
  if (events) {
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
  }
}

// The floor: decompression alone.
void BM_DecompressOnly(benchmark::State& state) {
  std::string text;
  std::int64_t records = 0, bytes = 0;
  for (auto _ : state) {
    for (const std::string& path : Files()) {
      if (!ReadRecord(path, text)) state.SkipWithError("unreadable record");
      bytes += static_cast<std::int64_t>(text.size());
      ++records;
    }
  }
  state.SetBytesProcessed(bytes);
  Report(state, records, 0);
}

// (a) decompression + reader + hands + calculator, events counted natively.
void BM_DecompressAndReplay(benchmark::State& state) {
  Table table;
  CountingSink sink;
  std::string text;
  std::int64_t records = 0;
  for (auto _ : state) {
    for (const std::string& path : Files()) {
      ReadRecord(path, text);
      if (record::Replay(text, table.info, table.players, sink) != 0) {
        state.SkipWithError("a record did not replay");
      }
      ++records;
    }
  }
  Report(state, records, sink.events);
}

// The replay alone on texts already in memory.
void BM_ReplayOnly(benchmark::State& state) {
  std::vector<std::string> texts(Files().size());
  for (std::size_t i = 0; i < texts.size(); ++i) ReadRecord(Files()[i], texts[i]);
  Table table;
  CountingSink sink;
  std::int64_t records = 0;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      record::Replay(text, table.info, table.players, sink);
      ++records;
    }
  }
  Report(state, records, sink.events);
}

// The page's web view window: answers "GETSCRIPT" with the global object.
class WebView final : public platform::MessageHandler {
 public:
  explicit WebView(webview::ScriptContext& page) : page_(page), window_(*this) {}
  platform::WindowHandle handle() const { return window_.handle(); }
  platform::LRESULT HandleMessage(platform::WindowHandle, std::uint32_t message, platform::WPARAM,
                                  platform::LPARAM lParam) override {
    if (message != platform::WM__NAMED_COMMAND || !lParam) return 0;
    return reinterpret_cast<platform::LRESULT>(page_.GlobalObject().Detach());
  }

 private:
  webview::ScriptContext& page_;
  platform::Window window_;
};

// Every callback touches its arguments the way a statistics page would read
// them, and counts itself.
const char* const kPage = R"(
var events = 0;
function touch(v) { return (v && typeof v === "object") ? v.length : v; }
var options = {
  Array: function () { return []; },
  OnLogBegin: function (info, players) { events++; touch(players); },
  OnSceneBegin: function (a, b, c, d, e, dora) { events++; touch(dora); },
  OnTsumo: function (who, hai) { events++; },
  OnDahai: function (who, hai) { events++; },
  OnNaki: function (who, m, type, from, t0, t1, t2, t3) { events++; },
  OnDora: function (hai) { events++; },
  OnReach: function (who) { events++; },
  OnAgari: function (who, t0, t1, t2, yaku, extra, ura, sc, pao, from) { events++; touch(yaku); touch(sc); },
  OnRyuukyoku: function (type, sc, tenpai) { events++; touch(sc); touch(tenpai); },
  OnSceneEnd: function () { events++; },
  OnLogEnd: function (owari) { events++; touch(owari); }
};
)";

void ReplayToScript(benchmark::State& state, bool arrays) {
  std::vector<std::string> texts(Files().size());
  for (std::size_t i = 0; i < texts.size(); ++i) ReadRecord(Files()[i], texts[i]);
  webview::ScriptContext page;
  if (page.Evaluate(kPage, "bench.js")) state.SkipWithError("page script failed");
  if (!arrays) page.Evaluate("delete options.Array;", "bench.js");
  WebView webView(page);
  const auto info = analysis::IDispatchLogInfoImpl::Create();
  std::array<script::Ref<analysis::IDispatchPlayerImpl>, 4> owned;
  std::array<analysis::IDispatchPlayerImpl*, 4> players{};
  record::Players seats{};
  for (int i = 0; i < 4; ++i) {
    owned[i] = analysis::IDispatchPlayerImpl::Create(webView.handle());
    players[i] = owned[i].get();
    seats[i] = owned[i].get();
  }
  const script::Ref<script::Dispatch> window = page.GlobalObject();
  script::Variant options;
  script::GetProperty(window.get(), u"options", &options);
  analysis::LogAnaCallbacks callbacks;
  callbacks.Bind(script::Ref<script::Dispatch>(options.dispatch()));
  analysis::EventCalls calls(callbacks, *info, players);
  std::int64_t records = 0, events = 0;
  for (auto _ : state) {
    page.Evaluate("events = 0;", "bench.js");
    for (const std::string& text : texts) {
      if (record::Replay(text, *info, seats, calls) != 0) state.SkipWithError("a record did not replay");
      ++records;
    }
    events += script::GetIntProperty(window.get(), u"events", 0);
  }
  Report(state, records, events);
}

void BM_ReplayToScript(benchmark::State& state) { ReplayToScript(state, true); }
void BM_ReplayToScriptNoArrays(benchmark::State& state) { ReplayToScript(state, false); }

BENCHMARK(BM_DecompressOnly)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_DecompressAndReplay)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ReplayOnly)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ReplayToScript)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ReplayToScriptNoArrays)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace

BENCHMARK_MAIN();
