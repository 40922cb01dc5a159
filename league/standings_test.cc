#include "league/standings.h"

#include <gtest/gtest.h>

#include "league/settings.h"

namespace {

// A league game ends once: at its first winner won since it started, or at
// its end date; a later winner, or one from before it, changes nothing.
TEST(LeagueGames, TheFirstWinnerOfAGameEndsItAndGoesIntoTheHallOfFame) {
  LeagueSettings settings;
  settings.game = 2;
  settings.game_start = 1796000000;
  settings.members = {{1, "Board One", "21:1/100", {}}, {2, "The Second BBS", "21:1/200", {}}};
  ScorePacket won;
  won.board = 2;
  won.game = 2;
  won.board_name = "What It Calls Itself";
  won.winner = "Mack Daddy";
  won.win_date = settings.game_start - 1;
  won.players = {{"Mack Daddy", 5000001, 0, 99, 10, 5000001}};
  EXPECT_FALSE(NoteWinner(settings, won, won.win_date)) << "won before the game began";
  won.win_date = settings.game_start + 60;
  EXPECT_FALSE(GameEnded(settings, won.win_date));
  ASSERT_TRUE(NoteWinner(settings, won, won.win_date));
  ASSERT_EQ(settings.fame.size(), 1u);
  EXPECT_EQ(settings.fame[0].board_name, "The Second BBS");
  EXPECT_EQ(settings.fame[0].worth, 5000001);
  EXPECT_TRUE(GameEnded(settings, won.win_date));
  won.board = 1;
  EXPECT_FALSE(NoteWinner(settings, won, won.win_date)) << "a second winner in one game";
  settings.game = 3;
  settings.game_end = settings.game_start + 1000;
  EXPECT_FALSE(GameEnded(settings, settings.game_end - 1));
  EXPECT_TRUE(GameEnded(settings, settings.game_end));
}

}  // namespace
