#pragma once
// Reads a decompressed game record in place: the header, the player node,
// the final scores and then one node at a time, each named node's attributes
// going into the registers. No copy of the text, no document tree.
// Malformed text shows its message box and throws platform::DataError.
#include <cstdint>
#include <string_view>
#include <vector>

#include "record/Registers.h"

namespace balvek::record {

struct Node {
  enum Kind { kEnd, kTile, kNamed };
  Kind kind = kEnd;
  char letter = 0;        // tile nodes: D..G discard, T..W draw
  std::int32_t tile = 0;  // tile nodes: the tile id, 0..135
  char name[2] = {};      // named nodes: the first two characters
  std::string_view text;  // "<" to ">" included
};

class RecordReader {
 public:
  // The byte after the text must be zero; an earlier zero byte ends the text.
  explicit RecordReader(std::string_view text);

  // True when the text starts with a version 2.3 root; the cursor then stands
  // at the first node.
  bool ReadHeader();
  // The first "<UN " node after the header; all empty when there is none.
  const PlayerValues& ReadPlayers();
  // The first owari list after the header; empty when there is none.
  const std::vector<double>& ReadOwari();
  Node NextNode();

  Registers& registers() { return registers_; }

 private:
  void ReadAttributes(const char* lt, const char* node_end);
  // Where a value that begins `offset` characters after a name starts, never
  // beyond the end of the text.
  const char* ValueAt(const char* name, std::ptrdiff_t offset) const;
  void ReadTileList(const char* value, std::vector<std::int32_t>& out,
                    std::string_view node);
  const char* Find(const char* from, std::string_view what) const;

  const char* begin_;
  const char* end_;  // the terminating zero byte
  const char* cursor_;
  Registers registers_;
  PlayerValues players_;
  std::vector<double> owari_;
};

}  // namespace balvek::record
