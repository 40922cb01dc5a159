// A stake and the time it costs are paid when the stake is placed, and on
// disk by the game's next key wait: leaving in the middle of a hand, or at
// the prompt after a loss, never gives anything back, and never takes more
// than the hand played out would.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "casino/casino.h"
#include "casino/casino_testing.h"
#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/output.h"
#include "door/session.h"
#include "store/files.h"
#include "store/own_record.h"
#include "game/reroll.h"
#include "store/state.h"
#include "store/store.h"

namespace {

constexpr int32_t kNoReseed = 0;

class PaidStakesTest : public CasinoTest {
 protected:
  void SetUp() override {
    CasinoTest::SetUp();
    DoorSession.RealName = "Jane Doe";
    SeatPlayer(1000, 200);
    GameSession.Player.Name = "Slick";
    GameSession.Player.BbsAlias = "Jane Doe";
    CreatePlayerFile();
    GameSession.PlayerNumber = AppendPlayer(GameSession.Player);
    DoorSession.BeforeWait = StoreOwnRecord;
  }
  void TearDown() override {
    DoorSession.BeforeWait = nullptr;
    CasinoTest::TearDown();
  }
  PlayerRecord Stored() {
    const std::string bytes = ReadWholeFile(dir_ + "/kordavin.ply");
    EXPECT_EQ(bytes.size(), kPlayerRecordSize);
    if (bytes.size() < kPlayerRecordSize) return PlayerRecord{};
    return DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data()));
  }
};

TEST_F(PaidStakesTest, HangingUpInTheMiddleOfAHandForfeitsTheStakeAndItsTime) {
  QueueKeys("B100\r");
  Fake.input.push_back(kHungUp);
  // The computer's ten and five, the caller's ten and two: he is asked for
  // another card, and hangs up instead.
  for (int card : {23, 18, 10, 2}) Fake.draws.push_back(CasinoCardDraw(card));
  EXPECT_THROW(EnterCasino(), SessionEnded);
  EXPECT_NE(TakeOutput().find("[H] Another Card  [S] Stop"), std::string::npos);
  const PlayerRecord stored = Stored();
  EXPECT_EQ(stored.Cash, 900);
  EXPECT_EQ(stored.TimeLeft, 197);
}

TEST_F(PaidStakesTest, ALossShownBeforeTheIdleLogoffIsKeptWithItsTime) {
  QueueKeys("C100\r");
  QueueDraws({0, 0, kNoReseed});  // snake eyes on the come-out: lost at once
  EXPECT_THROW(EnterCasino(), SessionEnded);
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("You have busted. You lose $100."), std::string::npos) << out;
  EXPECT_NE(out.find("[3:20PM][$900][CASINO]: "), std::string::npos) << out;
  EXPECT_NE(out.find("Inactivity timeout."), std::string::npos) << out;
  const PlayerRecord stored = Stored();
  EXPECT_EQ(stored.Cash, 900);
  EXPECT_EQ(stored.TimeLeft, 197);
}

// A hang-up at a prompt inside a hand is worth what the key that ends the
// hand soonest is worth, never less and never more: each game is played to
// the same prompt twice from the same draws, once hung up there, once
// answered with that key and hung up at the casino prompt after it.
struct HandAtPrompt {
  const char* game;
  const char* keys;        // from the casino prompt to the prompt in the hand
  std::vector<int32_t> draws;
  std::string prompt;      // the last thing the caller sees
  const char* ending_key;
  int32_t cash_after;      // 1000 before
};

const HandAtPrompt kHands[] = {
    // The caller stands on 20 against 15; the computer draws a ten and busts.
    {"Black Jack", "B100\r", {22, 17, 10, 11, 35}, "[H] Another Card  [S] Stop", "S", 1100},
    // The computer stops after four throws; the caller is one throw in.
    {"GUTS", "U10\r", {20, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 5, 5, 0, 1},
     "[M] Roll More [S] Stop", "S", 970},
    // 11 against the computer's 10, which then throws 12.
    {"Dice Black Jack", "D100\r", {4, 5, 4, 4, 5, 5}, "[M] Roll More  [S] Stop", "S", 1100},
    {"Craps, a seven riding", "C100\r", {2, 3}, "[L] Let It Ride  [S] Stop", "S", 1200},
    {"Craps, the point", "C100\r", {1, 2, 0, 0, 1, 2}, "Press any key to continue.", " ", 1100},
    {"Roulette", "E1\r100\r", {}, "Black, Red, Quit [B,R,Q,?] : ", "Q", 1000},
};

class HandAtPromptTest : public PaidStakesTest {
 protected:
  // Plays from a fresh record to the hang-up; returns what is stored.
  PlayerRecord Play(const HandAtPrompt& hand, const std::string& keys) {
    TearDown();
    SetUp();
    GameSession.DiceSumCounts[7] = 2500;  // the computer dares four GUTS throws
    QueueKeys(keys);
    Fake.input.push_back(kHungUp);
    for (int32_t draw : hand.draws) Fake.draws.push_back(draw);
    EXPECT_THROW(EnterCasino(), SessionEnded);
    EXPECT_EQ(DoorSession.OnHangup, nullptr);
    return Stored();
  }
};

TEST_F(HandAtPromptTest, AHangUpInAHandIsWorthTheKeyThatEndsItSoonest) {
  for (const HandAtPrompt& hand : kHands) {
    SCOPED_TRACE(hand.game);
    const PlayerRecord hung_up = Play(hand, hand.keys);
    const std::string out = TakeOutput();
    // Nothing of the played-out hand reaches the line, only the close-down.
    const std::string tail = hand.prompt + "\r\n";
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    const PlayerRecord answered = Play(hand, std::string(hand.keys) + hand.ending_key);
    EXPECT_TRUE(EncodePlayer(hung_up) == EncodePlayer(answered)) << "the stored records differ";
    EXPECT_EQ(hung_up.Cash, hand.cash_after);
    EXPECT_EQ(hung_up.TimeLeft, 197);
  }
}

// The line drops at a write of a GUTS game, each write in turn: whatever the
// door had sent by then, the ante and its time are on disk together or not
// at all, and a paid ante is settled as Stop at the first prompt settles it.
bool (*line_write)(const char*, size_t) = nullptr;
int writes_left = 0;

bool DropAtAWrite(const char* data, size_t length) {
  if (writes_left-- <= 0) return false;
  return line_write(data, length);
}

TEST_F(HandAtPromptTest, AGutsLineDroppedAtAnyWritePaysAnteAndTimeTogether) {
  const HandAtPrompt& guts = kHands[1];
  int paid = 0, unpaid = 0;
  for (int writes = 0; writes < 200; ++writes) {
    TearDown();
    SetUp();
    GameSession.DiceSumCounts[7] = 2500;
    DoorSession.BeforeSend = StoreCallerBeforeSend;
    QueueKeys(std::string(guts.keys) + guts.ending_key);
    Fake.input.push_back(kHungUp);
    for (int32_t draw : guts.draws) Fake.draws.push_back(draw);
    line_write = Host.WriteBytes;
    Host.WriteBytes = DropAtAWrite;
    writes_left = writes;
    // Each screen goes out before its key is read, as on a line.
    Fake.before_read = [] { FlushOutput(); };
    EXPECT_THROW(EnterCasino(), SessionEnded);
    Fake.before_read = nullptr;
    Host.WriteBytes = line_write;
    DoorSession.BeforeSend = nullptr;
    const PlayerRecord stored = Stored();
    const bool placed = stored.TimeLeft == 197;
    (placed ? paid : unpaid)++;
    EXPECT_EQ(stored.Cash, placed ? guts.cash_after : 1000) << "line dropped at write " << writes;
    EXPECT_TRUE(placed || stored.TimeLeft == 200) << "line dropped at write " << writes;
    if (writes_left >= 0) break;  // the whole game went out
  }
  EXPECT_GT(paid, 0);
  EXPECT_GT(unpaid, 0);
}

// A caller who hangs up the instant the result reaches him ends at the first
// send that carries it: a loss shown with no key wait after the stake is on
// disk by then, and a stake that takes more time than was left stores none.
bool (*real_write)(const char*, size_t) = nullptr;

bool KillAtTheResult(const char* data, size_t length) {
  if (std::string(data, length).find("You lose $100.") != std::string::npos) {
    throw SessionEnded{0};
  }
  return real_write(data, length);
}

TEST_F(PaidStakesTest, AHangUpTheInstantTheResultArrivesKeepsTheLoss) {
  for (const int16_t time_left : {int16_t{200}, int16_t{2}}) {
    SeatPlayer(1000, time_left);
    GameSession.Player.Name = "Slick";
    GameSession.Player.BbsAlias = "Jane Doe";
    CreatePlayerFile();
    GameSession.PlayerNumber = AppendPlayer(GameSession.Player);
    DoorSession.BeforeSend = StoreCallerBeforeSend;
    QueueKeys("C100\r");
    QueueDraws({0, 0, kNoReseed});  // snake eyes on the come-out: lost at once
    real_write = Host.WriteBytes;
    Host.WriteBytes = KillAtTheResult;
    // With the day spent the casino closes without a prompt.
    EXPECT_THROW(
        {
          EnterCasino();
          FlushOutput();
        },
        SessionEnded)
        << time_left;
    Host.WriteBytes = real_write;
    DoorSession.BeforeSend = nullptr;
    TakeOutput();
    const PlayerRecord stored = Stored();
    EXPECT_EQ(stored.Cash, 900) << time_left;
    EXPECT_EQ(stored.TimeLeft, std::max(time_left - 3, 0)) << time_left;
  }
}

}  // namespace
