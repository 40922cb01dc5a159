// The league's settings: kordavin.league beside the game, a text file of
// "key = value" lines the sysop tool writes and a sysop can read. The member
// list is the coordinator's; other boards take it from his signed list.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "league/packet.h"

constexpr char kSettingsFile[] = "kordavin.league";
// Held by every league command that changes the settings, from its reading
// of them to its last write, so that a send and a receive at once never lose
// each other's change.
constexpr char kSettingsLockFile[] = "kordavin.league.lock";

struct FtnAddress {
  int zone = 0;   // 1..32767
  int net = 0;    // 0..32767
  int node = 0;   // 0..32767
  int point = 0;  // 0 = the node itself
};

// "zone:net/node" or "zone:net/node.point", an optional "@domain" ignored.
bool ParseFtnAddress(std::string_view text, FtnAddress& address);
std::string FtnAddressText(const FtnAddress& address);

struct LeagueSettings {
  std::string league;       // the league's id, 1..8 letters and digits
  std::string league_name;
  int board = 0;            // this board, 1..255
  std::string board_name;
  std::string address;      // this board's FTN address
  std::string outbound;     // the mailer's Binkley-style outbound for its own zone
  std::string inbound;      // where the mailer puts received files
  int coordinator = 0;      // the board that owns the member list
  uint32_t members_sequence = 0;  // of the member list last made or taken
  uint32_t members_sent = 0;      // the coordinator's: the list last sent out
  uint32_t fame_sequence = 0;     // of the hall of fame last made (coordinator) or taken
  uint32_t game = 1;              // the league game under way
  int64_t game_start = 0;
  int64_t game_end = 0;           // the coordinator's end date; 0: until a winner
  std::vector<LeagueMember> members;  // this board included, unless it was taken out
  std::vector<LeagueMember> removed;  // the coordinator's: taken out, not told yet
  std::vector<FameEntry> fame;        // ended league games, oldest first
  std::map<int, int64_t> joined;      // board -> when it joined (the coordinator's: its add)
  std::map<int, int64_t> heard;       // board -> the date of its latest file taken
};

// Holds kSettingsLockFile for as long as it lives; waits for another holder.
struct SettingsLock {
  explicit SettingsLock(const std::string& dir);
  ~SettingsLock();
  SettingsLock(const SettingsLock&) = delete;
  SettingsLock& operator=(const SettingsLock&) = delete;
  bool held() const { return fd >= 0; }
  int fd = -1;
};

bool ReadLeagueSettings(const std::string& dir, LeagueSettings& settings, std::string& error);
// Written to a name of its own and renamed into place; the caller holds a
// SettingsLock.
bool WriteLeagueSettings(const std::string& dir, const LeagueSettings& settings,
                         std::string& error);
// Checks what a hand-edited file may have got wrong; empty when sound.
std::string SettingsProblem(const LeagueSettings& settings);

const LeagueMember* FindMember(const LeagueSettings& settings, int board);
// Whether the coordinator's list still names this board.
bool InLeague(const LeagueSettings& settings);
// Notes a file from board dated `date` for "last heard".
void NoteHeard(LeagueSettings& settings, int board, int64_t date);
// Whether the league game has ended: won, or past its end date.
bool GameEnded(const LeagueSettings& settings, int64_t now);

// Text fit for a log line or a terminal: bytes outside printable ASCII as '?'.
std::string Printable(std::string_view text);
// text as one word for a POSIX shell.
std::string ShellQuoted(std::string_view text);
