#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "casino/blackjack.h"
#include "casino/stake.h"
#include "casino/casino_testing.h"
#include "door/fake_host_testing.h"
#include "store/state.h"

namespace {

// Cards by suit: Clubs 1..13, Diamonds 14..26, Hearts 27..39, Spades 40..52;
// within a suit Ace, Two .. Ten, Jack, Queen, King.
constexpr int Clubs(int rank) { return rank; }
constexpr int Diamonds(int rank) { return 13 + rank; }
constexpr int Hearts(int rank) { return 26 + rank; }
constexpr int Spades(int rank) { return 39 + rank; }
constexpr int kAce = 1;
constexpr int kKing = 13;

std::string Erased(int count) {
  std::string erase;
  for (int i = 0; i < count; ++i) erase += "\b \b";
  return erase;
}

class BlackJackTest : public CasinoTest {
 protected:
  // Deals the cards in the order the table draws them: the computer's two,
  // the caller's two, then any drawn later.
  void Deal(std::initializer_list<int> cards) {
    for (int card : cards) Fake.draws.push_back(CasinoCardDraw(card));
  }
  // Plays one game with a stake of 100 from 1000 and returns what was shown.
  std::string Play(const std::string& keys) {
    QueueKeys("100\r" + keys);
    PlayBlackJack();
    EXPECT_TRUE(Fake.draws.empty()) << "cards dealt but never drawn";
    EXPECT_TRUE(Fake.input.empty()) << "keys queued but never read";
    return TakeOutput();
  }
};

TEST_F(BlackJackTest, FullGameTranscriptWhenTheComputerBusts) {
  Deal({Diamonds(10), Diamonds(5), Clubs(10), Clubs(9), Diamonds(kKing)});
  const std::string out = Play("S");
  EXPECT_EQ(out,
            "\r\n[1:00PM][$1000][WAGER]: 100\r\n\r\n"
            "The Computer shows the Ten of Diamonds.\r\n"
            "\r\n"
            "You have the Ten of Clubs and the Nine of Clubs.\r\n"
            "[H] Another Card  [S] Stop" +
                Erased(26) +
                "You have 19.\r\n"
                "\r\n"
                "The Computer's under card is the Five of Diamonds.\r\n"
                "The Computer draws the King of Diamonds.\r\n"
                "The Computer has 25.\r\n"
                "\r\n"
                "The computer has busted. You win $100.\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 1100);
  EXPECT_TRUE(CasinoBet.Won);
}

TEST_F(BlackJackTest, PlainTotalsDecideAndTiesGoToTheComputer) {
  // Computer 19 against the caller's 17: the computer stands, the caller loses.
  Deal({Diamonds(10), Diamonds(9), Clubs(10), Clubs(7)});
  std::string out = Play("S");
  EXPECT_NE(out.find("The Computer has 19.\r\n\r\nYou lose $100.\r\n"), std::string::npos) << out;
  EXPECT_EQ(GameSession.Player.Cash, 900);

  // 18 against 18: no draw on a tie, the computer wins it.
  SeatPlayer(1000);
  Deal({Diamonds(9), Hearts(9), Clubs(10), Clubs(8)});
  out = Play("S");
  EXPECT_EQ(out.find("The Computer draws"), std::string::npos);
  EXPECT_NE(out.find("You have tied. The Computer wins. You lose $100.\r\n"), std::string::npos) << out;
  EXPECT_EQ(GameSession.Player.Cash, 900);
}

TEST_F(BlackJackTest, TwentyOneWithThreeCardsIsNotAskedAgainAndTiesAtTwentyOne) {
  Deal({Diamonds(10), Diamonds(6), Clubs(10), Clubs(5), Clubs(6), Diamonds(5)});
  const std::string out = Play("H");
  EXPECT_NE(out.find("You draw the Six of Clubs.\r\nYou have 21.\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("The Computer draws the Five of Diamonds.\r\nThe Computer has 21."), std::string::npos);
  EXPECT_NE(out.find("You have tied. The Computer wins. You lose $100."), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 900);
}

TEST_F(BlackJackTest, CallerBustEndsTheCallerTurnAndTheComputerDrawsNothing) {
  Deal({Diamonds(9), Diamonds(8), Clubs(10), Clubs(6), Clubs(kKing)});
  const std::string out = Play("H");
  EXPECT_NE(out.find("You have 26.\r\n\r\nThe Computer's under card is the Eight of Diamonds.\r\n"
                     "The Computer has 17.\r\n\r\nYou have busted. You lose $100.\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(Fake.asked.size(), 5u);
  EXPECT_EQ(GameSession.Player.Cash, 900);
}

TEST_F(BlackJackTest, CallerBlackJackPaysTwiceTheStakeWithoutAPrompt) {
  Deal({Diamonds(10), Diamonds(7), Spades(kAce), Spades(kKing)});
  const std::string out = Play("");
  EXPECT_EQ(out.find("[H] Another Card"), std::string::npos);
  EXPECT_NE(out.find("You have the Ace of Spades and the King of Spades.\r\nYou have Black Jack.\r\n"),
            std::string::npos);
  EXPECT_NE(out.find("under card is the Seven of Diamonds.\r\nThe Computer has 17.\r\n\r\nYou win $200.\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(GameSession.Player.Cash, 1200);
}

TEST_F(BlackJackTest, ComputerBlackJackCostsTwiceTheStake) {
  Deal({Clubs(kAce), Clubs(kKing), Diamonds(10), Diamonds(9)});
  const std::string out = Play("S");
  EXPECT_NE(out.find("The Computer has Black Jack.\r\n\r\nYou lose $200.\r\n"), std::string::npos) << out;
  EXPECT_EQ(GameSession.Player.Cash, 800);
}

TEST_F(BlackJackTest, BothBlackJacksGoToTheComputerAtDoubleTheStake) {
  Deal({Clubs(kAce), Clubs(kKing), Spades(kAce), Spades(12)});
  const std::string out = Play("");
  EXPECT_NE(out.find("You have Black Jack.\r\n"), std::string::npos);
  EXPECT_NE(out.find("Both of you have Black Jack. The Computer wins. You lose $200.\r\n"), std::string::npos)
      << out;
  EXPECT_EQ(GameSession.Player.Cash, 800);
}

TEST_F(BlackJackTest, BustAgainstABlackJackLosesDoubleAndCashCanGoBelowZero) {
  Deal({Clubs(kAce), Clubs(kKing), Diamonds(10), Diamonds(6), Diamonds(kKing)});
  SeatPlayer(150);
  const std::string out = Play("H");
  EXPECT_NE(out.find("You have busted. You lose $200.\r\n"), std::string::npos) << out;
  // Only the casino loop turns this into the out-of-cash exit.
  EXPECT_EQ(GameSession.Player.Cash, -50);
}

TEST_F(BlackJackTest, CallerFiveCardStandBeatsAHigherTotalAndIsNotAskedAgain) {
  Deal({Diamonds(10), Diamonds(kKing), Clubs(2), Clubs(3), Clubs(4), Clubs(5), Hearts(4)});
  const std::string out = Play("HHH");
  EXPECT_NE(out.find("You have 18.\r\n"), std::string::npos);
  EXPECT_NE(out.find("The Computer has 20.\r\n\r\nYou have a Five Card Stand. You win $200.\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(GameSession.Player.Cash, 1200);
}

TEST_F(BlackJackTest, FiveCardsAgainstABlackJackWinOnTheDoubledStake) {
  Deal({Diamonds(kAce), Diamonds(kKing), Clubs(2), Clubs(3), Clubs(4), Clubs(5), Clubs(6)});
  const std::string out = Play("HHH");
  EXPECT_NE(out.find("The Computer has Black Jack.\r\n\r\nYou have a Five Card Stand. You win $400.\r\n"),
            std::string::npos)
      << out;
  // The message names 400 and the caller's cash grows by exactly that.
  EXPECT_EQ(GameSession.Player.Cash, 1400);
}

TEST_F(BlackJackTest, ComputerFiveCardsBeatAHigherTotalAfterLoweringItsAce) {
  // 2 3 4 5 then an ace: 25 falls to 15 and the fifth card stands.
  Deal({Diamonds(2), Diamonds(3), Clubs(10), Clubs(9), Diamonds(4), Diamonds(5), Hearts(kAce)});
  const std::string out = Play("S");
  EXPECT_NE(out.find("The Computer draws the Ace of Hearts.\r\nThe Computer has 15.\r\n\r\n"
                     "The Computer has a Five Card Stand. You lose $200.\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(GameSession.Player.Cash, 800);
}

TEST_F(BlackJackTest, BothFiveCardStandsGoToTheComputer) {
  Deal({Diamonds(2), Diamonds(3), Clubs(2), Clubs(3), Clubs(4), Clubs(5), Clubs(6), Diamonds(4),
        Diamonds(5), Diamonds(6)});
  const std::string out = Play("HHH");
  EXPECT_NE(out.find("You have tied. The Computer wins. Both of you have Five Card Stands. "
                     "The Computer wins. You lose $200.\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(GameSession.Player.Cash, 800);
}

TEST_F(BlackJackTest, TwoAcesCountTwelveInBothHands) {
  Deal({Clubs(kAce), Diamonds(kAce), Hearts(kAce), Spades(kAce)});
  const std::string out = Play("S");
  EXPECT_NE(out.find("You have the Ace of Hearts and the Ace of Spades.\r\n"), std::string::npos);
  EXPECT_NE(out.find("You have 12.\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("The Computer has 12.\r\n"), std::string::npos);
  EXPECT_NE(out.find("You have tied. The Computer wins. You lose $100."), std::string::npos);
}

TEST_F(BlackJackTest, AnAceDrawnLaterIsLoweredOnlyWhenTheHandWouldBust) {
  // Ace and five make 16; another ace would make 27, so one ace drops to 1.
  Deal({Diamonds(10), Diamonds(9), Clubs(kAce), Clubs(5), Hearts(kAce), Hearts(2)});
  const std::string out = RenderCasinoScreen(Play("HHS"));
  EXPECT_NE(out.find("You draw the Ace of Hearts.\nYou draw the Two of Hearts.\nYou have 19.\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("You have tied. The Computer wins."), std::string::npos);
}

TEST_F(BlackJackTest, OnlyHAndSAnswerThePromptAndTakenCardsAreDrawnAgain) {
  // The second draw for the caller repeats a card the computer holds.
  Deal({Diamonds(10), Diamonds(9), Clubs(10), Diamonds(9), Clubs(8)});
  const std::string out = Play("x1 \rs");
  EXPECT_NE(out.find("You have the Ten of Clubs and the Eight of Clubs.\r\n"), std::string::npos) << out;
  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{52, 52, 52, 52, 52}));
  EXPECT_NE(out.find("The Computer has 19.\r\n\r\nYou lose $100."), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 900);
}

TEST_F(BlackJackTest, NoStakeDealsNothing) {
  QueueKeys("\r");
  PlayBlackJack();
  EXPECT_TRUE(Fake.asked.empty());
  EXPECT_EQ(TakeOutput(), "\r\n[1:00PM][$1000][WAGER]: \r\n");
  EXPECT_EQ(GameSession.Player.Cash, 1000);
}

}  // namespace
