#include "town/sheinens.h"

#include <gtest/gtest.h>

#include "door/fake_host_testing.h"
#include "game/command_codes.h"
#include "door/session.h"
#include "game/menus.h"
#include "store/state.h"
#include "town/raid_testing.h"
#include "town/street.h"

namespace {

class SheinensTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeRaidTestDir();
    caller_ = MakeRaidTestPlayer("Slick", "Caller One");
    caller_.Cash = 10000;
    GiveRaidTestWhores(caller_, 2, 1, 0);  // worth 14,800: the agent asks $296
    victim_ = MakeRaidTestPlayer("Big Al", "Rival Two");
    GiveRaidTestWhores(victim_, 3, 5, 20);
  }
  void TearDown() override { RemoveRaidTestDir(dir_); }
  void Reset() {
    TearDown();
    SetUp();
  }
  void Start() {
    SetRaidTestCaller(dir_, caller_);
    AddRaidTestPlayer(dir_, victim_);
  }
  void Run(void (*action)(), const std::string& keys, std::initializer_list<int32_t> draws) {
    QueueKeys(keys);
    QueueDraws(draws);
    action();
    output_ = TakeOutput();
  }
  bool Shown(const std::string& text) const { return output_.find(text) != std::string::npos; }

  std::string dir_;
  PlayerRecord caller_;
  PlayerRecord victim_;
  std::string output_;
};

TEST_F(SheinensTest, AgentPaidFromNetWorthMakesTheChosenWhorePregnant) {
  Start();
  Run(HireAgent, "YN2\r2\r", {0});
  EXPECT_TRUE(Shown("He nods\r\nhis head and says, \"Give me $296.\"\r\n\r\nDo you give him the "
                    "money? [Y/N] Y\r\n"));
  EXPECT_TRUE(Shown("Select Whore\r\n\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\r\n"
                    " 1] Girl5\r\n 2] Girl6\r\n 3] Girl7\r\n\r\n"));
  EXPECT_TRUE(Shown("\"I'll be sure that there is a pin hole!\" He"));
  EXPECT_EQ(GameSession.Player.Cash, 10000 - 296);
  EXPECT_EQ(GameSession.TimeLeft, 185);
  const PlayerRecord victim = ReadRaidTestPlayer(dir_, 2);
  ASSERT_EQ(victim.WhoreCount, 2);
  EXPECT_EQ(victim.WhoreNameIndex[0], 5);
  EXPECT_EQ(victim.WhoreNameIndex[1], 7);
  EXPECT_EQ(victim.WhoreDays[1], 3);
  const auto news = ReadRaidTestNews(dir_);
  ASSERT_EQ(news.size(), 2u);
  EXPECT_EQ(news[0].To, "Caller One");
  EXPECT_EQ(news[0].Line1, "The horny man you hired was succesful in getting Girl6 pregnant.");
  EXPECT_EQ(news[1].To, "Rival Two");
  EXPECT_EQ(news[1].Line1, "Girl6 got pregnant. She is permantly \"out of service\".");
}

TEST_F(SheinensTest, AgentOddsShrinkWithTheWhoresCondoms) {
  struct Case {
    int condoms, odds;
  };
  for (const Case c : {Case{0, 1}, Case{37, 1}, Case{38, 2}, Case{50, 2}, Case{58, 3},
                       Case{97, 4}, Case{98, 5}, Case{99, 5}}) {
    Reset();
    GiveRaidTestWhores(victim_, 1, 9, c.condoms);
    Start();
    Run(HireAgent, "YN2\r1\r", {c.odds - 1});
    ASSERT_EQ(Fake.asked.size(), 1u);
    EXPECT_EQ(Fake.asked[0], c.odds) << c.condoms << " condoms";
    const bool certain = c.odds == 1;
    EXPECT_EQ(ReadRaidTestPlayer(dir_, 2).WhoreCount, certain ? 0 : 1);
    const auto news = ReadRaidTestNews(dir_);
    ASSERT_EQ(news.size(), certain ? 2u : 1u);
    if (!certain) {
      EXPECT_EQ(news[0].Line1, "The horny man was unsuccesful in getting Girl9 pregnant.");
    }
    EXPECT_EQ(GameSession.Player.Cash, 10000 - 296);
  }
}

TEST_F(SheinensTest, AgentIsPaidOnlyOnceAWhoreIsChosen) {
  for (const char* keys : {"N", "YN0\r", "YN2\r0\r"}) {
    Reset();
    Start();
    Run(HireAgent, keys, {});
    EXPECT_EQ(GameSession.Player.Cash, 10000) << keys;
    EXPECT_EQ(GameSession.TimeLeft, 200) << keys;
    EXPECT_EQ(ReadRaidTestPlayer(dir_, 2).WhoreCount, 3) << keys;
    EXPECT_TRUE(ReadRaidTestNews(dir_).empty()) << keys;
  }
  EXPECT_TRUE(Shown("\r\nThe horny man just left the restaurant.\r\n"));
}

TEST_F(SheinensTest, RivalWithoutWhoresIsAskedForAgain) {
  PlayerRecord empty = MakeRaidTestPlayer("Nobody", "Rival Three");
  SetRaidTestCaller(dir_, caller_);
  AddRaidTestPlayer(dir_, empty);
  AddRaidTestPlayer(dir_, victim_);
  Run(HireAgent, "YN2\rN3\r1\r", {0});
  EXPECT_TRUE(Shown("Sorry, he currently owns no whores, select again.\r\n\r\nShow Roster"));
  EXPECT_EQ(ReadRaidTestPlayer(dir_, 3).WhoreCount, 2);

  Reset();
  SetRaidTestCaller(dir_, caller_);
  AddRaidTestPlayer(dir_, empty);
  Run(HireAgent, "YN2\rN0\r", {});
  EXPECT_TRUE(Shown("select again."));
  EXPECT_EQ(GameSession.Player.Cash, 10000);
  EXPECT_EQ(GameSession.TimeLeft, 200);
}

TEST_F(SheinensTest, AgentRefusesThePoorAndTheLonelyForOneUnit) {
  caller_.Cash = 0;
  Start();
  Run(HireAgent, "", {});
  EXPECT_EQ(output_, "\r\nNone of the men will talk to you because you have so little cash.\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 199);

  Reset();
  caller_.Cash = 0;
  caller_.WhoreCount = 0;
  Start();
  Run(HireAgent, "N", {});
  EXPECT_TRUE(Shown("\"Give me $0.\""));

  Reset();  // a damaged rate makes the worth negative: the fee is no payment to him
  caller_.WhoreRate = {-100000, -100000};
  Start();
  Run(HireAgent, "YN2\r1\r", {0});
  EXPECT_TRUE(Shown("\"Give me $0.\""));
  EXPECT_EQ(GameSession.Player.Cash, 10000);

  Reset();
  SetRaidTestCaller(dir_, caller_);
  Run(HireAgent, "", {});
  EXPECT_EQ(output_, "\r\nThere are no rival pimps to sabotage.\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 199);
}

class TalkTest : public SheinensTest {
 protected:
  void SetUp() override {
    SheinensTest::SetUp();
    caller_.HouseStreet = 10;
    caller_.ClothesLevel = 2;  // appeal 21, raised to 31
    SetRaidTestCaller(dir_, caller_);
  }
};

TEST_F(TalkTest, AcceptedWomanTakesTheNextSlot) {
  Run(TalkToWomen, "", {4, 30, 2});
  EXPECT_TRUE(Shown("\r\nYou walk up to Girl5 and she asks you if you want to have a good time."
                    "\r\n"));
  EXPECT_TRUE(Shown("for me, I will pay you well.\" \r\n\r\nTime Passes...\r\n\r\n"));
  EXPECT_TRUE(Shown("\"Sure, I'll work for you, I'll see you\r\ntonight at your corner.\"\r\n"));
  const PlayerRecord& me = GameSession.Player;
  ASSERT_EQ(me.WhoreCount, 3);
  EXPECT_EQ(me.WhoreNameIndex[2], 5);
  EXPECT_EQ(me.WhoreHours[2], 9);
  EXPECT_EQ(me.WhoreCondoms[2], 0);
  EXPECT_EQ(me.WhoreDays[2], 0);
  EXPECT_EQ(GameSession.HiresThisSession, 1);
  EXPECT_EQ(GameSession.TimeLeft, 180);
}

TEST_F(TalkTest, EveryThirdTalkSucceedsUntilFourHires) {
  std::string replies;
  for (int talk = 1; talk <= 6; ++talk) {
    // Roll 31 beats appeal 31; the hours are drawn only for a hire.
    if (talk % 3 == 0) {
      Run(TalkToWomen, "", {talk + 10, 31, 0});
    } else {
      Run(TalkToWomen, "", {talk + 10, 31});
    }
    replies += Shown("Sure, I'll work") ? 'Y' : 'n';
  }
  EXPECT_EQ(replies, "nnYnnY");
  EXPECT_TRUE(Fake.draws.empty());
  EXPECT_EQ(GameSession.HireAttempts, 6);
  EXPECT_EQ(GameSession.TimeLeft, 200 - 6 * 20);

  GameSession.HiresThisSession = 4;
  Run(TalkToWomen, "", {30, 0});
  EXPECT_TRUE(Shown("\"You have picked up too many other women\r\ntoday. Maybe I'll work for "
                    "you some other time.\"\r\n"));
  EXPECT_EQ(GameSession.Player.WhoreCount, 4);

  Run(DisbandWhore, "1\r", {});
  Run(TalkToWomen, "", {30, 0, 0});
  EXPECT_TRUE(Shown("Sure, I'll work"));
}

TEST_F(TalkTest, NewWomanNeverSharesAName) {
  GiveRaidTestWhores(GameSession.Player, 19, 1, 0);
  Run(TalkToWomen, "", {0, 18, 19, 0, 0});
  EXPECT_TRUE(Shown("You walk up to Girl20 and"));
  EXPECT_EQ(GameSession.Player.WhoreNameIndex[19], 20);
  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{50, 50, 50, 150, 4}));
}

TEST_F(TalkTest, NoHouseOrTwentyWhoresCostOneUnitEach) {
  GameSession.Player.HouseStreet = 0;
  GiveRaidTestWhores(GameSession.Player, 20, 1, 0);
  Run(TalkToWomen, "", {});
  EXPECT_EQ(output_,
            "\r\nNone of the whores will even talk to you, you have to get a whore house first."
            "\r\n\r\nYou already have 20 whores. If want a new one, disband one of your whores."
            "\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 198);
  EXPECT_TRUE(Fake.asked.empty());
}

TEST_F(SheinensTest, FlameBurgerIsFreeAndRemembered) {
  SetRaidTestCaller(dir_, caller_);
  Run(EatFlameBurger, "", {});
  EXPECT_TRUE(Shown("He says, \"Don't bother paying, its on me.\"\r\nYou smile and leave"));
  EXPECT_EQ(GameSession.Player.AteFlameBurger, 1);
  EXPECT_EQ(GameSession.Player.Cash, 10000);
  EXPECT_EQ(GameSession.TimeLeft, 198);
}

TEST_F(SheinensTest, BarIsOfferedOnlyAboveFiveMillion) {
  caller_ = MakeRaidTestPlayer("Slick", "Caller One");
  caller_.ClothesLevel = 10;
  caller_.AteFlameBurger = 1;
  caller_.Cash = 5000000;
  SetRaidTestCaller(dir_, caller_);
  Run([] { EXPECT_EQ(LocationMenu(), kCodeEatFlameBurger); }, "GE", {});
  GameSession.Location = 0;
  GameSession.Player.Cash = 5000001;
  Run([] { EXPECT_EQ(LocationMenu(), kCodeBuyTheBar); }, "G", {});
  EXPECT_EQ(GameSession.Location, 0);
}

TEST_F(SheinensTest, BuyingTheBarNamesTheWinnerAndTheRerollDay) {
  struct Case {
    int month, day, reroll;
  };
  for (const Case c : {Case{4, 30, 2}, Case{2, 27, 1}, Case{3, 10, 12}, Case{12, 31, 2}}) {
    Reset();
    caller_ = MakeRaidTestPlayer("Slick", "Caller One");
    caller_.Cash = 6000000;
    caller_.ClothesLevel = 10;
    caller_.AteFlameBurger = 1;
    SetRaidTestCaller(dir_, caller_);
    SetFakeNow(LocalClock{2026, c.month, c.day, 15, 0, 0});
    QueueKeys("\r\r");
    EXPECT_THROW(BuyTheBar(), SessionEnded);
    output_ = TakeOutput();
    EXPECT_TRUE(Shown("now the owner of Flaming Sheinen's.\r\n\r\nCongrats! You have won the "
                      "game!\r\n"));
    const GameConfig config = ReadRaidTestConfig(dir_);
    EXPECT_EQ(config.WinnerName, "Slick");
    EXPECT_EQ(config.WinnerAlias, "Caller One");
    EXPECT_EQ(config.RerollDay, c.reroll) << c.month << "/" << c.day;
    EXPECT_EQ(ReadRaidTestPlayer(dir_, 1).Cash, 6000000);
  }
}

TEST_F(SheinensTest, ABuyerAfterTheWinFindsTheBarSoldAndKeepsHisMoney) {
  for (PlayerRecord* buyer : {&caller_, &victim_}) {
    buyer->ClothesLevel = 10;
    buyer->AteFlameBurger = 1;
    buyer->WhoreCount = 0;
  }
  caller_.Cash = 6000000;
  victim_.Cash = 7000000;
  Start();
  SetFakeNow(LocalClock{2026, 3, 10, 15, 0, 0});
  QueueKeys("\r\r");
  EXPECT_THROW(BuyTheBar(), SessionEnded);
  TakeOutput();

  GameSession.PlayerNumber = 2;
  GameSession.Player = victim_;
  DoorSession.RealName = victim_.BbsAlias;
  QueueKeys("\r");
  EXPECT_THROW(BuyTheBar(), SessionEnded);
  output_ = TakeOutput();
  EXPECT_TRUE(Shown("I just sold the\r\nbar to Slick.\"\r\nYou keep your money, but the game has "
                    "been won.\r\n\r\n       This game will automatically reroll on the 12th"))
      << output_;
  EXPECT_FALSE(Shown("Congrats!"));
  const GameConfig config = ReadRaidTestConfig(dir_);
  EXPECT_EQ(config.WinnerName, "Slick");
  EXPECT_EQ(config.WinnerAlias, "Caller One");
  EXPECT_EQ(ReadRaidTestPlayer(dir_, 2).Cash, 7000000);
}

}  // namespace
