#include "casino/casino.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "casino/casino_testing.h"
#include "casino/stake.h"
#include "door/fake_host_testing.h"
#include "door/session.h"
#include "game/loop.h"
#include "game/menus.h"
#include "store/state.h"

namespace {

constexpr int32_t kNoReseed = 0;
constexpr int32_t kLemon = 40;

class CasinoLoopTest : public CasinoTest {
 protected:
  std::string Visit(const std::string& keys) {
    QueueKeys(keys);
    EnterCasino();
    EXPECT_TRUE(Fake.input.empty()) << "keys left unread";
    EXPECT_TRUE(Fake.draws.empty()) << "draws left unused";
    return TakeOutput();
  }
};

TEST_F(CasinoLoopTest, WalkingOutSetsThePlaceAndChargesNothing) {
  struct Exit {
    const char* key;
    const char* label;
    uint8_t location;
  };
  for (const Exit& exit : {Exit{"R", "Return to Streets", 0}, Exit{"g", "Go to Flaming Sheinen's", 1},
                           Exit{"V", "Visit Stiff Pete", 2}}) {
    SeatPlayer(1000, 200);
    Fake.asked.clear();
    GameSession.Location = 1;
    QueueDraws({kNoReseed});
    const std::string out = Visit(exit.key);
    EXPECT_EQ(out, std::string("\r\n[3:15PM][$1000][CASINO]: ") + exit.label + "\r\n");
    EXPECT_EQ(GameSession.Location, exit.location);
    EXPECT_EQ(GameSession.TimeLeft, 200);
    EXPECT_EQ(Fake.asked, (std::vector<int32_t>{2}));
  }
}

TEST_F(CasinoLoopTest, NoCashOnEntryShowsOnlyTheRefusal) {
  SeatPlayer(0, 200);
  EXPECT_EQ(Visit(""), "Come to the casino tomorrow, when you have some money.\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 200);
  EXPECT_TRUE(Fake.asked.empty());
}

TEST_F(CasinoLoopTest, ServicesRunAndTheLoopGoesOn) {
  QueueDraws({kNoReseed, kNoReseed, kNoReseed, kNoReseed, kNoReseed});
  GameSession.TimeLeft = 130;
  const std::string out = Visit("xTI?QNR");
  EXPECT_NE(out.find("[CASINO]: Time Check\r\n\r\nThe time is 6:00PM.\r\n"), std::string::npos) << out;
  // Information is accepted and echoed, and nothing else happens.
  EXPECT_NE(out.find("[CASINO]: Information\r\n\r\n[6:00PM]"), std::string::npos);
  EXPECT_NE(out.find("[CASINO]: Help\r\n\r\n             Kordavin Casino Options\r\n" + std::string(13, ' ') +
                     std::string(24, '\xC4') + "\r\n[B] Black Jack                [C] Craps\r\n"),
            std::string::npos);
  EXPECT_NE(out.find("[?] Help                      [Q] Quit\r\n"), std::string::npos);
  EXPECT_NE(out.find("[CASINO]: Quit\r\n\r\nAre you sure you want to quit? [Y/N] N\r\n"), std::string::npos);
  EXPECT_EQ(GameSession.TimeLeft, 130);
  EXPECT_EQ(GameSession.Location, 0);
}

TEST_F(CasinoLoopTest, OptionsScreenIsNotShownOnEntry) {
  QueueDraws({kNoReseed});
  EXPECT_EQ(Visit("R").find("Kordavin Casino Options"), std::string::npos);
}

TEST_F(CasinoLoopTest, DocumentationEndsWithTheCasinosOwnLine) {
  std::ofstream dat(dir_ + "/kordavin.dat", std::ios::binary);
  for (int line = 1; line <= 110; ++line) dat << "Doc line " << line << "\r\n";
  dat.close();
  QueueDraws({kNoReseed, kNoReseed});
  const std::string out = Visit("OR");
  const auto line = [](int n) { return "Doc line " + std::to_string(n) + "\r\n"; };
  EXPECT_EQ(out.find(line(kDocFirstLine - 1)), std::string::npos);
  EXPECT_NE(out.find(line(kDocFirstLine)), std::string::npos) << out;
  EXPECT_NE(out.find(line(kCasinoDocLastLine)), std::string::npos);
  EXPECT_EQ(out.find(line(kCasinoDocLastLine + 1)), std::string::npos);
}

TEST_F(CasinoLoopTest, AnsiToggleSwitchesColourOn) {
  QueueDraws({kNoReseed, kNoReseed});
  const std::string out = Visit("AR");
  EXPECT_EQ(DoorSession.Ansi, 1);
  EXPECT_NE(out.find("Ansi Toggle"), std::string::npos);
}

TEST_F(CasinoLoopTest, EveryPassWithAStakeCostsThreeUnits) {
  // A slot pull with a stake, then a call to Black Jack with no stake.
  QueueDraws({kLemon, kLemon, kLemon, kNoReseed, kNoReseed, kNoReseed});
  const std::string out = Visit("S1\rB\rR");
  EXPECT_EQ(GameSession.TimeLeft, 257);
  EXPECT_EQ(GameSession.Player.Cash, 999);
  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{100, 100, 100, 2, 2, 2}));
  EXPECT_NE(out.find("You lose $1."), std::string::npos);
}

TEST_F(CasinoLoopTest, RefusedSlotPullCostsNoTime) {
  SeatPlayer(39, 100);
  QueueDraws({kNoReseed, kNoReseed});
  const std::string out = Visit("SR");
  EXPECT_NE(out.find("You do not have enough money to play this game."), std::string::npos);
  EXPECT_EQ(GameSession.TimeLeft, 100);
}

TEST_F(CasinoLoopTest, LosingTheLastDollarLeavesForThePlaceOfEntry) {
  SeatPlayer(100, 200);
  GameSession.Location = 2;
  // Computer 19, caller 17 standing: the whole cash is lost.
  QueueDraws({9, 21, 9, 19, kNoReseed});
  const std::string out = Visit("B100\rS");
  EXPECT_NE(out.find("You lose $100.\r\n\r\nYou are all out of cash, come back to the casino to tomorrow.\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(GameSession.Player.Cash, 0);
  EXPECT_EQ(GameSession.Location, 2);
  EXPECT_EQ(GameSession.TimeLeft, 197);
}

TEST_F(CasinoLoopTest, ADoubledLossBelowZeroEndsAtZero) {
  SeatPlayer(150, 200);
  // Computer Black Jack (Ace and King of Clubs) against 19: twice 100 lost.
  QueueDraws({0, 12, 22, 21, kNoReseed});
  const std::string out = Visit("B100\rS");
  EXPECT_NE(out.find("You lose $200."), std::string::npos) << out;
  EXPECT_NE(out.find("You are all out of cash"), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 0);
}

TEST_F(CasinoLoopTest, TheLoopStopsOnceTheDayIsSpent) {
  SeatPlayer(1000, 3);
  QueueDraws({kLemon, kLemon, kLemon, kNoReseed});
  Visit("S1\r");
  EXPECT_EQ(GameSession.TimeLeft, 0);
  EXPECT_EQ(GameSession.Player.Cash, 999);
}

TEST_F(CasinoLoopTest, ReseedDrawFollowsEveryChoice) {
  QueueDraws({1, 1});
  Visit("TR");
  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{2, 2}));
}

TEST_F(CasinoLoopTest, RegisteredForCommandSixty) {
  RegisterCasinoCommands();
  EXPECT_EQ(CommandActionFor(kCodeEnterCasino), &EnterCasino);
}

class WagerTest : public CasinoTest {};

TEST_F(WagerTest, StakeIsTakenFromCashAndLimitedByIt) {
  QueueKeys("1001\r-5\r1000\r");
  InputWager();
  EXPECT_EQ(TakeOutput(), "\r\n[1:00PM][$1000][WAGER]: 1001\r\n"
                          "\r\n[1:00PM][$1000][WAGER]: -5\r\n"
                          "\r\n[1:00PM][$1000][WAGER]: 1000\r\n\r\n");
  EXPECT_EQ(CasinoBet.Stake, 1000);
  EXPECT_EQ(GameSession.Player.Cash, 0);
}

TEST_F(WagerTest, EmptyOrLetterEntryIsNoStake) {
  for (const char* entry : {"\r", "q\r", "Q\r", "1-\r"}) {
    SeatPlayer(1000);
    QueueKeys(entry);
    InputWager();
    EXPECT_EQ(CasinoBet.Stake, 0) << entry;
    EXPECT_EQ(GameSession.Player.Cash, 1000);
  }
}

TEST_F(WagerTest, SettlementNamesTheWinningsAndReturnsTheStake) {
  GameSession.Player.Cash = 900;
  CasinoBet = CasinoBetRecord{100, true, 300};
  SettleBet();
  EXPECT_EQ(TakeOutput(), "You win $300.\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 1300);

  CasinoBet = CasinoBetRecord{100, false, 300};
  SettleBet();
  EXPECT_EQ(TakeOutput(), "You lose $100.\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 1300);

  GameSession.Player.Cash = 2'147'000'000;
  CasinoBet = CasinoBetRecord{1'000'000, true, 2'000'000};
  SettleBet();
  EXPECT_EQ(GameSession.Player.Cash, 2'147'483'647);
}

TEST_F(WagerTest, MultipliedStakesHoldAtTheLimits) {
  EXPECT_EQ(MultiplyStake(99'999'999, 36), 2'147'483'647);
  EXPECT_EQ(MultiplyStake(-99'999'999, 36), -2'147'483'647 - 1);
  EXPECT_EQ(MultiplyStake(25, 1000), 25'000);
}

}  // namespace
