// The whole program in a pseudo-terminal: a first caller sets up the game,
// joins, walks, quits and comes back; many callers join at the same moment.
#include <gtest/gtest.h>

#include <set>

#include "door/e2e_testing.h"
#include "store/records.h"
#include "store/records_testing.h"

namespace {

constexpr int kWait = 8000;

class GameE2eTest : public RealDoorTest {
 protected:
  // Starts a caller on a node and answers the ANSI question with "no".
  DoorRun& Call(const std::string& name, int node) {
    DoorRun& run = StartCaller(name, node);
    EXPECT_TRUE(WaitForOutput(run, "Do you want ANSI graphics? [Y/N] ", kWait)) << run.output;
    SendKeys(run, "n");
    return run;
  }

  void Answer(DoorRun& run, const std::string& text, const std::string& keys) {
    AnswerAfter(run, mark_, text, keys);
  }

  size_t mark_ = 0;
};

TEST_F(GameE2eTest, FirstCallerSetsUpJoinsWalksQuitsAndComesBack) {
  DoorRun& run = Call("Jane Doe", 1);
  Answer(run, "Kordavin Reroll\r\n\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\xC4\r\n"
              "KORDAVIN.CFG Rerolled.\r\nKORDAVIN.PLY Rerolled.\r\nKORDAVIN.MSG Rerolled.\r\n"
              "\r\nKordavin is now ready to be played!\r\n", "");
  Answer(run, "Kordavin Version 1.51a", "");
  Answer(run, "Would you like to play? [Y/N] ", "y");
  Answer(run, "Enter your Pimp Name : ", "slick RICK\r");
  Answer(run, "Slick Rick\r\n", "");
  Answer(run, "for online documentation.", "\r");
  Answer(run, "[1ST & MAIN]: ", "?");
  Answer(run, "Street Corner Options", "g");
  Answer(run, "Go to Flaming Sheinen's\r\n", "");
  Answer(run, "[FLAMING SHEINEN'S]: ", "q");
  Answer(run, "Are you sure you want to quit? [Y/N] ", "y");
  Answer(run, "[-*-]", "\r");
  EXPECT_EQ(WaitForExit(run, kWait), 0) << run.output;
  EXPECT_EQ(DoorFile("kordavin.1"), "") << "the presence file is gone";

  std::vector<PlayerRecord> players = ReadPlayerFile(dir_);
  ASSERT_EQ(players.size(), 1u);
  const PlayerRecord& player = players[0];
  EXPECT_EQ(player.Name, "Slick Rick");
  EXPECT_EQ(player.BbsAlias, "Jane Doe");
  EXPECT_EQ(player.Cash, 1000);
  EXPECT_EQ(player.ClothesLevel, 1);
  EXPECT_EQ(player.LastDay, 8);
  EXPECT_GE(player.TimeLeft, 234) << "235..254 for a new player, one spent walking";
  EXPECT_LE(player.TimeLeft, 253);
  EXPECT_EQ(DoorFile("kordavin.cfg"), std::string(128, '\0'));

  // The same day: no joining, the time left goes on, no profit report.
  mark_ = 0;
  DoorRun& again = Call("Jane Doe", 1);
  Answer(again, "Kordavin Version 1.51a", "");
  Answer(again, "[1ST & MAIN]: ", "q");
  EXPECT_EQ(again.output.find("Welcome to Kordavin!"), std::string::npos);
  Answer(again, "Are you sure you want to quit? [Y/N] ", "y");
  Answer(again, "[-*-]", "\r");
  EXPECT_EQ(WaitForExit(again, kWait), 0);
  EXPECT_EQ(ReadPlayerFile(dir_).size(), 1u);
  EXPECT_EQ(ReadPlayerFile(dir_)[0].TimeLeft, player.TimeLeft);
}

TEST_F(GameE2eTest, SixteenCallersJoiningAtOnceAllGetRecords) {
  constexpr int kCallers = 16;
  std::vector<DoorRun*> callers;
  for (int node = 1; node <= kCallers; ++node) {
    callers.push_back(&Call("Caller " + std::to_string(node), node));
  }
  for (DoorRun* run : callers) {
    ASSERT_TRUE(WaitForOutput(*run, "Would you like to play? [Y/N] ", kWait * 2)) << run->output;
    SendKeys(*run, "y");
  }
  for (DoorRun* run : callers) {
    ASSERT_TRUE(WaitForOutput(*run, "Enter your Pimp Name : ", kWait * 2)) << run->output;
  }
  for (int i = 0; i < kCallers; ++i) SendKeys(*callers[i], "Pimp " + std::to_string(i + 1) + "\r");
  for (DoorRun* run : callers) {
    ASSERT_TRUE(WaitForOutput(*run, "[-*-]", kWait * 2)) << run->output;
    SendKeys(*run, "\r");
  }
  std::vector<size_t> at_street(kCallers);
  for (int i = 0; i < kCallers; ++i) {
    DoorRun* run = callers[i];
    ASSERT_TRUE(WaitForOutput(*run, "[1ST & MAIN]: ", kWait * 2)) << run->output;
    at_street[i] = run->output.find("[1ST & MAIN]: ");
    SendKeys(*run, "qy");
  }
  for (int i = 0; i < kCallers; ++i) {
    DoorRun* run = callers[i];
    ASSERT_TRUE(WaitForOutput(*run, "[-*-]", kWait, at_street[i])) << run->output;
    SendKeys(*run, "\r");
    EXPECT_EQ(WaitForExit(*run, kWait), 0);
  }
  std::vector<PlayerRecord> players = ReadPlayerFile(dir_);
  EXPECT_EQ(DoorFile("kordavin.ply").size(), kCallers * kPlayerRecordSize);
  std::set<std::string> aliases;
  for (const PlayerRecord& player : players) aliases.insert(player.BbsAlias);
  EXPECT_EQ(aliases.size(), static_cast<size_t>(kCallers));
}

}  // namespace
