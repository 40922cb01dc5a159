#include "store/own_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct W {
  uint8_t name;
  uint8_t condoms = 0;
  int32_t rate = 300;
};

PlayerRecord With(int32_t cash, const std::vector<W>& whores) {
  PlayerRecord player = NewPlayer();
  player.Name = "Slick";
  player.Cash = cash;
  player.HouseStreet = 40;
  for (const W& w : whores) {
    const int k = player.WhoreCount++;
    player.WhoreNameIndex[k] = w.name;
    player.WhoreCondoms[k] = w.condoms;
    player.WhoreRate[k] = w.rate;
    player.WhoreHours[k] = 8;
    player.WhoreDays[k] = 3;
  }
  return player;
}

std::vector<W> Roster(const PlayerRecord& player) {
  std::vector<W> roster;
  for (int k = 0; k < player.WhoreCount; ++k) {
    roster.push_back({player.WhoreNameIndex[k], player.WhoreCondoms[k], player.WhoreRate[k]});
  }
  return roster;
}

// The roster as name/condoms/rate triples, for messages that show what moved.
std::string Text(const std::vector<W>& roster) {
  std::string text;
  for (const W& w : roster) {
    text += "(" + std::to_string(w.name) + "," + std::to_string(w.condoms) + "," +
            std::to_string(w.rate) + ")";
  }
  return text;
}

std::string Merged(const PlayerRecord& base, const PlayerRecord& mine,
                   const PlayerRecord& on_disk) {
  return Text(Roster(MergeOwnRecord(base, mine, on_disk)));
}

TEST(OwnMergeTest, WhatNobodyChangedAndWhatOnlyRivalsChangedStandAsTheFileHasIt) {
  const PlayerRecord base = With(1000, {{1}, {2}});
  EXPECT_EQ(EncodePlayer(MergeOwnRecord(base, base, base)), EncodePlayer(base));
  EXPECT_FALSE(RivalsChanged(base, base));

  PlayerRecord robbed = With(790, {{2}});
  robbed.HouseStreet = 30;
  const PlayerRecord merged = MergeOwnRecord(base, base, robbed);
  EXPECT_EQ(merged.Cash, 790);
  EXPECT_EQ(merged.HouseStreet, 30);
  EXPECT_EQ(Merged(base, base, robbed), Text({{2}}));
  EXPECT_TRUE(RivalsChanged(base, robbed));
}

TEST(OwnMergeTest, CashMovesByHisOwnDifferenceOnTopOfWhatWasTaken) {
  const PlayerRecord base = With(1000, {});
  const PlayerRecord robbed = With(800, {});
  EXPECT_EQ(MergeOwnRecord(base, With(1500, {}), robbed).Cash, 1300) << "won while robbed";
  EXPECT_EQ(MergeOwnRecord(base, With(400, {}), robbed).Cash, 200) << "spent while robbed";
  EXPECT_EQ(MergeOwnRecord(base, With(100, {}), robbed).Cash, 0) << "never stored below 0";
  EXPECT_EQ(MergeOwnRecord(base, With(2147483000, {}), With(1000000, {})).Cash, 2147483647);
}

// His own changes to a whore follow her; one a rival took stays taken, with
// whatever he gave her; one he hired or lured meanwhile is added.
TEST(OwnMergeTest, WhoresTakenWhileHeLookedAfterOrHiredOthers) {
  const PlayerRecord base = With(1000, {{1}, {2}, {3}});
  const PlayerRecord first_taken = With(1000, {{2}, {3}});

  const PlayerRecord condoms_to_third = With(1000, {{1}, {2}, {3, 20}});
  EXPECT_EQ(Merged(base, condoms_to_third, first_taken), Text({{2}, {3, 20}}));

  const PlayerRecord condoms_to_first = With(1000, {{1, 20}, {2}, {3}});
  EXPECT_EQ(Merged(base, condoms_to_first, first_taken), Text({{2}, {3}}));

  const PlayerRecord hired = With(1000, {{1, 0, 310}, {2, 0, 320}, {3, 0, 330}, {9, 0, 340}});
  EXPECT_EQ(Merged(base, hired, first_taken), Text({{2, 0, 320}, {3, 0, 330}, {9, 0, 340}}));

  const PlayerRecord disbanded_second = With(1000, {{1}, {3}});
  EXPECT_EQ(Merged(base, disbanded_second, first_taken), Text({{3}}));

  // The agent takes any of them: the third went while he disbanded the first.
  EXPECT_EQ(Merged(base, With(1000, {{2}, {3}}), With(1000, {{1}, {2}})), Text({{2}}));
}

// Two women alike in every field: the thief took the first, so the one he
// gave condoms to, the second, is the one still with him.
TEST(OwnMergeTest, OfTwoWhoresAlikeTheThiefTookTheFirst) {
  const PlayerRecord base = With(1000, {{5}, {5}});
  const PlayerRecord mine = With(1000, {{5}, {5, 30}});
  EXPECT_EQ(Merged(base, mine, With(1000, {{5}})), Text({{5, 30}}));
}

TEST(OwnMergeTest, HisOtherChangesWinOnlyWhereHeMadeThem) {
  PlayerRecord base = With(1000, {});
  base.CondomStock = 10;
  PlayerRecord mine = base;
  mine.ClothesLevel = 5;
  mine.CondomStock = 4;
  mine.TimeLeft = 200;
  PlayerRecord burnt = base;
  burnt.HouseStreet = 30;
  const PlayerRecord merged = MergeOwnRecord(base, mine, burnt);
  EXPECT_EQ(merged.HouseStreet, 30);
  EXPECT_EQ(merged.ClothesLevel, 5);
  EXPECT_EQ(merged.CondomStock, 4);
  EXPECT_EQ(merged.TimeLeft, 200);
  mine.HouseStreet = 12;  // he bought a house on 12th after the fire
  EXPECT_EQ(MergeOwnRecord(base, mine, burnt).HouseStreet, 12);
}

}  // namespace
