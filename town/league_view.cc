// /L at a street corner: the InterBBS league's best pimps across all its
// boards, and where this board stands among them.
#include "town/league_view.h"

#include <algorithm>
#include <string>
#include <vector>

#include "door/input.h"
#include "door/output.h"
#include "door/pager.h"
#include "door/session.h"
#include "door/text.h"
#include "league/settings.h"
#include "league/standings.h"
#include "store/league_data.h"

namespace {

constexpr size_t kShownPlayers = 60;
constexpr size_t kBoardNameColumns = 24;
constexpr size_t kFameShown = 5;

struct LeagueRow {
  const LeaguePlayer* player;
  const std::string* board_name;
};

// Filled by the columns the text takes, so a colour code in a name does not
// pull the next column in.
std::string Padded(const std::string& text, size_t width) {
  return PaddedToColumns(text.substr(0, width), width);
}

std::string Dollars(int64_t amount) {
  const std::string text = "$" + std::to_string(amount);
  return std::string(text.size() < 15 ? 15 - text.size() : 0, ' ') + text;
}

// Each board's list is best first, so the league's best are among every
// board's first kShownPlayers.
std::vector<LeagueRow> BestAcross(const std::vector<ScorePacket>& boards) {
  std::vector<LeagueRow> rows;
  for (const ScorePacket& board : boards) {
    for (const LeaguePlayer& player : board.players) rows.push_back({&player, &board.board_name});
  }
  const size_t shown = std::min(rows.size(), kShownPlayers);
  std::partial_sort(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(shown), rows.end(),
                    [](const LeagueRow& a, const LeagueRow& b) {
                      return a.player->worth > b.player->worth;
                    });
  rows.resize(shown);
  return rows;
}

void WritePlace(const std::vector<ScorePacket>& boards, int own_board) {
  std::vector<const ScorePacket*> order;
  for (const ScorePacket& board : boards) order.push_back(&board);
  std::stable_sort(order.begin(), order.end(), [](const ScorePacket* a, const ScorePacket* b) {
    return a->total_worth > b->total_worth;
  });
  for (size_t place = 0; place < order.size(); ++place) {
    if (order[place]->board != own_board) continue;
    WriteLine("|CR|11" + order[place]->board_name + " |03stands |14" +
              Ordinal(static_cast<int>(place + 1)) + "|03 of |14" + std::to_string(order.size()) +
              "|03 boards by the worth of its pimps.");
    return;
  }
  WriteLine("|CR|03This board's standings have not been sent to the league yet.");
}

// The latest games that ended, one line each within 80 columns.
void WriteHallOfFame(const LeagueSettings& settings) {
  if (settings.fame.empty()) return;
  WriteLine("|CR|14Hall of fame");
  const size_t first = settings.fame.size() > kFameShown ? settings.fame.size() - kFameShown : 0;
  for (size_t i = first; i < settings.fame.size(); ++i) {
    const FameEntry& game = settings.fame[i];
    WriteLine("|11" + Padded("Game " + std::to_string(game.game), 11) + "|03" +
              ShortDate(game.start) + "-" + ShortDate(game.end) + "  |12" + Padded(game.pimp, 31) +
              "|14" + Padded(game.board_name, 18));
  }
}

}  // namespace

void ShowLeague() {
  LeagueSettings settings;
  std::string error;
  if (!ReadLeagueSettings(DoorSession.ProgramDir, settings, error)) {
    WriteLine("|CR|03This board plays in no InterBBS league.");
    return;
  }
  if (!InLeague(settings)) {
    WriteLine("|CR|03This board is no longer in the |14" + settings.league_name + "|03 league.");
    return;
  }
  const std::vector<ScorePacket> boards = CurrentStandings(settings, kShownPlayers);
  const std::vector<LeagueRow> rows = BestAcross(boards);
  ClearScreen();
  WriteLine("|14" + settings.league_name + "|03: the InterBBS league's top pimps");
  WriteLine("|03     " + Padded("Pimp Name", 31) + Padded("Board", kBoardNameColumns + 1) +
            "      Net Worth");
  WriteLine("|03     " + Rule(29) + "  " + Rule(static_cast<int>(kBoardNameColumns)) + "  " +
            Rule(14));
  int rank = 0;
  for (const LeagueRow& row : rows) {
    WriteLine("|11" + std::string(rank + 1 < 10 ? " " : "") + std::to_string(rank + 1) + "]  |12" +
              Padded(NameOnScreen(row.player->name), 31) + "|14" + Padded(NameOnScreen(*row.board_name), kBoardNameColumns) +
              "|02 " + Dollars(row.player->worth));
    if (++rank % ListRowsPerScreen() == 0 && static_cast<size_t>(rank) < rows.size()) PauseKey();
  }
  if (rows.empty()) WriteLine("|03No standings have arrived from the league yet.");
  WritePlace(boards, settings.board);
  WriteHallOfFame(settings);
}
