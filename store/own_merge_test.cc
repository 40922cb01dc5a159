#include "store/own_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A whore by name index, condoms and rate; 'rate' stands for a save's redraw.
struct W {
  uint8_t name;
  uint8_t condoms = 0;
  int32_t rate = 300;
};

PlayerRecord With(int32_t cash, const std::vector<W>& whores) {
  PlayerRecord player = NewPlayer();
  player.Cash = cash;
  player.HouseStreet = 40;
  for (const W& w : whores) {
    const int k = player.WhoreCount++;
    player.WhoreNameIndex[k] = w.name;
    player.WhoreCondoms[k] = w.condoms;
    player.WhoreRate[k] = w.rate;
    player.WhoreHours[k] = 8;
  }
  return player;
}

std::string Text(const PlayerRecord& player) {
  std::string text = "$" + std::to_string(player.Cash);
  for (int k = 0; k < player.WhoreCount; ++k) {
    text += " " + std::to_string(player.WhoreNameIndex[k]) + "/" +
            std::to_string(player.WhoreCondoms[k]) + "/" + std::to_string(player.WhoreRate[k]);
  }
  return text;
}

std::string Merged(const PlayerRecord& base, const PlayerRecord& mine, const PlayerRecord& disk) {
  return Text(MergeOwnRecord(base, mine, disk));
}

TEST(OwnMergeTest, HisOwnChangesGoOnTopOfWhatRivalsDidAndNeverUndoIt) {
  const PlayerRecord base = With(1000, {{1}, {2}});
  EXPECT_EQ(Merged(base, base, base), "$1000 1/0/300 2/0/300");
  EXPECT_FALSE(RivalsChanged(base, base));
  PlayerRecord robbed = With(790, {{2}});
  robbed.HouseStreet = 30;
  EXPECT_TRUE(RivalsChanged(base, robbed));
  EXPECT_EQ(Merged(base, base, robbed), "$790 2/0/300");

  EXPECT_EQ(Merged(base, With(1500, {{1}, {2}}), robbed), "$1290 2/0/300") << "won while robbed";
  EXPECT_EQ(Merged(base, With(400, {{1}, {2}}), robbed), "$190 2/0/300") << "spent";
  EXPECT_EQ(Merged(base, With(100, {{1}, {2}}), robbed), "$0 2/0/300") << "never below 0";
  EXPECT_EQ(MergeOwnRecord(base, With(2147483000, {}), With(1000000, {})).Cash, 2147483647);

  PlayerRecord mine = base;
  mine.ClothesLevel = 5;
  EXPECT_EQ(MergeOwnRecord(base, mine, robbed).HouseStreet, 30) << "the fire stands";
  EXPECT_EQ(MergeOwnRecord(base, mine, robbed).ClothesLevel, 5);
  mine.HouseStreet = 12;  // bought after the fire
  EXPECT_EQ(MergeOwnRecord(base, mine, robbed).HouseStreet, 12);
}

// His own changes to a whore follow her; one a rival took stays taken, with
// whatever he gave her; one he hired meanwhile is added.
TEST(OwnMergeTest, WhoresTakenWhileHeLookedAfterHiredOrLetGoOthers) {
  const PlayerRecord base = With(1000, {{1}, {2}, {3}});
  const PlayerRecord first_taken = With(1000, {{2}, {3}});
  EXPECT_EQ(Merged(base, With(1000, {{1}, {2}, {3, 20}}), first_taken), "$1000 2/0/300 3/20/300");
  EXPECT_EQ(Merged(base, With(1000, {{1, 20}, {2}, {3}}), first_taken), "$1000 2/0/300 3/0/300");
  EXPECT_EQ(Merged(base, With(1000, {{1, 0, 310}, {2, 0, 320}, {3, 0, 330}, {9, 0, 340}}),
                   first_taken),
            "$1000 2/0/320 3/0/330 9/0/340");
  EXPECT_EQ(Merged(base, With(1000, {{1}, {3}}), first_taken), "$1000 3/0/300");
  // The agent takes any of them: the third went while he let the first go.
  EXPECT_EQ(Merged(base, With(1000, {{2}, {3}}), With(1000, {{1}, {2}})), "$1000 2/0/300");
  // Of two alike the thief took the first: the one given condoms stays.
  EXPECT_EQ(Merged(With(1000, {{5}, {5}}), With(1000, {{5}, {5, 30}}), With(1000, {{5}})),
            "$1000 5/30/300");
}

}  // namespace
