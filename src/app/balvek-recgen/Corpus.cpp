#include "balvek-recgen/Corpus.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "balvek-recgen/GameSimulator.h"
#include "balvek-recgen/Profiles.h"

namespace balvek::recgen {
namespace {

struct Date {
  int year, month, day;
};

// Civil date of a day count since 1970-01-01 (proleptic Gregorian).
Date DateOfDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(yoe + era * 400 + (month <= 2)), static_cast<int>(month),
          static_cast<int>(day)};
}

constexpr std::int64_t kDays1970To2010 = 14610;
constexpr std::array<int, 7> kGameTypes = {0x0001, 0x0009, 0x0029, 0x00A9,
                                           0x00E1, 0x0041, 0x0089};

}  // namespace

CorpusGenerator::CorpusGenerator(std::uint64_t seed)
    : rng_(seed), hour_(static_cast<std::int64_t>(rng_.Below(365 * 24))) {}

GeneratedRecord CorpusGenerator::Next() {
  hour_ += 1 + rng_.Below(48);
  const Date date = DateOfDays(kDays1970To2010 + hour_ / 24);
  GameSetup setup;
  setup.gameType = kGameTypes[rng_.Below(kGameTypes.size())];
  setup.lobby = rng_.Chance(80) ? 0 : static_cast<int>(1000 + rng_.Below(9000));
  for (PlayerProfile& p : setup.players) p = RandomProfile(rng_);
  if (rng_.Chance(20)) {
    setup.rootTime = static_cast<std::uint64_t>((kDays1970To2010 * 24 + hour_) * 3600 +
                                                rng_.Below(3600));
  }
  const unsigned id = static_cast<unsigned>(rng_.Next());
  const unsigned owner = rng_.Below(4);
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d%02dgm-%04x-%04d-%08x&tw=%u", date.year,
                date.month, date.day, static_cast<int>(hour_ % 24), setup.gameType,
                setup.lobby, id, owner);
  char month[16];
  std::snprintf(month, sizeof month, "%04d%02d", date.year, date.month);
  return {name, month, SimulateGame(setup, rng_)};
}

std::vector<std::string> WriteCorpus(const std::string& outdir, int games, std::uint64_t seed) {
  CorpusGenerator generator(seed);
  std::vector<std::string> paths;
  for (int i = 0; i < games; ++i) {
    const GeneratedRecord record = generator.Next();
    const std::filesystem::path folder = std::filesystem::path(outdir) / "log" / record.month;
    std::filesystem::create_directories(folder);
    const std::string path = (folder / (record.name + ".mjlog")).string();
    gzFile file = gzopen(path.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create " + path);
    const int written = gzwrite(file, record.text.data(), static_cast<unsigned>(record.text.size()));
    if (gzclose(file) != Z_OK || written != static_cast<int>(record.text.size())) {
      throw std::runtime_error("cannot write " + path);
    }
    paths.push_back(path);
  }
  return paths;
}

}  // namespace balvek::recgen
