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

// Keeps bytes under name in place of the file of its board and kind that
// `held` (from ListHeld) names, and notes it there. A file that came in
// holding those bytes (`came_in`) is moved rather than copied where it can be.
bool Hold(const std::string& dir, const std::string& name, const std::string& bytes,
          std::vector<HeldFile>& held, std::string& error, const std::string& came_in = "");
bool ReadHeld(const HeldFile& file, std::string& bytes);

// Lets go of every held file of one kind (standings of a game that ended).
void DropHeld(const std::string& dir, const char* extension);
