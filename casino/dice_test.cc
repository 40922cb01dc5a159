#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "casino/dice.h"
#include "casino/stake.h"
#include "casino/casino_testing.h"
#include "door/fake_host_testing.h"
#include "door/session.h"
#include "door/text.h"
#include "store/rules.h"
#include "store/state.h"

namespace {

class DiceTest : public CasinoTest {
 protected:
  void SetUp() override {
    CasinoTest::SetUp();
    SeatPlayer(1000, 200);
  }

};

// Scripts the faces (1..6) the dice will show, in throwing order.
void QueueDice(std::initializer_list<int> faces) {
  for (int face : faces) Fake.draws.push_back(face - 1);
}

std::string Erased(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += "\b \b";
  return bytes;
}

bool Has(const std::string& out, const std::string& text) {
  return out.find(text) != std::string::npos;
}

TEST_F(DiceTest, CrapsComeOutOfTwoOrTwelveLosesAtOnce) {
  for (int face : {1, 6}) {
    GameSession.Player.Cash = 1000;
    QueueKeys("10\r");
    QueueDice({face, face});
    PlayCraps();
    const std::string sum = std::to_string(2 * face);
    EXPECT_TRUE(Has(TakeOutput(), std::to_string(face) + " + " + std::to_string(face) + " = " + sum +
                                      " [Your Mark/Point]\r\nYou have busted. You lose $10.\r\n\r\n"));
    EXPECT_EQ(GameSession.Player.Cash, 990);
    EXPECT_TRUE(Fake.draws.empty());
  }
}

TEST_F(DiceTest, CrapsSevenRidesUntilTheCallerStops) {
  QueueKeys("10\rS");
  QueueDice({3, 4});
  PlayCraps();
  EXPECT_TRUE(Has(TakeOutput(), "3 + 4 = 7 [Your Mark/Point]\r\nYou have rolled a Seven. [$20 is riding] \r\n"
                                "[L] Let It Ride  [S] Stop" + Erased(25) + "\r\n\r\nYou win $20.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 1020);

  QueueKeys("10\rls");
  QueueDice({3, 4, 6, 1});
  PlayCraps();
  EXPECT_TRUE(Has(TakeOutput(), "[$40 is riding] \r\n[L] Let It Ride  [S] Stop" + Erased(25) +
                                    "\r\n\r\nYou win $40.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 1060);
}

TEST_F(DiceTest, CrapsRidingIntoTwelveLosesOnlyTheStake) {
  QueueKeys("10\rL");
  QueueDice({3, 4, 6, 6});
  PlayCraps();
  EXPECT_TRUE(Has(TakeOutput(), "Stop" + Erased(25) + "\r\n6 + 6 = 12 [Your Mark/Point]\r\n"
                                "You have busted. You lose $10.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 990);
}

TEST_F(DiceTest, CrapsPointPhaseWaitsForKeysUntilPointOrSeven) {
  QueueKeys("10\r ");
  QueueDice({1, 3, 2, 3, 2, 2});
  PlayCraps();
  EXPECT_TRUE(Has(TakeOutput(), "Roll # 1 : 2 +  3 =  5\r\nPress any key to continue." + Erased(27) +
                                    "Roll # 2 : 2 +  2 =  4\r\n\r\nYou win $10.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 1010);
  EXPECT_TRUE(Fake.input.empty());

  QueueKeys("10\r");
  QueueDice({5, 5, 3, 4});
  PlayCraps();
  const std::string out = TakeOutput();
  EXPECT_TRUE(Has(out, "Roll # 1 : 3 +  4 =  7\r\n\r\nYou have busted. You lose $10.\r\n"));
  EXPECT_FALSE(Has(out, "Press any key"));
  EXPECT_EQ(GameSession.Player.Cash, 1000);

  QueueKeys("10\rL");  // a seven let ride, then a point: the riding amount is won
  QueueDice({3, 4, 2, 3, 4, 1});
  PlayCraps();
  EXPECT_TRUE(Has(TakeOutput(), "You win $20.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 1020);
}

TEST_F(DiceTest, DiceBlackJackStopsAtTwentyOneAndHouseStandsOnTwenty) {
  QueueKeys("10\rm");
  QueueDice({6, 6, 4, 5, 6, 6, 4, 4});
  PlayDiceBlackJack();
  const std::string out = TakeOutput();
  EXPECT_TRUE(Has(out, "Your Roll\r\n" + std::string(9, '\xC4') + "\r\n 6 +  6 = 12 [Score=12]\r\n"
                       "[M] Roll More  [S] Stop" + Erased(31) + " 4 +  5 =  9 [Score=21]\r\n\r\n"
                       "Computer Roll\r\n" + std::string(13, '\xC4') + "\r\n 6 +  6 = 12 [Score=12]\r\n"
                       " 4 +  4 =  8 [Score=20]\r\n\r\nYou win $10.\r\n"));
  EXPECT_EQ(out.find("Roll More"), out.rfind("Roll More"));
  EXPECT_EQ(GameSession.Player.Cash, 1010);
  EXPECT_TRUE(Fake.draws.empty());
}

TEST_F(DiceTest, DiceBlackJackCallerBustLosesWithoutComputerThrows) {
  QueueKeys("10\rM");
  QueueDice({6, 6, 6, 5});
  PlayDiceBlackJack();
  const std::string out = TakeOutput();
  EXPECT_TRUE(Has(out, "[Score=23]\r\n\r\nYou bust. You lose $10.\r\n"));
  EXPECT_FALSE(Has(out, "Computer Roll"));
  EXPECT_EQ(Fake.asked.size(), 4u);
  EXPECT_EQ(GameSession.Player.Cash, 990);
}

TEST_F(DiceTest, DiceBlackJackOutcomes) {
  struct Game {
    const char* keys;
    std::initializer_list<int> faces;
    const char* ending;
    int cash;
  };
  const Game games[] = {
      {"10\rS", {6, 5, 5, 6}, "You have tied. The Computer wins. You lose $10.\r\n", 990},
      {"10\rs", {2, 2, 1, 1, 1, 1}, "You have tied. The Computer wins. You lose $10.\r\n", 990},
      {"10\rMS", {6, 6, 3, 4, 6, 6, 5, 5}, "The computer busts. You win $10.\r\n", 1010},
      {"10\rS", {2, 2, 4, 5}, "\r\n\r\nYou lose $10.\r\n", 990},
  };
  for (const Game& game : games) {
    SCOPED_TRACE(game.ending);
    GameSession.Player.Cash = 1000;
    QueueKeys(game.keys);
    QueueDice(game.faces);
    PlayDiceBlackJack();
    EXPECT_TRUE(Has(TakeOutput(), game.ending));
    EXPECT_EQ(GameSession.Player.Cash, game.cash);
    EXPECT_TRUE(Fake.draws.empty());
  }
}

TEST_F(DiceTest, GutsWagerLimitIsAFifteenthOfTheCash) {
  GameSession.Player.Cash = 14;
  PlayGuts();
  EXPECT_EQ(TakeOutput(), "You do not have enough money to play GUTS.\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 14);

  GameSession.Player.Cash = 15;
  QueueKeys("2\r-1\r\r");  // above the limit and negative are both asked again
  PlayGuts();
  std::string out = TakeOutput();
  const std::string prompt = "\r\n[" + ClockText(GameSession.TimeLeft, kDayUnits) + "][$15][WAGER][$1 MAX]: ";
  EXPECT_EQ(out, prompt + "2\r\n" + prompt + "-1\r\n" + prompt + "\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 15);

  GameSession.Player.Cash = 1000;
  QueueKeys("q\r");
  PlayGuts();
  EXPECT_TRUE(Has(TakeOutput(), "[WAGER][$66 MAX]: Q\r\n"));
  EXPECT_EQ(CasinoBet.Stake, 0);
  EXPECT_TRUE(Fake.asked.empty());

  // Robbed to $30 while he typed: 66 was the limit when asked, not now.
  GameSession.Player.Cash = 1000;
  Fake.before_read = [] {
    if (Fake.input.size() == 2) GameSession.Player.Cash = 30;  // before the Enter after "66"
  };
  QueueKeys("66\r\r");
  PlayGuts();
  Fake.before_read = nullptr;
  EXPECT_TRUE(Has(TakeOutput(), "[WAGER][$66 MAX]: 66\r\n\r\n[" + ClockText(GameSession.TimeLeft, kDayUnits) +
                                    "][$30][WAGER][$2 MAX]: \r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 30);
}

TEST_F(DiceTest, GutsWinPaysTheScoreDifferenceTimesTheStake) {
  GameSession.DiceSumCounts[2] = 278;
  QueueKeys("10\rMmMMS");
  QueueDraws({20});
  QueueDice({1, 1, 1, 1, 6, 6, 1, 2, 1, 2, 1, 2, 1, 2, 1, 2});
  PlayGuts();
  const std::string out = TakeOutput();
  EXPECT_TRUE(Has(out, "1 + 1 = 2 [The Computers Mark/Point]\r\nRoll # 1 :  1 +  1 =  2\r\n"
                       "The computer busts. [Score = 0] \r\n\r\n6 + 6 = 12 [Your Mark/Point] \r\n"
                       "Roll # 1 :  1 +  2 =  3\r\n[M] Roll More [S] Stop" + Erased(22)));
  EXPECT_TRUE(Has(out, "Roll # 5 :  1 +  2 =  3\r\n[M] Roll More [S] Stop" + Erased(22) +
                           "You stop. [Score = 5]\r\n\r\nYou win $50.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 1050);
  EXPECT_EQ(Fake.asked.front(), 30);
}

TEST_F(DiceTest, GutsLossIsMultipliedAndMayGoBelowZero) {
  GameSession.Player.Cash = 20;
  GameSession.DiceSumCounts[7] = 333;  // 10000 div 333 = 30 throws, scaled to 90%
  QueueKeys("1\r");
  QueueDraws({10});
  QueueDice({3, 4});
  for (int i = 0; i < 27; ++i) QueueDice({1, 1});
  QueueDice({2, 3, 1, 4});
  PlayGuts();
  const std::string out = TakeOutput();
  EXPECT_TRUE(Has(out, "Roll #27 :  1 +  1 =  2\r\nThe computer stops. [Score = 27] \r\n"));
  EXPECT_TRUE(Has(out, "Roll # 1 :  1 +  4 =  5\r\nYou bust. [Score = 0]\r\n\r\nYou lose $27.\r\n"));
  EXPECT_EQ(GameSession.Player.Cash, 20 - 27);
  EXPECT_EQ(CasinoBet.Stake, 27);
  EXPECT_TRUE(Fake.draws.empty());
}

TEST_F(DiceTest, GutsBothBustIsATieThatReturnsTheStake) {
  // Every count 0: the house's throw limit must not divide by it.
  QueueKeys("10\r");
  QueueDraws({0});
  QueueDice({3, 4, 1, 1, 1, 1, 3, 4, 5, 5, 6, 4});
  PlayGuts();
  const std::string out = TakeOutput();
  EXPECT_TRUE(Has(out, "Roll # 3 :  3 +  4 =  7\r\nThe computer busts. [Score = 0] \r\n"));
  EXPECT_TRUE(Has(out, "You bust. [Score = 0]\r\n\r\nIts a tie. You break even.\r\n"));
  EXPECT_FALSE(Has(out, "You lose"));
  EXPECT_EQ(GameSession.Player.Cash, 1000);
}

}  // namespace
