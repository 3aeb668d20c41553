#include "record/RecordReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "platform/Dialogs.h"
#include "record/NumberText.h"
#include "record/RecordError.h"

namespace balvek::record {
namespace {

using platform::MB_ICONERROR;

constexpr std::uint32_t Key(const char* s) {
  return static_cast<std::uint8_t>(s[0]) | static_cast<std::uint8_t>(s[1]) << 8 |
         static_cast<std::uint8_t>(s[2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[3])) << 24;
}

constexpr std::uint32_t Key2(const char* s) {
  return static_cast<std::uint8_t>(s[0]) | static_cast<std::uint8_t>(s[1]) << 8;
}

constexpr std::uint32_t Key3(const char* s) {
  return Key2(s) | static_cast<std::uint8_t>(s[2]) << 16;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsTileLetter(char c) { return (c >= 'D' && c <= 'G') || (c >= 'T' && c <= 'W'); }

// The digits of a tile node, saturated to the 32-bit range.
std::int32_t ParseDigits(const char* p, const char* end) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; p < end && IsDigit(*p); ++p) {
    if (value <= kMax) value = value * 10 + (*p - '0');
  }
  return static_cast<std::int32_t>(std::min(value, kMax));
}

}  // namespace

RecordReader::RecordReader(std::string_view text) : begin_(text.data()) {
  const void* zero = std::memchr(text.data(), 0, text.size());
  end_ = zero ? static_cast<const char*>(zero) : text.data() + text.size();
  cursor_ = begin_;
}

const char* RecordReader::Find(const char* from, std::string_view what) const {
  if (from >= end_) return nullptr;
  return static_cast<const char*>(
      memmem(from, static_cast<std::size_t>(end_ - from), what.data(), what.size()));
}

const char* RecordReader::ValueAt(const char* name, std::ptrdiff_t offset) const {
  return end_ - name < offset ? end_ : name + offset;
}

bool RecordReader::ReadHeader() {
  constexpr std::string_view kPlain = "<mjloggm ver=\"2.3\">";
  constexpr std::string_view kTimed = "<mjloggm ver=\"2.3\" time=\"";
  const std::string_view text(begin_, static_cast<std::size_t>(end_ - begin_));
  if (text.starts_with(kPlain)) {
    cursor_ = begin_ + kPlain.size();
    return true;
  }
  if (text.starts_with(kTimed)) {
    const char* lt = Find(begin_ + 1, "<");
    cursor_ = lt ? lt : end_;
    return true;
  }
  return false;
}

const PlayerValues& RecordReader::ReadPlayers() {
  const char* un = Find(cursor_, "<UN ");
  if (!un) return players_;
  const char* gt = Find(un, ">");
  if (!gt) return players_;
  const auto quoted = [this](const char* value) {
    const char* close = Find(value, "\"");
    return std::string_view(value, static_cast<std::size_t>((close ? close : end_) - value));
  };
  const char* p = un + 3;
  while (gt - p > 4) {
    if (*p != ' ') FailRecord("INVALID ATTR", MB_ICONERROR);
    const char* name = p + 1;
    const std::uint32_t key = Key(name);
    if (name[0] == 'n' && name[1] >= '0' && name[1] <= '3' && name[2] == '=' && name[3] == '"') {
      players_.names[name[1] - '0'] = quoted(name + 4);
    } else if (key == Key("sx=\"")) {
      players_.sx = quoted(name + 4);
    } else if (key == Key("rc=\"")) {
      ReadIntList(name + 4, end_, players_.rc);
    } else if (key == Key("dan=")) {
      ReadIntList(ValueAt(name, 5), end_, players_.dan);
    } else if (key == Key("rate")) {
      ReadDoubleList(ValueAt(name, 6), end_, players_.rate);
    } else {
      FailRecord("INVALID ATTR UN " + std::string(name, gt), 0);
    }
    p = name;
    while (p < gt && *p != ' ') ++p;
  }
  return players_;
}

const std::vector<double>& RecordReader::ReadOwari() {
  constexpr std::string_view kOwari = " owari=\"";
  if (const char* found = Find(cursor_, kOwari)) {
    ReadDoubleList(found + kOwari.size(), end_, owari_);
  }
  return owari_;
}

Node RecordReader::NextNode() {
  Node node;
  const char* lt = cursor_;
  if (lt >= end_ || *lt != '<' || (lt + 1 < end_ && lt[1] == '/')) return node;
  const char* gt = Find(lt + 1, ">");
  if (!gt) FailRecord("MISSING >\r\n", MB_ICONERROR);
  const std::ptrdiff_t length = gt - lt + 1;
  node.text = std::string_view(lt, static_cast<std::size_t>(length));
  if (length < 4 || length > 4096) {
    FailRecord("q-p=" + std::to_string(length) + "\r\n" + std::string(node.text) + "\r\n",
               MB_ICONERROR);
  }
  if (IsDigit(lt[2])) {
    node.kind = Node::kTile;
    node.letter = lt[1];
    if (!IsTileLetter(node.letter)) {
      FailRecord(std::string("INVALID NODENAME ") + node.letter + "\r\n", MB_ICONERROR);
    }
    node.tile = ParseDigits(lt + 2, gt);
    if (node.tile > kMaxTileId) FailBadTile(node.tile, node.text);
  } else {
    node.kind = Node::kNamed;
    node.name[0] = lt[1];
    node.name[1] = lt[2];
    ReadAttributes(lt, gt + 1);
  }
  cursor_ = gt + 1;
  return node;
}

void RecordReader::ReadTileList(const char* value, std::vector<std::int32_t>& out,
                                std::string_view node) {
  ReadIntList(value, end_, out);
  for (const std::int32_t tile : out) {
    if (tile < 0 || tile > kMaxTileId) FailBadTile(tile, node);
  }
}

void RecordReader::ReadAttributes(const char* lt, const char* node_end) {
  const std::string_view node(lt, static_cast<std::size_t>(node_end - lt));
  Registers& reg = registers_;
  const auto digit = [this](const char* value) {
    return value < end_ ? *value - '0' : -'0';
  };
  const auto at = [this](const char* name, std::ptrdiff_t k) {
    return end_ - name > k ? name[k] : '\0';
  };
  const char* r = lt;
  for (;;) {
    do ++r;
    while (r < node_end && *r != ' ');
    if (node_end - r < 5) return;
    const char* n = r + 1;
    if (n[1] == '=') {
      if (n[0] != 'm') FailRecord("INVALID = *** " + std::string(node), MB_ICONERROR);
      const char* value = ValueAt(n, 3);
      reg.m = ParseInt(value, end_);
    } else if (n[2] == '=') {
      switch (Key2(n)) {
        case Key2("n0"): case Key2("n1"): case Key2("n2"): case Key2("n3"):
        case Key2("ba"): case Key2("rc"): case Key2("sx"):
          break;
        case Key2("sc"):
          ReadDoubleList(ValueAt(n, 4), end_, reg.sc);
          break;
        default:
          FailRecord("INVALID ATTR t+2 " + std::string(node), 0);
      }
    } else if (n[3] == '=') {
      switch (Key3(n)) {
        case Key3("dan"): case Key3("oya"): case Key3("ref"):
          break;
        case Key3("hai"):
          ReadTileList(ValueAt(n, 5), reg.hai, node);
          break;
        case Key3("ten"):
          ReadIntList(ValueAt(n, 5), end_, reg.ten);
          break;
        case Key3("who"):
          reg.who = digit(ValueAt(n, 5));
          if (reg.who < 0 || reg.who > 3) FailBadSeat(reg.who, node);
          break;
        default:
          FailRecord("INVALID ATTR t+3 " + std::string(n, node_end), 0);
      }
    } else {
      switch (Key(n)) {
        case Key("hai0"): case Key("hai1"): case Key("hai2"): case Key("hai3"):
          ReadTileList(ValueAt(n, 6), reg.haiN[n[3] - '0'], node);
          break;
        case Key("seed"):
          ReadIntList(ValueAt(n, 6), end_, reg.seed);
          break;
        case Key("type"): {
          const char* value = ValueAt(n, 6);
          reg.typeIsKey = value >= end_ || !IsDigit(*value);
          if (reg.typeIsKey) {
            char packed[4] = {};
            for (int i = 0; i < 4 && value + i < end_; ++i) packed[i] = value[i];
            reg.type = static_cast<std::int32_t>(Key(packed));
          } else {
            reg.type = ParseInt(value, end_);
          }
          break;
        }
        case Key("step"):
          reg.step = digit(ValueAt(n, 6));
          break;
        case Key("from"):
          reg.fromSeat = digit(ValueAt(n, 9));
          break;
        case Key("paoW"):
          reg.paoSeat = digit(ValueAt(n, 8));
          break;
        case Key("yaku"):
          if (at(n, 4) == '=') {
            ReadIntList(ValueAt(n, 6), end_, reg.yaku);
          } else {
            ReadIntList(ValueAt(n, 9), end_, reg.yakuExtra);
          }
          break;
        case Key("dora"):
          if (at(n, 10) == '=') ReadIntList(ValueAt(n, 12), end_, reg.doraHaiUra);
          break;
        case Key("yama"): case Key("lobb"): case Key("shib"): case Key("rate"):
        case Key("shuf"): case Key("mach"): case Key("rati"): case Key("chip"):
        case Key("owar"):
          break;
        default:
          FailRecord("INVALID ATTR t" + std::string(n, node_end), 0);
      }
    }
    r = n;
  }
}

}  // namespace balvek::record
