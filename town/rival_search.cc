#include "town/rival_search.h"

#include <algorithm>
#include <string>
#include <vector>

#include "door/output.h"
#include "door/pager.h"
#include "door/text.h"
#include "store/caller.h"
#include "store/players.h"
#include "store/rules.h"

namespace {

constexpr std::string_view kMorePrompt = "|13[ENTER for more]";

// A search through every name on the board: compared in place, letter by
// letter, with nothing copied.
bool Holds(std::string_view name, std::string_view upper_piece) {
  return std::search(name.begin(), name.end(), upper_piece.begin(), upper_piece.end(),
                     [](char a, char b) { return UpperChar(static_cast<uint8_t>(a)) == b; }) !=
         name.end();
}

// Whether the record is keyed as the caller is: his own, or one more of his.
bool IsCallers(const PlayerStanding& player, const PlayerKey& me) {
  PlayerRecord keyed;
  keyed.BbsAlias = std::string(player.BbsAlias);
  keyed.KeyKind = player.KeyKind;
  return HoldsKey(keyed, me);
}

}  // namespace

int64_t ListOtherPlayers(const std::function<bool(const PlayerStanding&)>& shown, bool& any) {
  const PlayerKey me = CallerKey();
  const size_t per_screen = static_cast<size_t>(ListRowsPerScreen());
  int64_t from = 0;
  any = false;
  for (;;) {
    std::vector<std::string> rows;
    int64_t next_screen = -1;  // the first row of the screen after this one
    // Gathered under the file's lock and written once it is let go.
    const int64_t count = ScanStandings(from, [&](int64_t index, const PlayerStanding& player) {
      if (index >= kMostPlayerNumber) return false;
      if (!shown(player) || IsCallers(player, me)) return true;
      if (rows.size() == per_screen) {
        next_screen = index;
        return false;
      }
      rows.push_back("|12" + std::to_string(index + 1) + "] |14" + NameOnScreen(player.Name));
      return true;
    });
    any = any || !rows.empty();
    for (const std::string& row : rows) WriteLine(row);
    if (next_screen < 0 || !PauseOrEnd(kMorePrompt, "\r")) return count;
    from = next_screen;
  }
}

void ListPlayersMatching(std::string_view piece) {
  const std::string upper_piece = UpperText(piece);
  const bool handles = CallerKey().Kind == kKeyedByHandle;
  bool any = false;
  ListOtherPlayers(
      [&](const PlayerStanding& player) {
        return Holds(player.Name, upper_piece) ||
               (NameIsShown(player.KeyKind, handles) && Holds(player.BbsAlias, upper_piece));
      },
      any);
  if (!any) WriteLine("|12No pimp's name holds that.");
}
