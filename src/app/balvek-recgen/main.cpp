// balvek-recgen OUTDIR --games N --seed S
// Writes N generated four-player game records under OUTDIR/log/<month>/.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "balvek-recgen/Corpus.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: balvek-recgen OUTDIR --games N --seed S\n");
  return 2;
}

bool ParseNumber(const char* text, unsigned long long& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return *text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  std::string outdir;
  unsigned long long games = 0, seed = 0;
  bool have_games = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--games" || arg == "--seed") && i + 1 < argc) {
      unsigned long long& target = arg == "--games" ? games : seed;
      if (!ParseNumber(argv[++i], target)) return Usage();
      have_games = have_games || arg == "--games";
    } else if (outdir.empty() && arg.rfind("--", 0) != 0) {
      outdir = arg;
    } else {
      return Usage();
    }
  }
  if (outdir.empty() || !have_games || games > 10000000) return Usage();
  try {
    const auto paths = balvek::recgen::WriteCorpus(outdir, static_cast<int>(games), seed);
    std::printf("%zu records written under %s/log\n", paths.size(), outdir.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "balvek-recgen: %s\n", e.what());
    return 1;
  }
  return 0;
}
