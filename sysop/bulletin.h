// The login bulletin's content, and the forms it is written in: an ANSI
// screen in CP437, plain text, and a web page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/records.h"

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

// The top pimps by net worth and whether the game runs or is won.
std::vector<BulletinRow> BulletinRows(const std::vector<PlayerRecord>& players,
                                      const GameConfig& config);

// The league's standings; false with error when no league is set up in dir.
bool LeagueBulletinRows(const std::string& dir, std::vector<BulletinRow>& rows,
                        std::string& error);

// The rows in a box 79 columns wide.
std::string RenderBulletin(const std::vector<BulletinRow>& rows, const BulletinStyle& style);

// One self-contained page: inline style, no fonts or files of its own.
std::string RenderBulletinHtml(const std::vector<BulletinRow>& rows);

// UTF-8 text made safe between tags and inside quoted attributes.
std::string EscapeHtml(std::string_view text);
