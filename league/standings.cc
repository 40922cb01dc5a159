#include "league/standings.h"

#include <algorithm>
#include <ctime>

namespace {

// Standings stored before league games were numbered belong to the first.
bool OfGame(const LeagueSettings& settings, const ScorePacket& standings) {
  return standings.game == settings.game || (standings.game == 0 && settings.game == 1);
}

bool HasFame(const LeagueSettings& settings) {
  return !settings.fame.empty() && settings.fame.back().game == settings.game;
}

}  // namespace

std::vector<ScorePacket> CurrentStandings(const LeagueSettings& settings, size_t most_players) {
  std::vector<ScorePacket> boards;
  for (ScorePacket& standings : ReadStandings(most_players)) {
    const LeagueMember* member = FindMember(settings, standings.board);
    if (member == nullptr || !OfGame(settings, standings)) continue;
    standings.board_name = member->name;
    boards.push_back(std::move(standings));
  }
  return boards;
}

bool WinCounts(const LeagueSettings& settings, const ScorePacket& standings) {
  if (standings.winner.empty() || !OfGame(settings, standings)) return false;
  if (standings.win_date < settings.game_start) return false;
  if (settings.game_end != 0 && standings.win_date >= settings.game_end) return false;
  const auto joined = settings.joined.find(standings.board);
  return joined == settings.joined.end() || standings.win_date >= joined->second;
}

bool WonThisGame(const LeagueSettings& settings, const ScorePacket& standings) {
  return HasFame(settings) && OfGame(settings, standings) && !standings.winner.empty() &&
         settings.fame.back().board == standings.board &&
         settings.fame.back().pimp == standings.winner;
}

namespace {

void AddFame(LeagueSettings& settings, const FameEntry& entry, int64_t now) {
  settings.fame.push_back(entry);
  settings.fame_sequence = std::max<uint32_t>(settings.fame_sequence + 1, static_cast<uint32_t>(now));
}

}  // namespace

bool NoteWinner(LeagueSettings& settings, const ScorePacket& standings, int64_t now) {
  if (HasFame(settings) || !WinCounts(settings, standings)) return false;
  FameEntry entry{settings.game, settings.game_start, standings.win_date, standings.board, 0,
                  standings.winner, standings.board_name};
  if (const LeagueMember* member = FindMember(settings, standings.board)) {
    entry.board_name = member->name;
  }
  for (const LeaguePlayer& player : standings.players) {
    if (player.name == standings.winner) entry.worth = std::max(entry.worth, player.worth);
  }
  AddFame(settings, entry, now);
  return true;
}

bool EndGameByDate(LeagueSettings& settings, int64_t now) {
  if (HasFame(settings) || settings.game_end == 0 || now < settings.game_end) return false;
  FameEntry entry{settings.game, settings.game_start, settings.game_end, 0, -1, "", ""};
  for (const ScorePacket& board : CurrentStandings(settings, 1)) {
    if (board.players.empty() || board.players[0].worth <= entry.worth) continue;
    entry.board = board.board;
    entry.worth = board.players[0].worth;
    entry.pimp = board.players[0].name;
    entry.board_name = board.board_name;
  }
  if (entry.board == 0) return false;
  AddFame(settings, entry, now);
  return true;
}

std::string WinnerLine(const std::string& winner, const std::string& board_name, int64_t when) {
  return winner + " of " + board_name + " bought Flaming Sheinen's on " + ShortDate(when) + ".";
}

std::string LocalTimeText(int64_t when, const char* format) {
  const time_t seconds = static_cast<time_t>(when);
  struct tm local {};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

std::string ShortDate(int64_t when) { return LocalTimeText(when, "%m/%d/%y"); }
