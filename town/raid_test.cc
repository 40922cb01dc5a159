#include "town/raid.h"

#include <gtest/gtest.h>

#include "door/fake_host_testing.h"
#include "store/state.h"
#include "town/raid_testing.h"

namespace {

constexpr int32_t kMaxCash = 2147483647;
constexpr char kPickRival2[] = "N2\r";  // no roster, rival number 2

class RaidTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeRaidTestDir();
    caller_ = MakeRaidTestPlayer("Slick", "Caller One");
    victim_ = MakeRaidTestPlayer("Big Al", "Rival Two");
  }
  void TearDown() override { RemoveRaidTestDir(dir_); }
  void Reset() {
    TearDown();
    SetUp();
  }

  // Writes both records; the victim is player 2.
  void Start() {
    SetRaidTestCaller(dir_, caller_);
    AddRaidTestPlayer(dir_, victim_);
  }
  PlayerRecord Victim() { return ReadRaidTestPlayer(dir_, 2); }

  void Steal(const std::string& keys, std::initializer_list<int32_t> draws) {
    Start();
    QueueKeys(kPickRival2 + keys);
    QueueDraws(draws);
    StealFromPimp();
    output_ = TakeOutput();
  }
  void Firebomb(std::initializer_list<int32_t> draws) {
    Start();
    QueueKeys(kPickRival2);
    QueueDraws(draws);
    FirebombHouse();
    output_ = TakeOutput();
  }
  bool Shown(const std::string& text) const { return output_.find(text) != std::string::npos; }

  std::string dir_;
  PlayerRecord caller_;
  PlayerRecord victim_;
  std::string output_;
};

TEST_F(RaidTest, PickPocketTakesASixthOnlyFromAPoorerVictim) {
  struct Case {
    int32_t caller, victim, taken;
  };
  for (const Case c : {Case{10000, 6000, 1050}, Case{5999, 6000, 50}}) {
    Reset();
    caller_.Cash = c.caller;
    victim_.Cash = c.victim;
    Steal("M", {0});
    EXPECT_TRUE(Shown("Steal [M]oney, or [Q]uit : Money\r\n\r\nYou bump into him"));
    EXPECT_TRUE(Shown("tug out his wallet. You open\r\nthe wallet and find $" +
                      std::to_string(c.taken) + ".\r\n"));
    EXPECT_EQ(GameSession.Player.Cash, c.caller + c.taken);
    EXPECT_EQ(Victim().Cash, c.victim - c.taken);
    EXPECT_EQ(GameSession.TimeLeft, 185);
    const auto news = ReadRaidTestNews(dir_);
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].To, "Rival Two");
    EXPECT_EQ(news[0].Line1, "Someone stole $" + std::to_string(c.taken) + " from you.");
    EXPECT_EQ(news[0].Line2, "");
  }
}

TEST_F(RaidTest, PickPocketTakesNoMoreThanHisCashNorWrapsTheThief) {
  caller_.Cash = kMaxCash - 10;
  victim_.Cash = 30;
  Steal("M", {1});
  EXPECT_EQ(Victim().Cash, 0);
  EXPECT_EQ(GameSession.Player.Cash, kMaxCash);
  EXPECT_TRUE(Shown("the wallet and find $30.\r\n"));
  EXPECT_EQ(ReadRaidTestNews(dir_)[0].Line1, "Someone stole $30 from you.");

  Reset();
  caller_.Cash = 1000;
  victim_.Cash = 40;
  Steal("M", {1});
  EXPECT_EQ(GameSession.Player.Cash + Victim().Cash, 1040);
}

TEST_F(RaidTest, FailedPickPocketsCostTimeButLeaveNoTrace) {
  for (int32_t draw : {2, 4, 5, 8}) {
    Reset();
    victim_.Cash = 6000;
    Steal("M", {draw});
    EXPECT_TRUE(Shown(draw <= 4 ? "find absolutley nothing." : "you have to quickly run off."));
    EXPECT_EQ(GameSession.Player.Cash, 1000);
    EXPECT_EQ(Victim().Cash, 6000);
    EXPECT_EQ(GameSession.TimeLeft, 185);
    EXPECT_TRUE(ReadRaidTestNews(dir_).empty());
  }
}

TEST_F(RaidTest, KnifeHandsTheThiefsCashToTheVictimWithoutWrapping) {
  caller_.Cash = 500;
  victim_.Cash = kMaxCash - 100;
  Steal("M", {9});
  EXPECT_TRUE(Shown("money. You do so, and then quickly run off.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 0);
  EXPECT_EQ(Victim().Cash, kMaxCash);
  EXPECT_EQ(ReadRaidTestNews(dir_)[0].Line1, "Slick tried to steal some money from you.");
}

TEST_F(RaidTest, LuredWhoreBringsAllFiveValuesAndLeavesHisSlotsPacked) {
  caller_.HouseStreet = 12;
  GiveRaidTestWhores(caller_, 2, 1, 0);
  victim_.Cash = 0;
  GiveRaidTestWhores(victim_, 3, 5, 40);
  victim_.WhoreRate = {111, 222, 333};
  Steal("W", {3});
  EXPECT_TRUE(Shown("Steal [W]hores, or [Q]uit : Whores\r\n\r\nYou walk you to"));
  EXPECT_TRUE(Shown("\"Sounds like a good deal to me. I'll be at your corner tonight.\r\n"));
  const PlayerRecord& me = GameSession.Player;
  ASSERT_EQ(me.WhoreCount, 3);
  EXPECT_EQ(me.WhoreNameIndex[2], 5);
  EXPECT_EQ(me.WhoreRate[2], 111);
  EXPECT_EQ(me.WhoreHours[2], 8);
  EXPECT_EQ(me.WhoreCondoms[2], 40);
  EXPECT_EQ(me.WhoreDays[2], 1);
  const PlayerRecord victim = Victim();
  ASSERT_EQ(victim.WhoreCount, 2);
  EXPECT_EQ(victim.WhoreNameIndex[0], 6);
  EXPECT_EQ(victim.WhoreRate[1], 333);
  EXPECT_EQ(victim.WhoreDays[1], 3);
  EXPECT_EQ(victim.WhoreNameIndex[2], 0);
  EXPECT_EQ(victim.WhoreRate[2], 0);
  EXPECT_EQ(ReadRaidTestNews(dir_)[0].Line1, "Girl5 left you to work for Slick.");
  EXPECT_EQ(GameSession.TimeLeft, 185);
}

TEST_F(RaidTest, RefusingWhoreChangesNothing) {
  caller_.HouseStreet = 12;
  GiveRaidTestWhores(victim_, 1, 5, 0);
  victim_.Cash = 70;
  Steal("W", {4});
  EXPECT_TRUE(Shown("\"No way! You are a low life scum!\"\r\n"));
  EXPECT_EQ(GameSession.Player.WhoreCount, 0);
  EXPECT_EQ(Victim().WhoreCount, 1);
  EXPECT_TRUE(ReadRaidTestNews(dir_).empty());
}

TEST_F(RaidTest, WhoresAreOfferedOnlyToACallerWithAHouseAndRoom) {
  victim_.Cash = 100;
  GiveRaidTestWhores(victim_, 1, 5, 0);
  caller_.HouseStreet = 3;
  GiveRaidTestWhores(caller_, 20, 21, 0);
  Steal("Q", {});
  EXPECT_TRUE(Shown("Steal [M]oney, or [Q]uit : Quit\r\n"));
  EXPECT_EQ(GameSession.TimeLeft, 200);

  Reset();
  victim_.Cash = 100;
  GiveRaidTestWhores(victim_, 1, 5, 0);
  Steal("WQ", {});  // W is not offered without a house, so it is ignored
  EXPECT_TRUE(Shown("Steal [M]oney, or [Q]uit : Quit\r\n"));
  EXPECT_TRUE(Fake.asked.empty());
}

TEST_F(RaidTest, NothingToStealCostsNoTime) {
  victim_.Cash = 0;
  GiveRaidTestWhores(victim_, 2, 5, 0);
  Steal("", {});
  EXPECT_TRUE(Shown("He has no money.\r\nHe has no money, and since you don't have a whore "
                    "house, you can't steal\r\nhis whores.\r\n"));
  EXPECT_FALSE(Shown("Steal "));
  EXPECT_EQ(GameSession.TimeLeft, 200);

  Reset();
  victim_.Cash = 0;
  Steal("", {});
  EXPECT_TRUE(Shown("He has no money, and no whores.\r\n"));
  EXPECT_FALSE(Shown("He has no money.\r\n"));
}

TEST_F(RaidTest, AloneInTheGameThereIsNobodyToRob) {
  SetRaidTestCaller(dir_, caller_);
  StealFromPimp();
  FirebombHouse();
  EXPECT_EQ(TakeOutput(),
            "\r\nThere are no rival pimps to steal from.\r\n"
            "\r\nThere are no rival pimps to firebomb.\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 200);
}

TEST_F(RaidTest, BurntHouseMovesByTheStreetFormula) {
  struct Case {
    uint8_t victim_street, caller_street, new_street;
    const char* news_street;
  };
  for (const Case c : {Case{40, 20, 30, "30th"}, Case{40, 60, 30, "30th"},
                       Case{40, 0, 40, "40th"}, Case{1, 0, 1, "1st"}, Case{1, 99, 1, "1st"}}) {
    Reset();
    victim_.HouseStreet = c.victim_street;
    caller_.HouseStreet = c.caller_street;
    Firebomb({2});
    EXPECT_TRUE(Shown("went up in flames. Business will definitely be\r\npoor for him"));
    EXPECT_EQ(Victim().HouseStreet, c.new_street);
    EXPECT_EQ(GameSession.TimeLeft, 170);
    const auto news = ReadRaidTestNews(dir_);
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].To, "Rival Two");
    EXPECT_EQ(news[0].Line1, std::string("Your whore house was fire bombed. You were forced to "
                                         "relocate to ") + c.news_street + " & Main.");
  }
}

TEST_F(RaidTest, FumbledFirebombMayRuinTheTopPieceButNeverTheFirst) {
  victim_.HouseStreet = 40;
  caller_.ClothesLevel = 3;
  Firebomb({9});
  EXPECT_TRUE(Shown("You drive down to his 40th & Main whore house and throw all these"));
  EXPECT_TRUE(Shown("No damage was done.\r\nBut, in the process, you accidently recked your "
                    "Piece3.\r\n"));
  EXPECT_EQ(GameSession.Player.ClothesLevel, 2);
  EXPECT_EQ(Victim().HouseStreet, 40);
  EXPECT_TRUE(ReadRaidTestNews(dir_).empty());

  Reset();
  victim_.HouseStreet = 40;
  Firebomb({9});
  EXPECT_FALSE(Shown("But, in the process"));
  EXPECT_EQ(GameSession.Player.ClothesLevel, 1);
  EXPECT_EQ(GameSession.TimeLeft, 170);
}

TEST_F(RaidTest, NoHouseToFirebombCostsNothing) {
  Firebomb({});
  EXPECT_TRUE(Shown("\r\nHe doesn't have a whore house to firebomb.\r\n"));
  EXPECT_TRUE(Fake.asked.empty());
  EXPECT_EQ(GameSession.TimeLeft, 200);
}

}  // namespace
