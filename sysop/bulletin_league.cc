// The league's bulletin: the best pimps across the league's boards, the
// boards in order of their pimps' worth, and the boards' winners.
#include "sysop/bulletin_league.h"

#include <algorithm>

#include "league/exchange.h"
#include "league/settings.h"
#include "league/standings.h"
#include "store/league_data.h"
#include "sysop/sysop.h"

namespace {

constexpr size_t kTopPlayers = 15;
constexpr int kTitleColor = 14;
constexpr int kHeadColor = 11;
constexpr int kRankColor = 11;
constexpr int kNameColor = 12;
constexpr int kBoardColor = 14;
constexpr int kWorthColor = 2;
constexpr int kTextColor = 7;

std::string Right(const std::string& text, size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string Left(const std::string& text, size_t width) {
  return text.size() >= width ? text.substr(0, width) : text + std::string(width - text.size(), ' ');
}

std::string Worth(int64_t worth) { return Right("$" + std::to_string(worth), 16); }

void AddTopPlayers(const std::vector<ScorePacket>& boards, std::vector<BulletinRow>& rows) {
  std::vector<std::pair<const LeaguePlayer*, const ScorePacket*>> all;
  for (const ScorePacket& board : boards) {
    for (const LeaguePlayer& player : board.players) all.push_back({&player, &board});
  }
  const size_t shown = std::min(all.size(), kTopPlayers);
  std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(shown), all.end(),
                    [](const auto& a, const auto& b) { return a.first->worth > b.first->worth; });
  if (shown == 0) {
    rows.push_back({{kTextColor, " No standings have arrived from the league yet."}});
    return;
  }
  rows.push_back({{kHeadColor, Left(" Rank", 6) + Left("Pimp", 31) + Left("Board", 24) +
                                   Right("Net Worth", 16)}});
  for (size_t i = 0; i < shown; ++i) {
    rows.push_back({{kRankColor, " " + Right(std::to_string(i + 1), 2) + ".  "},
                    {kNameColor, Left(all[i].first->name, 31)},
                    {kBoardColor, Left(all[i].second->board_name, 24)},
                    {kWorthColor, Worth(all[i].first->worth)}});
  }
}

void AddBoards(const LeagueSettings& settings, std::vector<ScorePacket> boards,
               std::vector<BulletinRow>& rows) {
  std::stable_sort(boards.begin(), boards.end(), [](const ScorePacket& a, const ScorePacket& b) {
    return a.total_worth > b.total_worth;
  });
  rows.push_back({{kHeadColor, Left(" Place", 8) + Left("Board", 53) + Right("Worth", 16)}});
  for (size_t i = 0; i < boards.size(); ++i) {
    rows.push_back({{kRankColor, " " + Right(std::to_string(i + 1), 3) + ".   "},
                    {kBoardColor, Left(boards[i].board_name, 53)},
                    {kWorthColor, Worth(boards[i].total_worth)}});
  }
  for (const ScorePacket& board : boards) {
    if (!WonThisGame(settings, board)) continue;
    rows.push_back({{kNameColor, " " + board.winner},
                    {kTextColor, " of " + board.board_name + " bought Flaming Sheinen's on " +
                                     ShortDate(board.win_date) + "."}});
  }
}

void AddHallOfFame(const LeagueSettings& settings, std::vector<BulletinRow>& rows) {
  if (settings.fame.empty()) return;
  rows.push_back({});
  rows.push_back({{kHeadColor, Left(" Hall of fame", 18) + Left("Played", 19) + "Won by"}});
  for (auto game = settings.fame.rbegin(); game != settings.fame.rend(); ++game) {
    rows.push_back({{kRankColor, Left(" Game " + std::to_string(game->game), 18)},
                    {kTextColor, Left(ShortDate(game->start) + " - " + ShortDate(game->end), 19)},
                    {kNameColor, game->pimp},
                    {kTextColor, " of "},
                    {kBoardColor, game->board_name}});
  }
}

}  // namespace

bool LeagueBulletinRows(const std::string& dir, std::vector<BulletinRow>& rows,
                        std::string& error) {
  LeagueSettings settings;
  if (!ReadLeagueSettings(dir, settings, error)) return false;
  const std::string title = "Kordavin: " + settings.league_name + " League Standings";
  rows = {{{kTitleColor, std::string(title.size() < 77 ? (77 - title.size()) / 2 : 0, ' ') + title}},
          {}};
  if (!InLeague(settings)) {
    rows.push_back({{kTextColor, " This board is no longer in the league."}});
    return true;
  }
  const std::vector<ScorePacket> boards = CurrentStandings(settings, kTopPlayers);
  AddTopPlayers(boards, rows);
  rows.push_back({});
  AddBoards(settings, boards, rows);
  AddHallOfFame(settings, rows);
  return true;
}
