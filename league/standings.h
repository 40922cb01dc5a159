// The league as this board shows it: the member boards' standings in the
// league game under way, under the names the coordinator gave them, and the
// hall of fame of the games that ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "league/settings.h"
#include "store/league_data.h"

// The stored standings of the boards the member list names, for the game
// under way, best players first, each board under its listed name.
std::vector<ScorePacket> CurrentStandings(const LeagueSettings& settings, size_t most_players);

// Whether the standings' winner counts for the league game under way: won
// within its dates, and after his board joined the league.
bool WinCounts(const LeagueSettings& settings, const ScorePacket& standings);

// Whether the standings' winner is the one the league game under way ended with.
bool WonThisGame(const LeagueSettings& settings, const ScorePacket& standings);

// The coordinator's: ends the game under way with this board's winner in the
// hall of fame, unless it has ended already or the win does not count; true
// when it did (a new hall of fame to send).
bool NoteWinner(LeagueSettings& settings, const ScorePacket& standings, int64_t now);

// The coordinator's: ends a game whose end date has passed with the league's
// best pimp in the hall of fame; true when it did.
bool EndGameByDate(LeagueSettings& settings, int64_t now);

// "Slick Rick of Board One bought Flaming Sheinen's on 12/09/26."
std::string WinnerLine(const std::string& winner, const std::string& board_name, int64_t when);

// A Unix time in local time, as strftime's format writes it.
std::string LocalTimeText(int64_t when, const char* format);
// "12/09/26" for a Unix time, in local time.
std::string ShortDate(int64_t when);
