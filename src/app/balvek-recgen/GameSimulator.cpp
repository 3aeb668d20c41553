#include "balvek-recgen/GameSimulator.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <optional>
#include <vector>

#include "balvek-recgen/HandMath.h"
#include "balvek-recgen/Profiles.h"
#include "balvek-recgen/Scoring.h"

namespace balvek::recgen {
namespace {

// Wall layout: tiles 0..121 are drawn in order; 122..135 are the dead wall
// with four replacement tiles, five dora and five ura dora indicators.
constexpr int kLiveWall = 122;
constexpr int kRinshan = 122;
constexpr int kDoraIndicator = 126;
constexpr int kUraIndicator = 131;

constexpr int kYakuTsumo = 0, kYakuRiichi = 1, kYakuTanyao = 8, kYakuSeatWind = 10,
              kYakuRoundWind = 14, kYakuHaku = 18, kYakuChiitoi = 22, kYakuDora = 52,
              kYakuUra = 53, kYakumanKokushi = 47;

enum class MeldType { kChi, kPon, kAnkan, kMinkan, kChakan };

struct Meld {
  MeldType type;
  int kind;
  std::vector<int> tiles;
  int m;
};

std::string Join(const std::vector<int>& values) {
  std::string text;
  for (const int v : values) {
    if (!text.empty()) text += ',';
    text += std::to_string(v);
  }
  return text;
}

int DoraOf(int indicator) {
  const int kind = indicator / 4;
  if (kind < 27) return kind / 9 * 9 + (kind % 9 + 1) % 9;
  if (kind < 31) return 27 + (kind - 27 + 1) % 4;
  return 31 + (kind - 31 + 1) % 3;
}

struct Seat {
  std::vector<int> hand;
  Counts counts{};
  std::vector<Meld> melds;
  bool riichi = false;
  bool riichiFuriten = false;
  bool tempFuriten = false;
  std::array<bool, 34> discarded{};
  bool nagashi = true;
  int discards = 0;
  int shanten = 8;  // of the last 3n+1 state
  std::vector<int> waits;

  bool Menzen() const {
    return std::all_of(melds.begin(), melds.end(),
                       [](const Meld& m) { return m.type == MeldType::kAnkan; });
  }
  void Add(int tile) {
    hand.push_back(tile);
    ++counts[tile / 4];
  }
  void Remove(int tile) {
    const auto it = std::find(hand.begin(), hand.end(), tile);
    *it = hand.back();
    hand.pop_back();
    --counts[tile / 4];
  }
  // Some tile of the kind in the hand, the last one added first.
  int TileOfKind(int kind, int except = -1) const {
    for (auto it = hand.rbegin(); it != hand.rend(); ++it) {
      if (*it / 4 == kind && *it != except) return *it;
    }
    return -1;
  }
  void Evaluate() {
    shanten = Shanten(counts);
    waits = shanten == 0 ? Waits(counts) : std::vector<int>{};
  }
  bool Tenpai() const { return shanten == 0 && !waits.empty(); }
  bool WaitsOn(int kind) const {
    return shanten == 0 && std::find(waits.begin(), waits.end(), kind) != waits.end();
  }
  bool Furiten() const {
    if (riichiFuriten || tempFuriten) return true;
    return std::any_of(waits.begin(), waits.end(), [&](int w) { return discarded[w]; });
  }
  // Few terminals and honors, and only simple sets called.
  bool TanyaoCapable() const {
    int yaochu = 0;
    for (int k = 0; k < 34; ++k) {
      if (IsYaochu(k)) yaochu += counts[k];
    }
    const bool simple_melds = std::all_of(melds.begin(), melds.end(), [](const Meld& m) {
      return std::none_of(m.tiles.begin(), m.tiles.end(), [](int t) { return IsYaochu(t / 4); });
    });
    return yaochu <= 2 && simple_melds;
  }
};

class Game {
 public:
  Game(const GameSetup& setup, Rng& rng) : setup_(setup), rng_(rng) {}

  std::string Play();

 private:
  enum class Phase { kDraw, kAfterCall, kAfterRinshan };
  struct Outcome {
    bool dealerKeeps = false;
    bool drawn = false;  // honba goes up
  };

  Outcome PlayRound();
  void Deal();
  void WriteTile(char base, int seat, int tile);
  int DrawLive(int seat);
  int DrawRinshan(int seat);
  bool TryTsumo(int seat, int tile);
  bool TryYao9(int seat);
  bool TryKanOnDraw(int seat);
  void DeclareKan(int seat, Meld meld, std::vector<int> from_hand);
  std::optional<int> RiichiDiscard(int seat);
  int ChooseDiscard(int seat, int drawn, int forbidden_kind);
  int Keep(const Seat& s, int kind) const;
  void Discard(int seat, int tile);
  std::vector<int> RonWinners(int discarder, int tile);
  // Returns the caller and whether the call was a quad.
  std::optional<std::pair<int, bool>> TryCall(int discarder, int tile);
  bool HasYaku(const Seat& s, int seat, bool tsumo) const;
  void WriteAgari(int winner, int loser, int tile, bool first);
  void WriteRyuukyoku(const char* type, const std::array<int, 4>& delta,
                      const std::array<bool, 4>& shown);
  Outcome Exhaustive();
  Outcome Abort(const char* type, const std::array<bool, 4>& shown);
  std::string Ba() const { return std::to_string(honba_) + "," + std::to_string(sticks_); }
  std::string Sc(const std::array<int, 4>& delta) const;
  std::string Owari();
  bool IsYakuhai(int seat, int kind) const {
    return kind >= 31 || kind == 27 + (seat - dealer_ + 4) % 4 || kind == 27 + round_ / 4 % 4;
  }

  const GameSetup& setup_;
  Rng& rng_;
  std::string out_;
  std::array<int, 4> scores_{250, 250, 250, 250};
  int round_ = 0;
  int honba_ = 0;
  int sticks_ = 0;
  int dealer_ = 0;

  std::array<int, 136> wall_{};
  int liveNext_ = 0;
  int liveEnd_ = kLiveWall;
  int kans_ = 0;
  unsigned kanSeats_ = 0;
  int indicators_ = 1;
  std::array<Seat, 4> seats_;
  bool uninterrupted_ = true;
  std::vector<int> firstDiscards_;
};

std::string Game::Play() {
  char root[64];
  if (setup_.rootTime) {
    std::snprintf(root, sizeof root, "<mjloggm ver=\"2.3\" time=\"%llu\">",
                  static_cast<unsigned long long>(setup_.rootTime));
  } else {
    std::snprintf(root, sizeof root, "<mjloggm ver=\"2.3\">");
  }
  out_ = root;
  out_ += "<SHUFFLE seed=\"mt19937ar-sha512-n288-base64,";
  static constexpr char kBase64[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int i = 0; i < 64; ++i) out_ += kBase64[rng_.Below(64)];
  out_ += "\" ref=\"\"/>";
  out_ += "<GO type=\"" + std::to_string(setup_.gameType) + "\" lobby=\"" +
          std::to_string(setup_.lobby) + "\"/>";
  out_ += "<UN";
  for (int i = 0; i < 4; ++i) {
    out_ += " n" + std::to_string(i) + "=\"" + PercentEncode(setup_.players[i].name) + "\"";
  }
  std::string dan, rate, sx;
  for (int i = 0; i < 4; ++i) {
    const char* comma = i ? "," : "";
    char number[32];
    std::snprintf(number, sizeof number, "%s%.2f", comma, setup_.players[i].rate);
    dan += comma + std::to_string(setup_.players[i].dan);
    rate += number;
    sx += std::string(comma) + setup_.players[i].sx;
  }
  out_ += " dan=\"" + dan + "\" rate=\"" + rate + "\" sx=\"" + sx + "\"/>";
  out_ += "<TAIKYOKU oya=\"0\"/>";

  const int last_round = setup_.gameType & 0x08 ? 7 : 3;
  for (int played = 0;; ++played) {
    dealer_ = round_ % 4;
    const Outcome outcome = PlayRound();
    const bool bust = std::any_of(scores_.begin(), scores_.end(), [](int s) { return s < 0; });
    const bool top_dealer_stops =
        round_ == last_round && outcome.dealerKeeps &&
        std::max_element(scores_.begin(), scores_.end()) - scores_.begin() == dealer_;
    honba_ = outcome.dealerKeeps || outcome.drawn ? honba_ + 1 : 0;
    if (!outcome.dealerKeeps) ++round_;
    if (bust || round_ > last_round || top_dealer_stops || played >= 24) {
      out_ += Owari();
      out_ += " />";
      break;
    }
    out_ += " />";
  }
  out_ += "</mjloggm>";
  return out_;
}

std::string Game::Owari() {
  // Sticks left on the table go to the top player, so the scores add up.
  std::array<int, 4> order{0, 1, 2, 3};
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return scores_[a] > scores_[b]; });
  scores_[order[0]] += 10 * sticks_;
  sticks_ = 0;
  constexpr double kUma[] = {40, 10, -10, -20};
  std::array<double, 4> points{};
  for (int rank = 0; rank < 4; ++rank) {
    points[order[rank]] = (scores_[order[rank]] - 300) / 10.0 + kUma[rank];
  }
  std::string text = " owari=\"";
  for (int i = 0; i < 4; ++i) {
    char value[48];
    std::snprintf(value, sizeof value, "%s%d,%.1f", i ? "," : "", scores_[i], points[i]);
    text += value;
  }
  return text + "\"";
}

void Game::Deal() {
  std::iota(wall_.begin(), wall_.end(), 0);
  rng_.Shuffle(wall_.begin(), wall_.end());
  liveNext_ = 0;
  liveEnd_ = kLiveWall;
  kans_ = 0;
  kanSeats_ = 0;
  indicators_ = 1;
  uninterrupted_ = true;
  firstDiscards_.clear();
  for (Seat& s : seats_) s = Seat{};
  std::array<std::vector<int>, 4> dealt;
  // Three passes of four tiles per seat, then one each, dealer first.
  for (int i = 0; i < 52; ++i) {
    dealt[(dealer_ + (i < 48 ? i / 4 : i - 48)) % 4].push_back(wall_[liveNext_++]);
  }
  const int dice1 = static_cast<int>(rng_.Below(6)), dice2 = static_cast<int>(rng_.Below(6));
  out_ += "<INIT seed=\"" + std::to_string(round_) + "," + Ba() + "," + std::to_string(dice1) +
          "," + std::to_string(dice2) + "," + std::to_string(wall_[kDoraIndicator]) +
          "\" ten=\"" + Join({scores_.begin(), scores_.end()}) + "\" oya=\"" +
          std::to_string(dealer_) + "\"";
  for (int seat = 0; seat < 4; ++seat) {
    for (const int tile : dealt[seat]) seats_[seat].Add(tile);
    seats_[seat].Evaluate();
    out_ += " hai" + std::to_string(seat) + "=\"" + Join(dealt[seat]) + "\"";
  }
  out_ += "/>";
}

void Game::WriteTile(char base, int seat, int tile) {
  out_ += '<';
  out_ += static_cast<char>(base + seat);
  out_ += std::to_string(tile);
  out_ += "/>";
}

int Game::DrawLive(int seat) {
  const int tile = wall_[liveNext_++];
  seats_[seat].Add(tile);
  WriteTile('T', seat, tile);
  return tile;
}

int Game::DrawRinshan(int seat) {
  const int tile = wall_[kRinshan + kans_ - 1];
  --liveEnd_;
  seats_[seat].Add(tile);
  WriteTile('T', seat, tile);
  return tile;
}

Game::Outcome Game::PlayRound() {
  Deal();
  int current = dealer_;
  Phase phase = Phase::kDraw;
  for (;;) {
    Seat& s = seats_[current];
    int drawn = -1;
    if (phase == Phase::kDraw) {
      if (liveNext_ >= liveEnd_) return Exhaustive();
      drawn = DrawLive(current);
    } else if (phase == Phase::kAfterRinshan) {
      drawn = s.hand.back();
    }
    std::optional<int> riichi_tile;
    int forbidden = -1;
    if (drawn >= 0) {
      if (TryTsumo(current, drawn)) return {current == dealer_, false};
      if (phase == Phase::kDraw && TryYao9(current)) {
        std::array<bool, 4> shown{};
        shown[current] = true;
        return Abort("yao9", shown);
      }
      while (TryKanOnDraw(current)) {
        drawn = DrawRinshan(current);
        if (TryTsumo(current, drawn)) return {current == dealer_, false};
      }
      riichi_tile = RiichiDiscard(current);
    } else {
      forbidden = s.melds.back().kind;
    }
    if (riichi_tile) out_ += "<REACH who=\"" + std::to_string(current) + "\" step=\"1\"/>";
    const int tile = riichi_tile ? *riichi_tile : ChooseDiscard(current, drawn, forbidden);
    Discard(current, tile);

    const std::vector<int> winners = RonWinners(current, tile);
    if (winners.size() == 3) {
      std::array<bool, 4> shown{};
      for (const int w : winners) shown[w] = true;
      return Abort("ron3", shown);
    }
    if (!winners.empty()) {
      bool dealer_won = false;
      for (std::size_t i = 0; i < winners.size(); ++i) {
        if (i) out_ += " />";
        WriteAgari(winners[i], current, tile, i == 0);
        dealer_won = dealer_won || winners[i] == dealer_;
      }
      return {dealer_won, false};
    }
    if (riichi_tile) {
      s.riichi = true;
      scores_[current] -= 10;
      ++sticks_;
      out_ += "<REACH who=\"" + std::to_string(current) + "\" ten=\"" +
              Join({scores_.begin(), scores_.end()}) + "\" step=\"2\"/>";
      if (std::all_of(seats_.begin(), seats_.end(), [](const Seat& x) { return x.riichi; })) {
        return Abort("reach4", {true, true, true, true});
      }
    }
    if (kans_ == 4 && (kanSeats_ & (kanSeats_ - 1)) != 0) return Abort("kan4", {});
    if (uninterrupted_ && firstDiscards_.size() == 4 &&
        std::all_of(firstDiscards_.begin(), firstDiscards_.end(),
                    [&](int k) { return k >= 27 && k <= 30 && k == firstDiscards_[0]; })) {
      return Abort("kaze4", {});
    }
    if (const auto call = TryCall(current, tile)) {
      current = call->first;
      phase = call->second ? Phase::kAfterRinshan : Phase::kAfterCall;
    } else {
      current = (current + 1) % 4;
      phase = Phase::kDraw;
    }
  }
}

bool Game::TryTsumo(int seat, int tile) {
  Seat& s = seats_[seat];
  if (Shanten(s.counts) != -1 || !HasYaku(s, seat, true)) return false;
  WriteAgari(seat, -1, tile, true);
  return true;
}

bool Game::TryYao9(int seat) {
  const Seat& s = seats_[seat];
  if (!uninterrupted_ || s.discards != 0) return false;
  int kinds = 0;
  for (int k = 0; k < 34; ++k) kinds += IsYaochu(k) && s.counts[k] > 0;
  return kinds >= 9 && rng_.Chance(50);
}

bool Game::TryKanOnDraw(int seat) {
  Seat& s = seats_[seat];
  if (s.riichi || kans_ >= 4 || liveNext_ >= liveEnd_) return false;
  for (Meld& meld : s.melds) {
    if (meld.type != MeldType::kPon) continue;
    const int added = meld.kind * 4 + ((meld.m >> 5) & 3);
    if (std::find(s.hand.begin(), s.hand.end(), added) == s.hand.end() || !rng_.Chance(60)) {
      continue;
    }
    meld.type = MeldType::kChakan;
    meld.m ^= 0x18;
    meld.tiles.push_back(added);
    Meld copy = meld;
    s.Remove(added);
    DeclareKan(seat, copy, {});
    return true;
  }
  const int best = Shanten(s.counts);
  for (int k = 0; k < 34; ++k) {
    if (s.counts[k] != 4) continue;
    Counts without = s.counts;
    without[k] = 0;
    if (Shanten(without) > best || !rng_.Chance(60)) continue;
    const int first = k * 4 + static_cast<int>(rng_.Below(4));
    DeclareKan(seat, {MeldType::kAnkan, k, {k * 4, k * 4 + 1, k * 4 + 2, k * 4 + 3}, first << 8},
               {k * 4, k * 4 + 1, k * 4 + 2, k * 4 + 3});
    return true;
  }
  return false;
}

void Game::DeclareKan(int seat, Meld meld, std::vector<int> from_hand) {
  Seat& s = seats_[seat];
  for (const int tile : from_hand) s.Remove(tile);
  if (meld.type != MeldType::kChakan) s.melds.push_back(meld);
  uninterrupted_ = false;
  ++kans_;
  kanSeats_ |= 1u << seat;
  out_ += "<N who=\"" + std::to_string(seat) + "\" m=\"" + std::to_string(meld.m) + "\" />";
  if (indicators_ < 5) {
    ++indicators_;
    out_ += "<DORA hai=\"" + std::to_string(wall_[kDoraIndicator + indicators_ - 1]) + "\" />";
  }
}

std::optional<int> Game::RiichiDiscard(int seat) {
  Seat& s = seats_[seat];
  if (s.riichi || !s.Menzen() || scores_[seat] < 10 || liveEnd_ - liveNext_ < 4) {
    return std::nullopt;
  }
  int best_kind = -1;
  int best_live = 0;
  for (int k = 0; k < 34; ++k) {
    if (s.counts[k] == 0) continue;
    --s.counts[k];
    if (Shanten(s.counts) == 0) {
      // A wait already discarded (or being discarded) would be furiten.
      int live = 0;
      bool furiten = false;
      for (const int w : Waits(s.counts)) {
        live += 4 - s.counts[w];
        furiten = furiten || w == k || s.discarded[w];
      }
      if (!furiten && live > best_live) best_kind = k, best_live = live;
    }
    ++s.counts[k];
  }
  if (best_kind < 0 || !rng_.Chance(90)) return std::nullopt;
  return s.TileOfKind(best_kind);
}

int Game::Keep(const Seat& s, int kind) const {
  const Counts& c = s.counts;
  int keep = 0;
  if (kind >= 27) {
    keep = c[kind] >= 2 ? 8 : 1;
  } else {
    const int pos = kind % 9;
    keep = pos == 0 || pos == 8 ? 3 : pos == 1 || pos == 7 ? 4 : 5;
    if (c[kind] >= 2) keep += 3;
    for (int d = 1; d <= 2; ++d) {
      if (pos - d >= 0 && c[kind - d]) keep += 3 - d;
      if (pos + d <= 8 && c[kind + d]) keep += 3 - d;
    }
  }
  for (int i = 0; i < indicators_; ++i) {
    if (DoraOf(wall_[kDoraIndicator + i]) == kind) keep += 3;
  }
  return keep;
}

int Game::ChooseDiscard(int seat, int drawn, int forbidden_kind) {
  Seat& s = seats_[seat];
  if (s.riichi) return drawn;
  // A kind is safe when every player in riichi has discarded it.
  std::array<bool, 34> safe;
  safe.fill(true);
  bool threatened = false;
  for (int other = 0; other < 4; ++other) {
    if (other == seat || !seats_[other].riichi) continue;
    threatened = true;
    for (int k = 0; k < 34; ++k) safe[k] = safe[k] && seats_[other].discarded[k];
  }
  struct Choice {
    int kind = -1;
    int shanten = 99;
    int keep = 0;
    void Offer(int k, int sh, int kp) {
      if (sh < shanten || (sh == shanten && kp < keep)) kind = k, shanten = sh, keep = kp;
    }
  } best, best_safe;
  for (int k = 0; k < 34; ++k) {
    if (s.counts[k] == 0 || k == forbidden_kind) continue;
    --s.counts[k];
    const int shanten = Shanten(s.counts);
    ++s.counts[k];
    const int keep = Keep(s, k) * 4 + static_cast<int>(rng_.Below(4));
    best.Offer(k, shanten, keep);
    if (safe[k]) best_safe.Offer(k, shanten, keep);
  }
  // Far from ready against a riichi: fold onto safe tiles.
  int kind = threatened && best.shanten >= 2 && best_safe.kind >= 0 ? best_safe.kind : best.kind;
  if (kind < 0) kind = forbidden_kind;  // nothing else left to give
  if (drawn >= 0 && drawn / 4 == kind) return drawn;
  return s.TileOfKind(kind);
}

void Game::Discard(int seat, int tile) {
  Seat& s = seats_[seat];
  WriteTile('D', seat, tile);
  s.Remove(tile);
  s.discarded[tile / 4] = true;
  s.nagashi = s.nagashi && IsYaochu(tile / 4);
  s.tempFuriten = false;
  if (s.discards++ == 0) firstDiscards_.push_back(tile / 4);
  s.Evaluate();
}

std::vector<int> Game::RonWinners(int discarder, int tile) {
  std::vector<int> winners;
  for (int i = 1; i < 4; ++i) {
    const int seat = (discarder + i) % 4;
    Seat& s = seats_[seat];
    if (!s.WaitsOn(tile / 4)) continue;
    bool yaku = false;
    if (!s.Furiten()) {
      s.Add(tile);
      yaku = HasYaku(s, seat, false);
      s.Remove(tile);
    }
    if (yaku) {
      winners.push_back(seat);
    } else {
      s.tempFuriten = true;
      s.riichiFuriten = s.riichiFuriten || s.riichi;
    }
  }
  return winners;
}

std::optional<std::pair<int, bool>> Game::TryCall(int discarder, int tile) {
  if (liveNext_ >= liveEnd_) return std::nullopt;
  const int kind = tile / 4;
  const auto from_of = [&](int caller) { return (discarder - caller + 4) % 4; };
  const auto called = [&](int caller, Meld meld, std::vector<int> from_hand, bool quad) {
    Seat& s = seats_[caller];
    for (const int t : from_hand) s.Remove(t);
    s.melds.push_back(meld);
    seats_[discarder].nagashi = false;
    uninterrupted_ = false;
    out_ += "<N who=\"" + std::to_string(caller) + "\" m=\"" + std::to_string(meld.m) + "\" />";
    return std::make_pair(caller, quad);
  };
  for (int i = 1; i < 4; ++i) {
    const int seat = (discarder + i) % 4;
    Seat& s = seats_[seat];
    if (s.riichi || s.counts[kind] < 2) continue;
    const bool worth = IsYakuhai(seat, kind) || !s.Menzen() || (s.TanyaoCapable() && !IsYaochu(kind));
    if (!worth) continue;
    if (s.counts[kind] == 3 && !s.Menzen() && kans_ < 4 && rng_.Chance(30)) {
      std::vector<int> used;
      for (int c = 0; c < 4; ++c) {
        if (kind * 4 + c != tile) used.push_back(kind * 4 + c);
      }
      const auto result =
          called(seat, {MeldType::kMinkan, kind, {tile, used[0], used[1], used[2]},
                        tile << 8 | from_of(seat)},
                 used, true);
      ++kans_;
      kanSeats_ |= 1u << seat;
      if (indicators_ < 5) {
        ++indicators_;
        out_ += "<DORA hai=\"" + std::to_string(wall_[kDoraIndicator + indicators_ - 1]) + "\" />";
      }
      DrawRinshan(seat);
      return result;
    }
    Counts after = s.counts;
    after[kind] -= 2;
    if (Shanten(after) >= s.shanten || !rng_.Chance(75)) continue;
    const int a = s.TileOfKind(kind);
    const int b = s.TileOfKind(kind, a);
    std::array<int, 3> three{tile, a, b};
    std::sort(three.begin(), three.end());
    int unused = 0;
    while (std::find(three.begin(), three.end(), kind * 4 + unused) != three.end()) ++unused;
    const int index = static_cast<int>(std::find(three.begin(), three.end(), tile) - three.begin());
    const int m = (kind * 3 + index) << 9 | 0x8 | unused << 5 | from_of(seat);
    return called(seat, {MeldType::kPon, kind, {three.begin(), three.end()}, m}, {a, b}, false);
  }
  const int seat = (discarder + 1) % 4;
  Seat& s = seats_[seat];
  if (s.riichi || kind >= 27) return std::nullopt;
  const int pos = kind % 9;
  int best_low = -1;
  int best_shanten = s.shanten;
  for (int low = kind - 2; low <= kind; ++low) {
    if (low < kind - pos || low + 2 > kind - pos + 8) continue;
    bool usable = true;
    Counts after = s.counts;
    for (int k = low; k < low + 3; ++k) {
      if (k == kind) continue;
      usable = usable && after[k] > 0;
      if (after[k]) --after[k];
    }
    const bool simple = !IsYaochu(low) && !IsYaochu(low + 2);
    if (!usable || !(!s.Menzen() || (s.TanyaoCapable() && simple))) continue;
    const int shanten = Shanten(after);
    if (shanten < best_shanten) best_low = low, best_shanten = shanten;
  }
  if (best_low < 0 || !rng_.Chance(60)) return std::nullopt;
  std::array<int, 3> three{};
  std::vector<int> from_hand;
  for (int i = 0; i < 3; ++i) {
    const int k = best_low + i;
    three[i] = k == kind ? tile : s.TileOfKind(k);
    if (k != kind) from_hand.push_back(three[i]);
  }
  const int q = best_low / 9 * 7 + best_low % 9;
  const int index = kind - best_low;
  const int m = (q * 3 + index) << 10 | 0x4 | (three[0] & 3) << 3 | (three[1] & 3) << 5 |
                (three[2] & 3) << 7 | from_of(seat);
  return called(seat, {MeldType::kChi, kind, {three.begin(), three.end()}, m}, from_hand, false);
}

bool Game::HasYaku(const Seat& s, int seat, bool tsumo) const {
  if (s.riichi || (tsumo && s.Menzen())) return true;
  bool simple = std::none_of(s.melds.begin(), s.melds.end(), [](const Meld& m) {
    return std::any_of(m.tiles.begin(), m.tiles.end(), [](int t) { return IsYaochu(t / 4); });
  });
  for (int k = 0; k < 34; ++k) {
    if (s.counts[k] && IsYaochu(k)) simple = false;
    if (IsYakuhai(seat, k) && s.counts[k] >= 3) return true;
  }
  for (const Meld& m : s.melds) {
    if (m.type != MeldType::kChi && IsYakuhai(seat, m.kind)) return true;
  }
  if (simple) return true;
  int pairs = 0, yaochu_kinds = 0;
  for (int k = 0; k < 34; ++k) {
    pairs += s.counts[k] == 2;
    yaochu_kinds += IsYaochu(k) && s.counts[k] > 0;
  }
  return pairs == 7 || yaochu_kinds == 13;
}

void Game::WriteAgari(int winner, int loser, int tile, bool first) {
  Seat& s = seats_[winner];
  const bool tsumo = loser < 0;
  if (!tsumo) s.Add(tile);
  WinValue value;
  std::vector<int> yaku;
  const auto add = [&](int id, int han) {
    yaku.push_back(id);
    yaku.push_back(han);
    value.han += han;
  };
  int pairs = 0, yaochu_kinds = 0;
  bool simple = true;
  for (int k = 0; k < 34; ++k) {
    pairs += s.counts[k] == 2;
    yaochu_kinds += IsYaochu(k) && s.counts[k] > 0;
    if (s.counts[k] && IsYaochu(k)) simple = false;
  }
  for (const Meld& m : s.melds) {
    for (const int t : m.tiles) simple = simple && !IsYaochu(t / 4);
  }
  const bool kokushi = yaochu_kinds == 13 && s.hand.size() == 14;
  const bool chiitoi = pairs == 7;
  if (s.Menzen() && tsumo) add(kYakuTsumo, 1);
  if (s.riichi) add(kYakuRiichi, 1);
  if (simple) add(kYakuTanyao, 1);
  for (int k = 27; k < 34; ++k) {
    bool triplet = s.counts[k] >= 3;
    for (const Meld& m : s.melds) triplet = triplet || (m.type != MeldType::kChi && m.kind == k);
    if (!triplet) continue;
    if (k >= 31) add(kYakuHaku + k - 31, 1);
    if (k == 27 + (winner - dealer_ + 4) % 4) add(kYakuSeatWind + k - 27, 1);
    if (k == 27 + round_ / 4 % 4) add(kYakuRoundWind + k - 27, 1);
  }
  if (chiitoi) add(kYakuChiitoi, 2), value.fu = 25;
  else if (s.Menzen() && !tsumo) value.fu = 40;
  std::vector<int> dora_hai, ura_hai;
  int dora = 0, ura = 0;
  const auto count_kind = [&](int kind) {
    int n = s.counts[kind];
    for (const Meld& m : s.melds) {
      for (const int t : m.tiles) n += t / 4 == kind;
    }
    return n;
  };
  for (int i = 0; i < indicators_; ++i) {
    dora_hai.push_back(wall_[kDoraIndicator + i]);
    dora += count_kind(DoraOf(wall_[kDoraIndicator + i]));
    if (s.riichi) {
      ura_hai.push_back(wall_[kUraIndicator + i]);
      ura += count_kind(DoraOf(wall_[kUraIndicator + i]));
    }
  }
  if (dora) add(kYakuDora, dora);
  if (s.riichi) add(kYakuUra, ura);
  value.yakuman = kokushi;

  const Payment pay =
      Pay(value, winner, loser, dealer_, first ? honba_ : 0, first ? sticks_ : 0);
  std::vector<int> hai = s.hand;
  std::sort(hai.begin(), hai.end());
  std::vector<int> codes;
  for (const Meld& m : s.melds) codes.push_back(m.m);
  out_ += "<AGARI ba=\"" + std::to_string(first ? honba_ : 0) + "," +
          std::to_string(first ? sticks_ : 0) + "\" hai=\"" + Join(hai) + "\"";
  if (!codes.empty()) out_ += " m=\"" + Join(codes) + "\"";
  out_ += " machi=\"" + std::to_string(tile) + "\" ten=\"" +
          Join({pay.points.fu, pay.points.points, pay.points.limit}) + "\"";
  if (kokushi) {
    out_ += " yakuman=\"" + std::to_string(kYakumanKokushi) + "\"";
  } else {
    out_ += " yaku=\"" + Join(yaku) + "\"";
  }
  out_ += " doraHai=\"" + Join(dora_hai) + "\"";
  if (s.riichi) out_ += " doraHaiUra=\"" + Join(ura_hai) + "\"";
  out_ += " who=\"" + std::to_string(winner) + "\" fromWho=\"" +
          std::to_string(tsumo ? winner : loser) + "\" sc=\"" + Sc(pay.delta) + "\"";
  if (first) sticks_ = 0;
  for (int i = 0; i < 4; ++i) scores_[i] += pay.delta[i];
}

std::string Game::Sc(const std::array<int, 4>& delta) const {
  return Join({scores_[0], delta[0], scores_[1], delta[1], scores_[2], delta[2], scores_[3],
               delta[3]});
}

void Game::WriteRyuukyoku(const char* type, const std::array<int, 4>& delta,
                          const std::array<bool, 4>& shown) {
  out_ += "<RYUUKYOKU";
  if (type) out_ += std::string(" type=\"") + type + "\"";
  out_ += " ba=\"" + Ba() + "\" sc=\"" + Sc(delta) + "\"";
  for (int seat = 0; seat < 4; ++seat) {
    if (!shown[seat]) continue;
    std::vector<int> hai = seats_[seat].hand;
    std::sort(hai.begin(), hai.end());
    out_ += " hai" + std::to_string(seat) + "=\"" + Join(hai) + "\"";
  }
  for (int i = 0; i < 4; ++i) scores_[i] += delta[i];
}

Game::Outcome Game::Exhaustive() {
  std::array<bool, 4> tenpai{};
  for (int seat = 0; seat < 4; ++seat) tenpai[seat] = seats_[seat].Tenpai();
  for (int seat = 0; seat < 4; ++seat) {
    if (seats_[seat].nagashi && seats_[seat].discards > 0) {
      WriteRyuukyoku("nm", PayNagashi(seat, dealer_), tenpai);
      return {tenpai[dealer_], true};
    }
  }
  WriteRyuukyoku(nullptr, PayNoten(tenpai), tenpai);
  return {tenpai[dealer_], true};
}

Game::Outcome Game::Abort(const char* type, const std::array<bool, 4>& shown) {
  WriteRyuukyoku(type, {}, shown);
  return {true, true};
}

}  // namespace

std::string SimulateGame(const GameSetup& setup, Rng& rng) {
  return Game(setup, rng).Play();
}

}  // namespace balvek::recgen
