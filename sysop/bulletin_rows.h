// What a bulletin holds, row by row, and how each of its forms writes it.
#pragma once

#include <string>
#include <vector>

struct BulletinPiece {
  int color;  // the game's colour number, 0..15
  std::string text;
};

using BulletinRow = std::vector<BulletinPiece>;  // an empty row is a dividing rule

// How one form writes the box and its colours.
struct BulletinStyle {
  bool box_drawing;  // the CP437 line characters, or + - |
  std::string (*paint)(int color, const std::string& text);
  std::string begin;     // before the box
  std::string line_end;  // after every line but the last
  std::string end;       // after the last
};
