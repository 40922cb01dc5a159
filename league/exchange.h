// Sending this board's standings to the league and taking in what the
// mailer has brought from the other boards.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "league/file_names.h"
#include "league/settings.h"

constexpr char kLeagueLogFile[] = "league.log";
constexpr char kBadDir[] = "bad";

// Writes this board's standings as a signed packet unless nothing changed
// since the last one (`again` sends anyway), and its "still here" when what
// it holds changed or a day has nearly passed; the coordinator also makes
// its member list and hall of fame when they changed, and tells the boards
// it took out. Then offers every board it sends to what that board is owed.
// dir is the game's directory, ending in '/'. Reports on out; false and
// error when something could not be done (a rerun finishes it).
bool SendToLeague(const std::string& dir, LeagueSettings& settings, bool again, int64_t now,
                  std::ostream& out, std::string& error);

// Checks every league file in the inbound, keeps the good ones, moves the
// refused ones and whatever is no file it may read to bad/ with a line in
// league.log each, and tells this board's players of another board's winner
// as the hall of fame names him. The coordinator decides the league game's
// result and passes the members' standings on.
bool ReceiveFromLeague(const std::string& dir, LeagueSettings& settings, int64_t now,
                       std::ostream& out, std::string& error);

// Players ranked as the game ranks them, best first, at most
// kMaxPacketPlayers, names made fit for a packet.
std::vector<LeaguePlayer> RankedLocalPlayers();
