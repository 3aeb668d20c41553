#pragma once
// Four players with their hands, as the analyzer keeps them across records,
// and a sink that writes every event as one line of text.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "hand/Tehai.h"
#include "record/Player.h"
#include "record/Replay.h"
#include "record/ReplaySink.h"

namespace balvek::record::test {

struct Table {
  Table() {
    for (int i = 0; i < 4; ++i) players[i] = &seats[i];
  }
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  std::int32_t Replay(std::string_view text, ReplaySink& sink) {
    return record::Replay(text, info, players, sink);
  }
  hand::Tehai& hand(int seat) { return hands[seat]; }

  std::array<hand::Tehai, 4> hands;
  std::array<Player, 4> seats{Player(hands[0]), Player(hands[1]), Player(hands[2]),
                              Player(hands[3])};
  Players players;
  RecordInfo info{u"2011010100gm-0009-0000-1a2b3c4d&tw=2", 9, 0};
};

template <typename T>
std::string List(const T& values) {
  std::string text = "[";
  for (const auto& v : values) {
    if (text.size() > 1) text += ',';
    if constexpr (std::is_floating_point_v<std::decay_t<decltype(v)>>) {
      char number[32];
      std::snprintf(number, sizeof number, "%g", v);
      text += number;
    } else {
      text += std::to_string(v);
    }
  }
  return text + "]";
}

// Each event as a line; the event with index failAt answers failStatus.
class EventLog : public ReplaySink {
 public:
  EventMask Events() const override { return mask; }

  std::int32_t OnLogBegin(const RecordInfo& info, const Players& players) override {
    return Add("LogBegin " + std::to_string(info.name.size()) + " " +
               std::to_string(players[3]->sx));
  }
  std::int32_t OnSceneBegin(std::span<const std::int32_t, 5> seed,
                            std::span<const std::int32_t> dora) override {
    return Add("SceneBegin " + List(seed) + " " + List(dora));
  }
  std::int32_t OnTsumo(std::int32_t who, std::int32_t hai) override {
    return Add("Tsumo " + std::to_string(who) + " " + std::to_string(hai));
  }
  std::int32_t OnDahai(std::int32_t who, std::int32_t hai) override {
    return Add("Dahai " + std::to_string(who) + " " + std::to_string(hai));
  }
  std::int32_t OnNaki(const NakiEvent& e) override {
    return Add("Naki " + std::to_string(e.who) + " " + std::to_string(e.m) + " " +
               std::to_string(e.type) + " " + std::to_string(e.from) + " " + List(e.hai));
  }
  std::int32_t OnDora(std::int32_t hai) override { return Add("Dora " + std::to_string(hai)); }
  std::int32_t OnReach(std::int32_t who) override { return Add("Reach " + std::to_string(who)); }
  std::int32_t OnAgari(const AgariEvent& e) override {
    return Add("Agari " + std::to_string(e.who) + " " + List(e.ten) + " " + List(e.yaku) + " " +
               List(e.yakuExtra) + " " + List(e.doraHaiUra) + " " + List(e.sc) + " " +
               std::to_string(e.paoSeat) + " " + std::to_string(e.fromSeat));
  }
  std::int32_t OnRyuukyoku(const RyuukyokuEvent& e) override {
    std::string flags;
    for (const bool f : e.tenpai) flags += f ? '1' : '0';
    return Add("Ryuukyoku '" + std::string(e.kind) + "' " + List(e.sc) + " " + flags);
  }
  std::int32_t OnSceneEnd() override { return Add("SceneEnd"); }
  std::int32_t OnLogEnd(std::span<const double> owari) override {
    return Add("LogEnd " + List(owari));
  }

  EventMask mask = kAllEvents;
  int failAt = -1;
  std::int32_t failStatus = 5;
  std::vector<std::string> lines;

 private:
  std::int32_t Add(std::string line) {
    lines.push_back(std::move(line));
    return static_cast<int>(lines.size()) - 1 == failAt ? failStatus : 0;
  }
};

}  // namespace balvek::record::test
