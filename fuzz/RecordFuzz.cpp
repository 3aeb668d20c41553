// libFuzzer target: any bytes as a decompressed record, through the reader
// and the replay with every event wanted. Data errors are expected (they end
// the record); crashes, sanitizer reports and reads past the zero byte are not.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <cstring>
#include <string>

#include "hand/Tehai.h"
#include "platform/Dialogs.h"
#include "record/Player.h"
#include "record/Replay.h"
#include "record/ReplaySink.h"

namespace {

using namespace balvek;

class SilentDialogs : public platform::DialogService {
 public:
  int MessageBox(platform::WindowHandle, std::string_view, std::string_view,
                 std::uint32_t) override {
    return platform::IDOK;
  }
  std::optional<std::string> SaveFile(const platform::SaveFileRequest&) override {
    return std::nullopt;
  }
};

// Touches every value an event carries, so the sanitizers see them read.
class TouchingSink : public record::ReplaySink {
 public:
  std::int32_t OnSceneBegin(std::span<const std::int32_t, 5> seed,
                            std::span<const std::int32_t> dora) override {
    for (auto v : seed) sum_ += v;
    for (auto v : dora) sum_ += v;
    return 0;
  }
  std::int32_t OnNaki(const record::NakiEvent& e) override {
    sum_ += e.who + e.m + e.type + e.from + e.hai[3];
    return 0;
  }
  std::int32_t OnAgari(const record::AgariEvent& e) override {
    for (auto v : e.yaku) sum_ += v;
    for (auto v : e.yakuExtra) sum_ += v;
    for (auto v : e.doraHaiUra) sum_ += v;
    for (auto v : e.sc) sum_ += static_cast<std::int64_t>(v != 0);
    return 0;
  }
  std::int32_t OnRyuukyoku(const record::RyuukyokuEvent& e) override {
    sum_ += static_cast<std::int64_t>(e.kind.size() + e.sc.size());
    return 0;
  }
  std::int32_t OnLogEnd(std::span<const double> owari) override {
    sum_ += static_cast<std::int64_t>(owari.size());
    return 0;
  }

 private:
  std::int64_t sum_ = 0;
};

struct Table {
  Table() {
    platform::SetDialogService(&dialogs);
    for (int i = 0; i < 4; ++i) players[i] = &seats[i];
  }
  SilentDialogs dialogs;
  std::array<hand::Tehai, 4> hands;
  std::array<record::Player, 4> seats{record::Player(hands[0]), record::Player(hands[1]),
                                      record::Player(hands[2]), record::Player(hands[3])};
  record::Players players;
  record::RecordInfo info{u"2011010100gm-0009-0000-1a2b3c4d&tw=2", 9, 0};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Table table;  // hands and players carry over between records, as in a run
  // Exactly the bytes and one zero, so that any read past it is reported.
  const auto text = std::make_unique<char[]>(size + 1);
  if (size) std::memcpy(text.get(), data, size);
  text[size] = '\0';
  TouchingSink sink;
  record::Replay(std::string_view(text.get(), size), table.info, table.players, sink);
  return 0;
}
