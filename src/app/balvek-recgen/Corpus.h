#pragma once
// A corpus of generated records: names, month folders and gzip files laid
// out as the client keeps them under its record folder.
#include <cstdint>
#include <string>
#include <vector>

#include "balvek-recgen/Rng.h"

namespace balvek::recgen {

struct GeneratedRecord {
  std::string name;   // YYYYMMDDHHgm-TTTT-LLLL-XXXXXXXX&tw=D
  std::string month;  // the month folder, YYYYMM
  std::string text;   // the decompressed record
};

// Records one after another, a few hours apart, deterministic for a seed.
class CorpusGenerator {
 public:
  explicit CorpusGenerator(std::uint64_t seed);
  GeneratedRecord Next();

 private:
  Rng rng_;
  std::int64_t hour_;  // hours since 2010-01-01 00:00
};

// Writes `games` records as OUTDIR/log/<month>/<name>.mjlog (gzip) and
// returns their paths; throws std::runtime_error when a file cannot be written.
std::vector<std::string> WriteCorpus(const std::string& outdir, int games, std::uint64_t seed);

}  // namespace balvek::recgen
