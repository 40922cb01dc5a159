// Sending this board's standings to the league and taking in what the
// mailer has brought from the other boards.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "league/settings.h"

// Files that go through the mailer: "<league>_<board>_<sequence>" and the
// extension; the mailer drops a file whose name it has seen before, so the
// name is new for every packet.
constexpr char kScoreExtension[] = ".kdl";
constexpr char kMembersExtension[] = ".kdm";
constexpr char kLeagueLogFile[] = "league.log";
constexpr char kBadDir[] = "bad";
constexpr char kSpoolDir[] = "league-out";
// How long a send waits for a mailer's session with one destination to end.
constexpr int kBusyWaitMs = 10000;

// Writes this board's standings as a signed packet and queues it for the
// coordinator (the coordinator's for every member), unless nothing changed
// since the last one (`again` sends anyway); the coordinator also sends a
// member list the others have not had, to the boards it took out as well.
// dir is the game's directory, ending in '/'. Reports on out; false and
// error when something could not be done (a rerun finishes it).
bool SendToLeague(const std::string& dir, LeagueSettings& settings, bool again, int64_t now,
                  std::ostream& out, std::string& error);

// Checks every league file in the inbound, keeps the good ones' standings,
// moves the refused ones and whatever is no file it may read to bad/ with a
// line in league.log each, and tells this board's players of a board's
// winner once in a league game. The coordinator passes the members'
// standings on.
bool ReceiveFromLeague(const std::string& dir, LeagueSettings& settings, int64_t now,
                       std::ostream& out, std::string& error);

// Players ranked as the game ranks them, best first, at most
// kMaxPacketPlayers, names made fit for a packet.
std::vector<LeaguePlayer> RankedLocalPlayers();

// "<league>_<board>_<sequence>" and the extension.
std::string LeagueFileName(const std::string& league, int board, uint32_t sequence,
                           const char* extension);
