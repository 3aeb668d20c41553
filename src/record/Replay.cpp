#include "record/Replay.h"

#include <array>
#include <span>
#include <string>

#include "hand/Tehai.h"
#include "platform/DataError.h"
#include "platform/Dialogs.h"
#include "platform/Text.h"
#include "record/NameText.h"
#include "record/NumberText.h"
#include "record/RecordError.h"
#include "record/RecordReader.h"

namespace balvek::record {
namespace {

constexpr std::uint32_t Key(std::string_view s) {
  std::uint32_t key = 0;
  for (std::size_t i = 0; i < s.size(); ++i) key |= std::uint32_t{static_cast<std::uint8_t>(s[i])} << (8 * i);
  return key;
}

// The RYUUKYOKU kinds by the first four characters of `type`. "nm" counts
// only when its closing quote is followed by a space.
std::string_view KindName(const Registers& r) {
  if (!r.typeIsKey) return {};
  switch (static_cast<std::uint32_t>(r.type)) {
    case Key("nm\" "): return "nm";
    case Key("ron3"): return "ron3";
    case Key("kan4"): return "kan4";
    case Key("yao9"): return "yao9";
    case Key("reac"): return "reach4";
    case Key("kaze"): return "kaze4";
    default: return {};
  }
}

std::string Count(const char* prefix, std::size_t count) {
  return prefix + std::to_string(count) + "\r\n";
}

class Replayer {
 public:
  Replayer(std::string_view text, const RecordInfo& info, const Players& players,
           ReplaySink& sink)
      : reader_(text), reg_(reader_.registers()), info_(info), players_(players),
        sink_(sink), events_(sink.Events()) {}

  std::int32_t Run();

 private:
  bool Wants(Event event) const { return (events_ & EventBit(event)) != 0; }
  hand::Tehai& Hand(int seat) { return players_[seat]->tehai; }
  void SetPlayers();
  std::int32_t Handle(const Node& node);
  std::int32_t Draw(int seat, std::int32_t tile);
  std::int32_t Discard(int seat, std::int32_t tile);
  std::int32_t Init();
  std::int32_t Naki(const Node& node);
  std::int32_t Reach(const Node& node);
  std::int32_t Agari();
  std::int32_t Ryuukyoku();
  void CheckInit(const char* name, std::size_t count, bool valid) const;
  void CheckSeat(const Node& node) const {
    if (reg_.who < 0 || reg_.who > 3) FailBadSeat(reg_.who, node.text);
  }

  RecordReader reader_;
  Registers& reg_;
  const RecordInfo& info_;
  const Players& players_;
  ReplaySink& sink_;
  const EventMask events_;
  bool sceneOpen_ = false;
};

std::int32_t Replayer::Run() {
  if (!reader_.ReadHeader()) return kReplayForeignHeader;
  SetPlayers();
  const std::vector<double>& owari = reader_.ReadOwari();
  if (owari.size() != 8 && owari.size() != 16) return 0;
  std::int32_t status = Wants(Event::kLogBegin) ? sink_.OnLogBegin(info_, players_) : 0;
  if ((events_ & kStreamEvents) != 0) {
    for (Node node = reader_.NextNode(); status == 0 && node.kind != Node::kEnd;) {
      status = Handle(node);
      if (status == 0) node = reader_.NextNode();
    }
    if (status == 0 && sceneOpen_ && Wants(Event::kSceneEnd)) status = sink_.OnSceneEnd();
  }
  if (status != 0) return status;
  return Wants(Event::kLogEnd) ? sink_.OnLogEnd(owari) : 0;
}

void Replayer::SetPlayers() {
  const PlayerValues& values = reader_.ReadPlayers();
  for (int seat = 0; seat < 4; ++seat) {
    Player& p = *players_[seat];
    p.name = DecodeName(values.names[seat]);
    p.sx = values.sx.size() == 7 ? static_cast<std::int8_t>(values.sx[2 * seat]) : 'C';
    if (values.dan.size() == 4) p.dan = values.dan[seat];
    if (values.rate.size() == 4) p.rate = TruncateToInt32(values.rate[seat]);
  }
}

std::int32_t Replayer::Handle(const Node& node) {
  if (node.kind == Node::kTile) {
    return node.letter >= 'T' ? Draw(node.letter - 'T', node.tile)
                              : Discard(node.letter - 'D', node.tile);
  }
  switch (Key(std::string_view(node.name, 2))) {
    case Key("IN"): return Init();
    case Key("N "): return Naki(node);
    case Key("DO"):
      if (reg_.hai.size() != 1) FailRecord(Count("INVALID DORA hai=", reg_.hai.size()), 0);
      return Wants(Event::kDora) ? sink_.OnDora(reg_.hai[0] & 0xFF) : 0;
    case Key("RE"): return Reach(node);
    case Key("AG"): return Agari();
    case Key("RY"): return Ryuukyoku();
    case Key("TA"): case Key("SH"): case Key("UN"): case Key("GO"): case Key("BY"):
      return 0;
    default:
      FailRecord("INVALID NODENAME " + std::string(node.text), platform::MB_ICONERROR);
  }
}

std::int32_t Replayer::Draw(int seat, std::int32_t tile) {
  hand::Tehai& hand = Hand(seat);
  hand.AddHai(tile);
  hand.UpdateSyanten2();
  return Wants(Event::kTsumo) ? sink_.OnTsumo(seat, tile & 0xFF) : 0;
}

std::int32_t Replayer::Discard(int seat, std::int32_t tile) {
  // The kind is marked before the evaluation, so a discard that changes the
  // waits onto a discarded kind is furiten at once.
  hand::Tehai& hand = Hand(seat);
  hand.MarkDahai(tile);
  hand.RemoveHai(tile);
  hand.UpdateSyanten1();
  return Wants(Event::kDahai) ? sink_.OnDahai(seat, tile & 0xFF) : 0;
}

void Replayer::CheckInit(const char* name, std::size_t count, bool valid) const {
  if (valid) return;
  FailRecord("INVALID INIT " + std::string(name) + "=" + std::to_string(count) +
                 "\r\n\r\nfiletw=" + platform::Utf16ToUtf8(info_.name),
             0);
}

std::int32_t Replayer::Init() {
  if (sceneOpen_) {
    sceneOpen_ = false;
    if (Wants(Event::kSceneEnd)) {
      if (const std::int32_t status = sink_.OnSceneEnd()) return status;
    }
  }
  CheckInit("seed", reg_.seed.size(), reg_.seed.size() >= 5);
  CheckInit("ten ", reg_.ten.size(), reg_.ten.size() == 4);
  for (int seat = 0; seat < 3; ++seat) {
    const std::string name = "hai" + std::to_string(seat);
    CheckInit(name.c_str(), reg_.haiN[seat].size(), reg_.haiN[seat].size() == 13);
  }
  sceneOpen_ = true;
  for (int seat = 0; seat < 4; ++seat) {
    players_[seat]->ten = reg_.ten[seat];
    Hand(seat).Reset();
  }
  for (int seat = 0; seat < 4; ++seat) {
    if (reg_.haiN[seat].size() != 13) continue;  // only seat 3 may be missing
    Hand(seat).SetHaipai(std::span<const std::int32_t, 13>(reg_.haiN[seat].data(), 13));
    Hand(seat).UpdateSyanten1();
  }
  std::int32_t status = 0;
  if (Wants(Event::kSceneBegin)) {
    const std::span<const std::int32_t> seed(reg_.seed);
    status = sink_.OnSceneBegin(seed.first<5>(), seed.subspan(5));
  }
  for (auto& hai : reg_.haiN) hai.clear();
  return status;
}

std::int32_t Replayer::Naki(const Node& node) {
  CheckSeat(node);
  const hand::Naki naki = Hand(reg_.who).ApplyNaki(static_cast<std::uint16_t>(reg_.m));
  if (!Wants(Event::kNaki)) return 0;
  return sink_.OnNaki({reg_.who, reg_.m & 0xFFFF, static_cast<std::int32_t>(naki.type),
                       reg_.m & 3, {naki.t[0], naki.t[1], naki.t[2], naki.t[3]}});
}

std::int32_t Replayer::Reach(const Node& node) {
  if (reg_.step != 1 && reg_.step != 2) {
    FailRecord("INVALID REACH step=" + std::to_string(reg_.step) + "\r\n", 0);
  }
  CheckSeat(node);
  if (reg_.step == 2) {
    players_[reg_.who]->ten -= 10;
    return 0;
  }
  return Wants(Event::kReach) ? sink_.OnReach(reg_.who) : 0;
}

std::int32_t Replayer::Agari() {
  if (reg_.sc.size() != 8 && reg_.sc.size() != 16) {
    FailRecord(Count("INVALID AGARI sc=", reg_.sc.size()), 0);
  }
  if (reg_.doraHaiUra.size() > 7) {
    FailRecord(Count("INVALID AGARI doraHaiUra=", reg_.doraHaiUra.size()), 0);
  }
  std::int32_t status = 0;
  if (Wants(Event::kAgari)) {
    AgariEvent agari{reg_.who, {}, reg_.yaku, reg_.yakuExtra, reg_.doraHaiUra,
                     reg_.sc, reg_.paoSeat, reg_.fromSeat};
    for (std::size_t i = 0; i < 3 && i < reg_.ten.size(); ++i) agari.ten[i] = reg_.ten[i];
    status = sink_.OnAgari(agari);
  }
  reg_.paoSeat = -1;
  reg_.yaku.clear();
  reg_.yakuExtra.clear();
  reg_.doraHaiUra.clear();
  return status;
}

std::int32_t Replayer::Ryuukyoku() {
  if (reg_.sc.size() != 8) FailRecord(Count("INVALID RYUUKYOKU sc=", reg_.sc.size()), 0);
  std::int32_t status = 0;
  if (Wants(Event::kRyuukyoku)) {
    RyuukyokuEvent ryuukyoku{KindName(reg_), reg_.sc, {}};
    for (int seat = 0; seat < 4; ++seat) ryuukyoku.tenpai[seat] = !reg_.haiN[seat].empty();
    status = sink_.OnRyuukyoku(ryuukyoku);
  }
  reg_.type = 0;
  reg_.typeIsKey = false;
  return status;
}

}  // namespace

std::int32_t Replay(std::string_view text, const RecordInfo& info, const Players& players,
                    ReplaySink& sink) {
  try {
    return Replayer(text, info, players, sink).Run();
  } catch (const platform::DataError&) {
    return kReplayDataError;
  }
}

}  // namespace balvek::record
