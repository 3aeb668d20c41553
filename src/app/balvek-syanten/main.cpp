// balvek-syanten [--repeat N] [--quiet] [FILE]
// Reads hands, one a line (34 comma-separated counts or "123m456p789s11z"),
// from FILE or standard input, and prints for each its shanten number, a tab,
// and for a ready 3n+1 hand its waits. Blank lines and lines starting with
// '#' are skipped. --repeat N evaluates all hands N times more and prints the
// hand count, the evaluations, the sum of the results and the nanoseconds per
// evaluation; --quiet leaves out the per-hand lines. Exit status 2 when some
// line was not a hand, 1 on a usage or file error.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "hand/HandText.h"
#include "hand/Syanten.h"

namespace {

using balvek::hand::CountVector;

int Usage() {
  std::fprintf(stderr, "usage: balvek-syanten [--repeat N] [--quiet] [FILE]\n");
  return 1;
}

void PrintHand(const CountVector& counts) {
  const int syanten = balvek::hand::CalcSyanten(counts);
  int total = 0;
  for (std::uint8_t n : counts) total += n;
  std::string line = std::to_string(syanten) + '\t';
  if (syanten == 0 && total % 3 == 1) {
    const char* separator = "";
    for (std::uint8_t kind : balvek::hand::CalcMachi(counts)) {
      line += separator + std::to_string(kind);
      separator = ",";
    }
  }
  std::puts(line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  long long repeat = 0;
  bool quiet = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
      char* end = nullptr;
      repeat = std::strtoll(argv[++i], &end, 10);
      if (*end != '\0' || repeat < 1) return Usage();
    } else if (std::strcmp(argv[i], "--quiet") == 0) {
      quiet = true;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return Usage();
    } else if (!path) {
      path = argv[i];
    } else {
      return Usage();
    }
  }

  std::ifstream file;
  if (path && std::strcmp(path, "-") != 0) {
    file.open(path);
    if (!file) {
      std::fprintf(stderr, "balvek-syanten: cannot open %s: %s\n", path, std::strerror(errno));
      return 1;
    }
  }
  std::istream& in = file.is_open() ? file : std::cin;

  std::vector<CountVector> hands;
  bool badLine = false;
  std::string text;
  for (long long number = 1; std::getline(in, text); ++number) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos || text[first] == '#') continue;
    const balvek::hand::ParsedHand parsed = balvek::hand::ParseHand(text);
    if (!parsed.counts) {
      std::fprintf(stderr, "balvek-syanten: line %lld: %s\n", number, parsed.error.c_str());
      badLine = true;
      continue;
    }
    hands.push_back(*parsed.counts);
    if (!quiet) PrintHand(*parsed.counts);
  }

  if (repeat > 0) {
    long long sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long long pass = 0; pass < repeat; ++pass)
      for (const CountVector& counts : hands) sum += balvek::hand::CalcSyanten(counts);
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    const long long evaluations = repeat * static_cast<long long>(hands.size());
    std::printf("hands %zu evaluations %lld sum %lld ns/evaluation %.1f\n", hands.size(), evaluations, sum,
                evaluations ? elapsed.count() / static_cast<double>(evaluations) : 0.0);
  }
  return badLine ? 2 : 0;
}
