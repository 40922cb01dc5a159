#include "casino/roulette.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "casino/stake.h"
#include "casino/casino_testing.h"
#include "door/fake_host_testing.h"
#include "door/session.h"
#include "store/state.h"

namespace {

class RouletteTest : public CasinoTest {
 protected:
  void SetUp() override {
    CasinoTest::SetUp();
    SeatPlayer(1000, 200);
  }

  // Plays one game with a stake of $10 and the given spin (1..38); the keys
  // are the kind and its Enter, then the details of the bet.
  std::string Play(const std::string& keys, int spin) {
    QueueBet(keys);
    QueueDraws({spin - 1});
    PlayRoulette();
    return TakeOutput();
  }

  // The kind is one digit and Enter; the stake goes in after it.
  static void QueueBet(const std::string& keys) {
    QueueKeys(keys.substr(0, 2) + "10\r" + keys.substr(2));
  }

};

struct BetCase {
  const char* keys;  // kind, Enter, then the details
  int win_spin;
  int lose_spin;
  int pays;
};

TEST_F(RouletteTest, EveryKindWinsItsPayoutAndLosesTheStake) {
  const BetCase cases[] = {
      {"1\rB", 2, 1, 1},      {"1\rR", 1, 2, 1},       {"2\rE", 36, 35, 1},
      {"2\rO", 35, 36, 1},    {"3\r1", 18, 19, 1},     {"3\r2", 19, 18, 1},
      {"4\r1", 34, 36, 2},    {"4\r2", 35, 34, 2},     {"4\r3", 36, 35, 2},
      {"5\r5\r", 9, 7, 8},    {"5\r32\r", 35, 34, 8},  {"6\r34\r", 36, 33, 12},
      {"7\rU33\r", 36, 34, 18}, {"7\rL35\r", 36, 34, 18}, {"8\r17\r", 17, 18, 36},
  };
  for (const BetCase& bet : cases) {
    SCOPED_TRACE(bet.keys);
    GameSession.Player.Cash = 1000;
    const std::string won = Play(bet.keys, bet.win_spin);
    EXPECT_NE(won.find("You win $" + std::to_string(10 * bet.pays) + ".\r\n"), std::string::npos);
    EXPECT_EQ(GameSession.Player.Cash, 1000 + 10 * bet.pays);

    GameSession.Player.Cash = 1000;
    const std::string lost = Play(bet.keys, bet.lose_spin);
    EXPECT_NE(lost.find("You lose $10.\r\n"), std::string::npos);
    EXPECT_EQ(GameSession.Player.Cash, 990);
    EXPECT_TRUE(Fake.draws.empty());
  }
  EXPECT_EQ(Fake.asked, std::vector<int32_t>(30, 38));
}

TEST_F(RouletteTest, ZeroAndDoubleZeroLoseEveryBetAndShowGreen) {
  const char* bets[] = {"1\rB", "1\rR", "2\rE", "2\rO", "3\r1", "3\r2",
                        "4\r1", "4\r2", "4\r3", "5\r32\r", "7\rU33\r", "8\r36\r"};
  for (const char* bet : bets) {
    SCOPED_TRACE(bet);
    GameSession.Player.Cash = 1000;
    EXPECT_NE(Play(bet, 37).find("\r\n\r\nThe number is 0 Green. You lose $10.\r\n"),
              std::string::npos);
    EXPECT_NE(Play(bet, 38).find("\r\n\r\nThe number is 00 Green. You lose $10.\r\n"),
              std::string::npos);
    EXPECT_EQ(GameSession.Player.Cash, 980);
  }
}

TEST_F(RouletteTest, ResultLineNamesNumberAndColour) {
  EXPECT_NE(Play("8\r17\r", 17).find("Enter number : 17\r\n\r\nThe number is 17 Black. You win $360.\r\n"),
            std::string::npos);
  EXPECT_NE(Play("8\r17\r", 12).find("The number is 12 Red. You lose $10.\r\n"), std::string::npos);
  EXPECT_NE(Play("1\rB", 10).find("Black, Red, Quit [B,R,Q,?] : Black\r\n\r\nThe number is 10 Black. You win $10."),
            std::string::npos);
}

TEST_F(RouletteTest, NumberBetsListTheNumbersSelected) {
  EXPECT_NE(Play("5\r3\r", 1).find("\r\nNumbers Selected = 3,4,6,7\r\n"), std::string::npos);
  EXPECT_NE(Play("6\r1\r", 1).find("\r\nNumbers Selected = 1,2,3\r\n"), std::string::npos);
  const std::string pair = Play("7\rL1\r", 1);
  EXPECT_NE(pair.find("Left and Right\r\n\r\nEnter lower number : 1\r\n\r\nNumbers Selected = 1,2\r\n"),
            std::string::npos);
  EXPECT_EQ(Play("8\r1\r", 1).find("Numbers Selected"), std::string::npos);
}

TEST_F(RouletteTest, CalledOffBetReturnsTheStakeWithoutASpin) {
  const char* quits[] = {"1\rQ", "2\rQ", "3\rQ", "4\rQ", "5\r0\r", "6\r\r", "7\rQ", "7\rU0\r", "8\rq\r"};
  for (const char* quit : quits) {
    SCOPED_TRACE(quit);
    QueueBet(quit);
    PlayRoulette();
    const std::string out = TakeOutput();
    EXPECT_EQ(out.find("The number is"), std::string::npos);
    EXPECT_EQ(out.find("You "), std::string::npos);
    EXPECT_EQ(GameSession.Player.Cash, 1000);
    EXPECT_EQ(CasinoBet.Stake, 10);  // the casino still charges its time for it
    EXPECT_TRUE(Fake.input.empty());
  }
  EXPECT_TRUE(Fake.asked.empty());
}

TEST_F(RouletteTest, HalfBetQuitEndsWithOneMoreLine) {
  QueueKeys("3\r10\rQ");
  PlayRoulette();
  const std::string out = TakeOutput();
  EXPECT_EQ(out.substr(out.size() - 8), "Quit\r\n\r\n");
}

TEST_F(RouletteTest, NoKindOrNoStakeIsNoGame) {
  for (const char* keys : {"\r", "0\r", "q\r", "-\r", "1\r\r", "1\r0\r"}) {
    SCOPED_TRACE(keys);
    QueueKeys(keys);
    PlayRoulette();
    EXPECT_EQ(GameSession.Player.Cash, 1000);
    EXPECT_EQ(CasinoBet.Stake, 0);
    EXPECT_TRUE(Fake.input.empty());
  }
  EXPECT_TRUE(Fake.asked.empty());
}

TEST_F(RouletteTest, OutOfRangeEntriesAreAskedAgain) {
  auto prompts = [](const std::string& out, const std::string& prompt) {
    size_t count = 0;
    for (size_t at = out.find(prompt); at != std::string::npos; at = out.find(prompt, at + 1)) ++count;
    return count;
  };
  QueueKeys("9\r8\r10\r37\r-1\r36\r");
  QueueDraws({35});
  PlayRoulette();
  std::string out = TakeOutput();
  EXPECT_EQ(prompts(out, "[ROULETTE]: "), 2u);
  EXPECT_EQ(prompts(out, "Enter number : "), 3u);
  EXPECT_EQ(GameSession.Player.Cash, 1360);

  out = Play("6\r2\r3\r35\r4\r", 4);
  EXPECT_EQ(prompts(out, "Enter number at begining of row : "), 4u);
  EXPECT_NE(out.find("Numbers Selected = 4,5,6"), std::string::npos);

  out = Play("7\rL3\r36\r34\r", 35);
  EXPECT_EQ(prompts(out, "Enter lower number : "), 3u);
  EXPECT_NE(out.find("Numbers Selected = 34,35"), std::string::npos);

  out = Play("7\rU34\r33\r", 33);
  EXPECT_EQ(prompts(out, "Enter lower number : "), 2u);
  EXPECT_NE(out.find("Numbers Selected = 33,36"), std::string::npos);

  out = Play("5\r33\r32\r", 32);
  EXPECT_EQ(prompts(out, "Enter upper left number of the quadrant : "), 2u);
}

TEST_F(RouletteTest, HelpShowsTheBoardAndAsksAgain) {
  const std::string out = Play("4\rx?3", 3);
  const std::string prompt = "Column 1, Column 2, Column 3, Quit [1,2,3,Q,?] : ";
  const size_t help = out.find(prompt + "Help\r\n\r\nThe Roulette Board\r\n" + std::string(18, '\xC4'));
  ASSERT_NE(help, std::string::npos);
  EXPECT_NE(out.find(" 0 and 00 are green. They are unbettable and always cause you to lose.\r\n" + prompt +
                     "Column 3\r\n"),
            std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 1020);
}

TEST_F(RouletteTest, HugePayoutHoldsAtTheLargestCash) {
  GameSession.Player.Cash = 2000000000;
  QueueKeys("8\r99999999\r7\r");
  QueueDraws({6});
  PlayRoulette();
  EXPECT_NE(TakeOutput().find("You win $2147483647."), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 2147483647);
}

}  // namespace
