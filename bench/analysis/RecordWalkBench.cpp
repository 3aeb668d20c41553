// The record pass's walk over a tree of 20,000 record files (10 years of
// months, 166-167 files each, a placeholder in every tenth), against a plain
// recursive listing of the same tree with the same file facts.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "analysis/LogCollection.h"

namespace {

using namespace balvek;

constexpr int kFiles = 20000;

class QuietRun : public analysis::RunContext {
 public:
  bool GoesOn() const override { return true; }
  void Status(const std::string&) override {}
  void ShowError(const std::string&) override {}
};

// Made once per process under $TMPDIR and removed at exit.
const std::string& Tree() {
  static const std::string root = [] {
    std::string base = (std::filesystem::temp_directory_path() / "balvek-walk-XXXXXX").string();
    if (!mkdtemp(base.data())) std::abort();
    const std::string log = base + "/log";
    std::filesystem::create_directory(log);
    for (int i = 0; i < kFiles; ++i) {
      const int month = 200101 + (i % 120) / 12 * 100 + (i % 12);
      const std::string folder = log + "/" + std::to_string(month);
      std::filesystem::create_directory(folder);
      char name[64];
      std::snprintf(name, sizeof name, "%d%02d%02dgm-00a9-0000-%08x&tw=%d.mjlog", month, 1 + i % 28, i % 24,
                    static_cast<unsigned>(i), i % 4);
      const int fd = open((folder + "/" + name).c_str(), O_WRONLY | O_CREAT, 0644);
      if (fd < 0) std::abort();
      if (i % 10 != 0 && write(fd, "\x1f\x8b record", 9) != 9) std::abort();
      close(fd);
    }
    std::atexit([] { std::filesystem::remove_all(std::filesystem::path(Tree()).parent_path()); });
    return log;
  }();
  return root;
}

void BM_WalkRecordFolder(benchmark::State& state) {
  const std::string& root = Tree();
  QuietRun run;
  std::size_t found = 0;
  for (auto _ : state) {
    record::RecordInfo info;
    analysis::Progress progress;
    analysis::RecordLists lists;
    const int hr = analysis::WalkRecordFolder(
        root, {}, info, progress, run,
        [](const record::RecordInfo&, bool& selected) {
          selected = true;
          return 0;
        },
        lists);
    if (hr != 0) state.SkipWithError("walk failed");
    found = lists.logList.size();
    benchmark::DoNotOptimize(lists);
  }
  if (found != kFiles) state.SkipWithError("walk missed files");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles);
}
BENCHMARK(BM_WalkRecordFolder)->Unit(benchmark::kMillisecond);

// Baseline: the same tree listed with std::filesystem, asking each file for
// its kind and size, nothing else.
void BM_ListTreeBaseline(benchmark::State& state) {
  const std::string& root = Tree();
  for (auto _ : state) {
    std::size_t files = 0;
    std::uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      ++files;
      bytes += entry.file_size();
    }
    benchmark::DoNotOptimize(bytes);
    if (files != kFiles) state.SkipWithError("listing missed files");
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kFiles);
}
BENCHMARK(BM_ListTreeBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
