// What a board keeps to offer again until the board it is for shows it has
// it: the latest file of each kind from each board, as it came, one copy on
// disk under the name the mailer sends it by, in league-held/ beside the
// game. Flow files name these files themselves, however many boards they go
// to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr char kHeldDir[] = "league-held";

struct HeldFile {
  int board = 0;           // the board it is from
  uint32_t sequence = 0;   // its sequence, from its name
  std::string extension;   // its kind
  std::string path;        // absolute: the mailer reads it from the flow file
};

// The latest held file of each board and kind. A file of the former layout
// ("<board>.kdl") is renamed to its sending name first.
std::vector<HeldFile> ListHeld(const std::string& dir);
const HeldFile* FindHeld(const std::vector<HeldFile>& held, const char* extension, int board);

// Keeps bytes under name in place of the older files of its board and kind.
bool Hold(const std::string& dir, const std::string& name, const std::string& bytes,
          std::string& error);
bool ReadHeld(const HeldFile& file, std::string& bytes);

// Lets go of every held file of one kind (standings of a game that ended).
void DropHeld(const std::string& dir, const char* extension);
