#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "casino/slots.h"
#include "casino/stake.h"
#include "casino/casino_testing.h"
#include "door/fake_host_testing.h"
#include "door/session.h"
#include "store/state.h"

namespace {

// Random(100) draws that stop a reel on each symbol (the reel value is the
// draw plus one).
constexpr int32_t kCherry = 90;
constexpr int32_t kOrange = 60;
constexpr int32_t kLemon = 40;
constexpr int32_t kBell = 20;
constexpr int32_t kBar = 10;
constexpr int32_t kSeven = 2;

std::string Erased(int count) {
  std::string erase;
  for (int i = 0; i < count; ++i) erase += "\b \b";
  return erase;
}

// The bytes of one reel as the animation sends them, colour sequences given
// by the caller (empty without ANSI).
std::string ReelBytes(const std::string& name, const std::string& red, const std::string& yellow) {
  std::string out = red + "* ";
  for (int frame = 0; frame < 8; ++frame) {
    out += yellow + name.substr(0, static_cast<size_t>(frame)) + std::string(static_cast<size_t>(8 - frame), '-');
    if (frame < 7) out += Erased(8);
  }
  return out + "\b\b" + red + " ";
}

class SlotMachineTest : public CasinoTest {
 protected:
  std::string Pull(const std::string& keys, std::initializer_list<int32_t> reels) {
    QueueKeys(keys);
    QueueDraws(reels);
    PlaySlotMachine();
    EXPECT_TRUE(Fake.draws.empty());
    EXPECT_TRUE(Fake.input.empty());
    return TakeOutput();
  }
};

TEST_F(SlotMachineTest, AnimationBytesWithoutAnsi) {
  const std::string out = Pull("10\r", {kCherry, kOrange, kLemon});
  const std::string stars(28, '*');
  EXPECT_EQ(out, "\r\n[1:00PM][$1000][WAGER][$25 MAX]: 10\r\n"
                 "\r\n" + stars + "\r\n" +
                     ReelBytes("Cherry ", "", "") + ReelBytes("Orange ", "", "") + ReelBytes(" Lemon ", "", "") +
                     "\b *\r\n" + stars + "\r\n\r\nYou win $20.\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 1020);
}

TEST_F(SlotMachineTest, AnimationBytesWithAnsi) {
  DoorSession.Ansi = 1;
  const std::string out = Pull("10\r", {kSeven, kBar, kBell});
  const std::string red = "\x1B[1;31m\x1B[40m";
  const std::string yellow = "\x1B[1;33m\x1B[40m";
  const std::string reels =
      ReelBytes(" Seven ", red, yellow) + ReelBytes("  Bar  ", red, yellow) + ReelBytes(" Bell  ", red, yellow);
  const size_t start = out.find(red + std::string(28, '*') + "\r\n");
  ASSERT_NE(start, std::string::npos) << out;
  EXPECT_EQ(out.substr(start + red.size() + 30, reels.size()), reels);
  EXPECT_NE(out.find(reels + "\b" + red + " *\r\n"), std::string::npos);
}

TEST_F(SlotMachineTest, ScreenShowsThreeLinesOf28Characters) {
  const std::string screen = RenderCasinoScreen(Pull("1\r", {kBell, kCherry, kSeven}));
  const std::string stars(28, '*');
  EXPECT_NE(screen.find(stars + "\n* " + " Bell  * Cherry *  Seven *\n" + stars + "\n"), std::string::npos)
      << screen;
}

TEST_F(SlotMachineTest, PayoutTable) {
  struct Row {
    std::initializer_list<int32_t> reels;
    int32_t times;
  };
  const Row rows[] = {
      {{kCherry, kOrange, kLemon}, 2},  {{kCherry, kCherry, kBar}, 4},   {{kCherry, kCherry, kCherry}, 8},
      {{kOrange, kOrange, kOrange}, 50}, {{kBell, kBell, kBell}, 100},    {{kBar, kBar, kBar}, 500},
      {{kSeven, kSeven, kSeven}, 1000}, {{kCherry, kOrange, kCherry}, 2}, {{kLemon, kLemon, kLemon}, 0},
      {{kOrange, kCherry, kCherry}, 0}, {{kBell, kBell, kCherry}, 0},     {{kSeven, kSeven, kBar}, 0},
  };
  for (const Row& row : rows) {
    SeatPlayer(1000);
    QueueKeys("5\r");
    for (int32_t reel : row.reels) Fake.draws.push_back(reel);
    PlaySlotMachine();
    const std::string out = TakeOutput();
    const int32_t won = 5 * row.times;
    if (row.times == 0) {
      EXPECT_NE(out.find("You lose $5.\r\n"), std::string::npos) << out;
      EXPECT_EQ(GameSession.Player.Cash, 995);
    } else {
      EXPECT_NE(out.find("You win $" + std::to_string(won) + ".\r\n"), std::string::npos) << out;
      EXPECT_EQ(GameSession.Player.Cash, 1000 + won);
    }
    EXPECT_EQ(Fake.asked, (std::vector<int32_t>{100, 100, 100}));
    Fake.asked.clear();
  }
}

TEST_F(SlotMachineTest, ReelWeightsFollowTheBoundaries) {
  struct Edge {
    int32_t draw;
    const char* name;
  };
  // Draws 0..99 give reel values 1..100.
  const Edge edges[] = {{3, " Seven "}, {4, "  Bar  "}, {13, "  Bar  "}, {14, " Bell  "}, {29, " Bell  "},
                        {30, " Lemon "}, {49, " Lemon "}, {50, "Orange "}, {74, "Orange "}, {75, "Cherry "},
                        {99, "Cherry "}};
  for (const Edge& edge : edges) {
    SeatPlayer(1000);
    const std::string screen = RenderCasinoScreen(Pull("1\r", {edge.draw, kLemon, kLemon}));
    EXPECT_NE(screen.find(std::string("* ") + edge.name + "*  Lemon *  Lemon *"), std::string::npos)
        << edge.draw << "\n"
        << screen;
  }
}

TEST_F(SlotMachineTest, StakeIsLimitedToOneFortiethOfTheCash) {
  SeatPlayer(39);
  EXPECT_EQ(Pull("", {}), "You do not have enough money to play this game.\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 39);

  SeatPlayer(40);
  std::string out = Pull("2\r1\r", {kLemon, kLemon, kLemon});
  EXPECT_NE(out.find("[WAGER][$1 MAX]: 2\r\n\r\n[1:00PM][$40][WAGER][$1 MAX]: 1\r\n\r\n*"), std::string::npos)
      << out;
  EXPECT_EQ(GameSession.Player.Cash, 39);

  SeatPlayer(1000);
  out = Pull("26\r25\r", {kLemon, kLemon, kLemon});
  EXPECT_NE(out.find("[$25 MAX]: 26\r\n"), std::string::npos);
  EXPECT_NE(out.find("You lose $25."), std::string::npos);
  EXPECT_EQ(GameSession.Player.Cash, 975);

  // Robbed down to $80 by another node while he chose: the limit is his cash
  // after the key, so 25 is asked again and never leaves him in debt.
  SeatPlayer(1000);
  Fake.before_read = [] {
    if (Fake.input.size() == 3) GameSession.Player.Cash = 80;  // before the Enter after "25"
  };
  out = Pull("25\r2\r", {kLemon, kLemon, kLemon});
  Fake.before_read = nullptr;
  EXPECT_NE(out.find("[$25 MAX]: 25\r\n\r\n[1:00PM][$80][WAGER][$2 MAX]: 2\r\n"), std::string::npos) << out;
  EXPECT_EQ(GameSession.Player.Cash, 78);
}

TEST_F(SlotMachineTest, NegativeOrEmptyStakesNeverPay) {
  // A negative stake is asked again, with no message, and never adds cash.
  std::string out = Pull("-500\r0\r", {});
  EXPECT_EQ(out, "\r\n[1:00PM][$1000][WAGER][$25 MAX]: -500\r\n"
                 "\r\n[1:00PM][$1000][WAGER][$25 MAX]: 0\r\n");
  EXPECT_EQ(GameSession.Player.Cash, 1000);
  EXPECT_EQ(CasinoBet.Stake, 0);
  EXPECT_TRUE(Fake.asked.empty());

  for (const char* entry : {"\r", "q\r", "Q\r", "-\r"}) {
    SeatPlayer(1000);
    Pull(entry, {});
    EXPECT_EQ(GameSession.Player.Cash, 1000) << entry;
    EXPECT_EQ(CasinoBet.Stake, 0);
  }
}

TEST_F(SlotMachineTest, HugeJackpotSaturatesInsteadOfWrapping) {
  SeatPlayer(2'000'000'000);
  const std::string out = Pull("50000000\r", {kSeven, kSeven, kSeven});
  EXPECT_NE(out.find("You win $2147483647."), std::string::npos) << out;
  EXPECT_EQ(GameSession.Player.Cash, 2'147'483'647);
}

}  // namespace
