// The league's settings: kordavin.league beside the game, a text file of
// "key = value" lines the sysop tool writes and a sysop can read. The member
// list is the coordinator's; other boards take it from his signed list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "league/packet.h"

constexpr char kSettingsFile[] = "kordavin.league";

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
  std::string sent_to;            // the boards the last standings went to: "2,3,7"
  std::vector<LeagueMember> members;  // this board included
};

bool ReadLeagueSettings(const std::string& dir, LeagueSettings& settings, std::string& error);
// Written aside and renamed into place.
bool WriteLeagueSettings(const std::string& dir, const LeagueSettings& settings,
                         std::string& error);
// Checks what a hand-edited file may have got wrong; empty when sound.
std::string SettingsProblem(const LeagueSettings& settings);

const LeagueMember* FindMember(const LeagueSettings& settings, int board);
