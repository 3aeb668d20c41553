// Saving and loading a cache of 100,000 entries (record-name keys, page
// results of about 120 characters, a player name), against zlib alone
// writing and reading the same bytes at the same level. Each benchmark
// reports the process's peak resident memory: run one at a time
// (--benchmark_filter) to read it per operation.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "analysis/LogAnaCache.h"

namespace {

using namespace balvek;

constexpr int kEntries = 100000;

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

const std::string& Folder() {
  static const std::string folder = [] {
    std::string base = (std::filesystem::temp_directory_path() / "balvek-cache-XXXXXX").string();
    if (!mkdtemp(base.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return base;
  }();
  return folder;
}

void Fill(analysis::LogAnaCache& cache) {
  char key[64], value[256];
  for (int i = 0; i < kEntries; ++i) {
    std::snprintf(key, sizeof key, "20%02d%02d%02d%02dgm-00a9-0000-%08x&tw=%d", 10 + i % 10, 1 + i % 12, 1 + i % 28,
                  i % 24, static_cast<unsigned>(i * 2654435761u), i % 4);
    std::snprintf(value, sizeof value,
                  "{\"rank\":%d,\"score\":%d,\"agari\":%d,\"houjuu\":%d,\"reach\":%d,\"naki\":%d,"
                  "\"dora\":%d,\"yaku\":[%d,%d,%d],\"turns\":%d}",
                  i % 4 + 1, (i * 37) % 90000 - 30000, i % 7, i % 5, i % 3, i % 6, i % 9, i % 40, (i * 7) % 40,
                  (i * 13) % 40, 8 + i % 11);
    cache.Set(Ascii(key), Ascii(value), Ascii("player" + std::to_string(i % 50)));
  }
}

// The file's uncompressed bytes, as the store lays them out.
std::string Layout(const analysis::LogAnaCache& cache) {
  std::string bytes;
  auto u32 = [&](std::uint32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
  auto text = [&](const std::u16string& s) {
    u32(static_cast<std::uint32_t>(s.size()));
    bytes.append(reinterpret_cast<const char*>(s.data()), s.size() * 2);
  };
  u32(analysis::kCacheVersion);
  cache.ForEach([&](const std::u16string& key, const analysis::CacheEntry& entry) {
    text(key);
    text(entry.value);
    text(entry.player);
  });
  return bytes;
}

double PeakRssMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void ReportPeakMemory(benchmark::State& state) { state.counters["peak_rss_MB"] = PeakRssMB(); }

void BM_CacheSave(benchmark::State& state) {
  // A fresh file each run: one left by an earlier repetition would count as
  // another process's save and be merged first.
  std::filesystem::remove(Folder() + "/00.dat");
  analysis::LogAnaCache cache(Folder() + "/00.dat");
  Fill(cache);
  state.counters["filled_rss_MB"] = PeakRssMB();  // the store alone; the rest is the save's
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    cache.Set(u"zz-changed", Ascii(std::to_string(++round)), std::nullopt);
    state.ResumeTiming();
    if (!cache.Save()) state.SkipWithError("save failed");
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_CacheSave)->Unit(benchmark::kMillisecond);

void BM_GzipWriteBaseline(benchmark::State& state) {
  std::string bytes;
  {
    analysis::LogAnaCache cache(Folder() + "/unused.dat");
    Fill(cache);
    bytes = Layout(cache);
  }
  const std::string path = Folder() + "/baseline.gz";
  for (auto _ : state) {
    gzFile file = gzopen(path.c_str(), "wb9");
    if (!file || gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())) != static_cast<int>(bytes.size()) ||
        gzclose(file) != Z_OK)
      state.SkipWithError("gzip write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
  ReportPeakMemory(state);
}
BENCHMARK(BM_GzipWriteBaseline)->Unit(benchmark::kMillisecond);

// Makes the file the load benchmarks read, once, in a child process so
// that building it does not count in this process's peak memory.
const std::string& SavedFile() {
  static const std::string path = [] {
    std::string file = Folder() + "/load.dat";
    const pid_t child = fork();
    if (child == 0) {
      analysis::LogAnaCache cache(file);
      Fill(cache);
      _exit(cache.Save() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      std::abort();
    return file;
  }();
  return path;
}

void BM_CacheLoad(benchmark::State& state) {
  const std::string& path = SavedFile();
  for (auto _ : state) {
    auto cache = std::make_unique<analysis::LogAnaCache>(path);
    cache->Load();
    if (cache->size() != kEntries) state.SkipWithError("load lost entries");
    state.PauseTiming();  // freeing the map is not part of the load
    cache.reset();
    state.ResumeTiming();
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_CacheLoad)->Unit(benchmark::kMillisecond);

void BM_GzipReadBaseline(benchmark::State& state) {
  const std::string& path = SavedFile();
  for (auto _ : state) {
    gzFile file = gzopen(path.c_str(), "rb");
    std::string bytes;
    char block[1 << 16];
    int n;
    while ((n = gzread(file, block, sizeof block)) > 0) bytes.append(block, static_cast<std::size_t>(n));
    gzclose(file);
    benchmark::DoNotOptimize(bytes);
  }
  ReportPeakMemory(state);
}
BENCHMARK(BM_GzipReadBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
