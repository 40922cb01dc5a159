// Two callers look at the title picture on the reroll day: the first to go on
// starts the new game, the second joins it instead of starting it again.
#include <gtest/gtest.h>

#include <string>

#include "door/e2e_testing.h"
#include "store/records.h"
#include "store/records_testing.h"

namespace {

constexpr int kWait = 8000;
const char* kTitleEnd = "\xBC\x1b[0m\r\n";

std::string Bytes(const auto& record) { return std::string(record.begin(), record.end()); }

class RerollE2eTest : public RealDoorTest {
 protected:
  void SetUp() override {
    RealDoorTest::SetUp();
    if (IsSkipped()) return;
    GameConfig won;
    won.WinnerName = "Big Mike";
    won.WinnerAlias = "Michael Smith";
    won.RerollDay = 8;
    WriteDoorFile(dir_, "kordavin.cfg", Bytes(EncodeConfig(won)) + std::string(44, '\0'));
    PlayerRecord winner = NewPlayer();
    winner.Name = "Big Mike";
    winner.BbsAlias = "Michael Smith";
    WriteDoorFile(dir_, "kordavin.ply", PlayerFileBytes({winner}));
    WriteDoorFile(dir_, "kordavin.msg", "");
  }

  DoorRun& CallToTitle(const std::string& name, int node) {
    DoorRun& run = StartCaller(name, node);
    EXPECT_TRUE(WaitForOutput(run, "Do you want ANSI graphics? [Y/N] ", kWait)) << run.output;
    SendKeys(run, "y");
    EXPECT_TRUE(WaitForOutput(run, kTitleEnd, kWait)) << run.output;
    return run;
  }

  void Join(DoorRun& run, const std::string& pimp) {
    size_t mark = run.output.find(kTitleEnd);
    AnswerAfter(run, mark, "Would you like to play?", "y");
    AnswerAfter(run, mark, "Enter your Pimp Name", pimp + "\r");
    AnswerAfter(run, mark, "for online documentation.", "\r");
    AnswerAfter(run, mark, "1ST & MAIN", "");
  }
};

TEST_F(RerollE2eTest, TwoCallersAtTheTitleRerollOnce) {
  DoorRun& alice = CallToTitle("Alice Real", 1);
  DoorRun& bob = CallToTitle("Bob Real", 2);

  SendKeys(alice, "\r");
  Join(alice, "Alice");
  EXPECT_NE(alice.output.find("KORDAVIN.PLY Rerolled."), std::string::npos) << alice.output;

  SendKeys(bob, "\r");
  Join(bob, "Bob");
  EXPECT_EQ(bob.output.find("Rerolled."), std::string::npos) << "the new game is not wiped";
  EXPECT_EQ(bob.output.find("has ended"), std::string::npos);

  ASSERT_EQ(DoorFile("kordavin.ply").size(), 2 * kPlayerRecordSize);
  const std::vector<PlayerRecord> players = ReadPlayerFile(dir_);
  EXPECT_EQ(players[0].BbsAlias, "Alice Real");
  EXPECT_EQ(players[1].BbsAlias, "Bob Real");
  EXPECT_EQ(DoorFile("kordavin.cfg"), std::string(kGameConfigFileSize, '\0'));
}

}  // namespace
