// The names of the files boards exchange: "<league>_<board>_<sequence>" and
// an extension for each kind. The mailer drops a file whose name it has seen
// before, so the name is new for every file a board makes.
#pragma once

#include <cstdint>
#include <string>

constexpr char kScoreExtension[] = ".kdl";    // a board's standings
constexpr char kMembersExtension[] = ".kdm";  // the coordinator's member list
constexpr char kHeardExtension[] = ".kdh";    // a board's "still here"
constexpr char kFameExtension[] = ".kdf";     // the coordinator's hall of fame

// "<league>_<board>_<sequence>" and the extension.
std::string LeagueFileName(const std::string& league, int board, uint32_t sequence,
                           const char* extension);

// What a name LeagueFileName made says.
struct LeagueFileId {
  std::string league;
  int board = 0;
  uint32_t sequence = 0;
  std::string extension;  // with its dot
};
bool ParseLeagueFileName(const std::string& name, LeagueFileId& id);
