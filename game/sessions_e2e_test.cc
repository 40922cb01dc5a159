// Real sessions in pseudo-terminals: what a hang-up keeps, and one live
// session per player and per node.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "door/e2e_testing.h"
#include "door/wake_channel.h"
#include "store/data_files.h"
#include "store/records.h"
#include "store/records_testing.h"

namespace {

constexpr int kWait = 8000;

PlayerRecord Player(const std::string& name, const std::string& alias) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  player.BbsAlias = alias;
  player.Cash = 5000;
  player.LastDay = 8;  // played today already: no overnight report
  player.TimeLeft = 200;
  return player;
}

// The cash a casino or wager prompt shows, the last one on the screen.
int32_t ShownCash(const std::string& output) {
  const size_t at = output.rfind("[$");
  if (at == std::string::npos) return -1;
  return static_cast<int32_t>(std::stol(output.substr(at + 2)));
}

class SessionsE2eTest : public RealDoorTest {
 protected:
  void SetUp() override {
    RealDoorTest::SetUp();
    if (IsSkipped()) return;
    WriteDoorFile(dir_, "kordavin.ply",
                  PlayerFileBytes({Player("Slick", "Jane Doe"), Player("Rick", "John Roe")}));
    WriteDoorFile(dir_, "kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
    WriteDoorFile(dir_, "kordavin.msg", "");
  }

  // Starts a caller on a node and brings him to the street corner.
  DoorRun& Call(const std::string& alias, int node) {
    DoorRun& run = StartCaller(alias, node);
    EXPECT_TRUE(WaitForOutput(run, "Do you want ANSI graphics? [Y/N] ", kWait)) << run.output;
    SendKeys(run, "n");
    EXPECT_TRUE(WaitForOutput(run, "[1ST & MAIN]: ", kWait)) << run.output;
    return run;
  }

  // Sends keys and waits for the text they lead to, after what is on screen.
  bool Step(DoorRun& run, const std::string& keys, const std::string& text) {
    const size_t from = run.output.size();
    SendKeys(run, keys);
    const bool seen = WaitForOutput(run, text, kWait, from);
    EXPECT_TRUE(seen) << "waiting for: " << text << "\n" << run.output.substr(from);
    return seen;
  }

  // Plays the slot machine at a dollar a pull until one is lost; returns the
  // pulls made. The caller is left at the casino prompt.
  int LoseAtTheSlots(DoorRun& run) {
    for (int pulls = 1; pulls <= 30; ++pulls) {
      if (!Step(run, "s", "MAX]: ") || !Step(run, "1\r", "[CASINO]: ")) return -1;
      const size_t lost = run.output.rfind("You lose $1.");
      if (lost != std::string::npos && lost > run.output.rfind("MAX]: ")) return pulls;
    }
    return -1;
  }

  PlayerRecord Stored(int number) {
    const std::vector<PlayerRecord> players = ReadPlayerFile(dir_);
    return static_cast<size_t>(number) <= players.size() ? players[number - 1] : PlayerRecord{};
  }

  void HangUp(DoorRun& run) {
    close(run.master);
    run.master = -1;
    EXPECT_EQ(WaitForExit(run, kWait), 0);
  }
};

TEST_F(SessionsE2eTest, ALossAtTheCasinoAndItsTimeOutliveAHangUpAtTheNextPrompt) {
  DoorRun& run = Call("Jane Doe", 1);
  ASSERT_TRUE(Step(run, "c", "[CASINO]: "));
  const int pulls = LoseAtTheSlots(run);
  ASSERT_GT(pulls, 0) << run.output;
  const int32_t shown = ShownCash(run.output);
  // Earlier pulls may have won: the loss is told by the cash at the last stake.
  const int32_t before_loss = ShownCash(run.output.substr(0, run.output.rfind("[WAGER]")));
  HangUp(run);
  const PlayerRecord stored = Stored(1);
  EXPECT_EQ(stored.Cash, shown);
  EXPECT_EQ(stored.Cash, before_loss - 1) << "the lost dollar came back";
  EXPECT_EQ(stored.TimeLeft, 200 - 1 - 3 * pulls) << "a step into the casino, three a pull";
}

TEST_F(SessionsE2eTest, ASecondCallOfThePlayerEndsTheFirstAndStartsFromWhatItStored) {
  DoorRun& first = Call("Jane Doe", 1);
  ASSERT_TRUE(Step(first, "c", "[CASINO]: "));
  ASSERT_GT(LoseAtTheSlots(first), 0);
  const int32_t shown = ShownCash(first.output);

  DoorRun& second = Call("Jane Doe", 2);
  EXPECT_EQ(WaitForExit(first, kWait), 0) << "the first session still runs";
  ASSERT_TRUE(Step(second, "qy", "[-*-]"));
  SendKeys(second, "\r");
  EXPECT_EQ(WaitForExit(second, kWait), 0);
  EXPECT_EQ(Stored(1).Cash, shown);
}

TEST_F(SessionsE2eTest, AnOrphanOnTheSameNodeIsEndedAndOthersPlayOn) {
  DoorRun& orphan = Call("Jane Doe", 3);
  DoorRun& other = Call("John Roe", 4);
  DoorRun& next = Call("John Roe", 3);  // Rick is on node 4 too: he goes as well
  EXPECT_EQ(WaitForExit(orphan, kWait), 0);
  EXPECT_EQ(WaitForExit(other, kWait), 0);
  ASSERT_TRUE(Step(next, "/w", "Pimps On The Streets"));
  ASSERT_TRUE(WaitForOutput(next, "3] Rick", kWait));
  DoorRun& bystander = Call("Jane Doe", 5);
  ASSERT_TRUE(Step(bystander, "/w", "5] Slick"));
  EXPECT_NE(bystander.output.find("3] Rick"), std::string::npos) << "a player on another node stays";
  EXPECT_EQ(bystander.output.find("4] "), std::string::npos) << "an ended session is listed";
}

TEST_F(SessionsE2eTest, WhosOnAndThePageDialogSkipAKilledSession) {
  DoorRun& killed = Call("Jane Doe", 1);
  DoorRun& caller = Call("John Roe", 2);
  ASSERT_TRUE(Step(caller, "/w", "2] Rick"));
  EXPECT_NE(caller.output.find("1] Slick"), std::string::npos) << caller.output;

  kill(killed.pid, SIGKILL);
  EXPECT_EQ(WaitForExit(killed, kWait), -1);
  EXPECT_FALSE(DoorFile("kordavin.1").empty()) << "a killed session leaves its file";
  size_t from = caller.output.size();
  ASSERT_TRUE(Step(caller, "/w", "2] Rick"));
  EXPECT_EQ(caller.output.find("1] Slick", from), std::string::npos) << caller.output.substr(from);

  from = caller.output.size();
  ASSERT_TRUE(Step(caller, "/p", "[PIMP ROSTER ?/LIST]: "));
  ASSERT_TRUE(Step(caller, "1\r", "Invalid player."));
  EXPECT_EQ(caller.output.find("dial up Slick", from), std::string::npos);
}

// One caller new to the game starts on two nodes at once and joins on both
// with the same keys at the same moment: one record, keyed by his handle,
// and one session left playing it.
TEST_F(SessionsE2eTest, OneNewCallerJoiningOnTwoNodesAtOnceMakesOneRecordAndOneSession) {
  std::deque<DoorRun*> both;
  for (int node : {1, 2}) {
    const std::string drop = "node" + std::to_string(node) + ".door32.sys";
    WriteDoorFile(dir_, drop,
                  "0\r\n-1\r\n38400\r\nTest BBS\r\n1\r\nMary Major\r\nRaven\r\n10\r\n60\r\n1\r\n1\r\n");
    runs_.emplace_back();
    ASSERT_TRUE(StartDoor(runs_.back(), dir_, {dir_ + "/" + drop, std::to_string(node)}, kE2eToday));
    both.push_back(&runs_.back());
  }
  for (DoorRun* run : both) {
    ASSERT_TRUE(WaitForOutput(*run, "Do you want ANSI graphics? [Y/N] ", kWait)) << run->output;
    ASSERT_TRUE(Step(*run, "ny", "Enter your Pimp Name : "));
  }
  for (DoorRun* run : both) SendKeys(*run, "black bird\r");
  for (DoorRun* run : both) ASSERT_TRUE(WaitForOutput(*run, "[-*-]", kWait)) << run->output;
  for (DoorRun* run : both) SendKeys(*run, "\r");
  DoorRun* survivor = nullptr;
  for (int waited = 0; survivor == nullptr && waited < kWait; waited += 100) {
    if (WaitForExit(*both[0], 50) == 0) survivor = both[1];
    if (WaitForExit(*both[1], 50) == 0) survivor = both[0];
  }
  ASSERT_NE(survivor, nullptr) << both[0]->output << "\n----\n" << both[1]->output;
  ASSERT_TRUE(WaitForOutput(*survivor, "[1ST & MAIN]: ", kWait)) << survivor->output;
  ASSERT_EQ(DoorFile("kordavin.ply").size(), 3 * kPlayerRecordSize);
  EXPECT_EQ(Stored(3).Name, "Black Bird");
  EXPECT_EQ(Stored(3).BbsAlias, "Raven");
}

// A victim sits at his prompt on node 2 while two thieves on nodes 1 and 3
// take turns robbing him of money and whores; after each theft he asks for
// his statistics. His save must never undo a theft: every dollar and whore
// the three hold stays in the game, and each statistics screen shows what
// his record holds.
TEST_F(SessionsE2eTest, TheftsFromACallerOnLineStandWhenHeActsNext) {
  PlayerRecord victim = Player("Slick", "Jane Doe");
  victim.WhoreCount = 20;
  for (int k = 0; k < 20; ++k) {
    victim.WhoreNameIndex[k] = static_cast<uint8_t>(k + 1);
    victim.WhoreRate[k] = 300;
    victim.WhoreHours[k] = 8;
  }
  std::vector<PlayerRecord> players{victim, Player("Rick", "John Roe"), Player("Nick", "Joe Bloggs")};
  for (PlayerRecord& player : players) {
    player.HouseStreet = player.Name == "Slick" ? 0 : 1;  // a house to lure his whores to
    player.TimeLeft = 260;
  }
  WriteDoorFile(dir_, "kordavin.ply", PlayerFileBytes(players));
  auto holdings = [this] {
    std::pair<int64_t, int> sum{0, 0};
    for (int n = 1; n <= 3; ++n) sum = {sum.first + Stored(n).Cash, sum.second + Stored(n).WhoreCount};
    return sum;
  };
  const std::pair<int64_t, int> at_start = holdings();
  DoorRun& on_line = Call("Jane Doe", 2);
  DoorRun* thieves[] = {&Call("John Roe", 1), &Call("Joe Bloggs", 3)};
  for (int theft = 0; theft < 20; ++theft) {
    DoorRun& thief = *thieves[theft % 2];
    ASSERT_TRUE(Step(thief, "t", "Show Roster [Y/N] "));
    ASSERT_TRUE(Step(thief, "n", "[PIMP ROSTER]: "));
    ASSERT_TRUE(Step(thief, "1\r", "or [Q]uit : "));
    ASSERT_TRUE(Step(thief, theft % 3 == 0 ? "m" : "w", "[1ST & MAIN]: "));
    ASSERT_TRUE(Step(on_line, "y", "Cash on Hand : $"));
    ASSERT_TRUE(WaitForOutput(on_line, "[1ST & MAIN]: ", kWait, on_line.output.rfind("Cash on")));
    const PlayerRecord stored = Stored(1);
    const size_t whores = on_line.output.rfind("Number of Whores : ") + 19;
    const size_t cash = on_line.output.rfind("Cash on Hand : $") + 16;
    EXPECT_EQ(std::stoi(on_line.output.substr(whores)), stored.WhoreCount) << "theft " << theft;
    EXPECT_EQ(std::stol(on_line.output.substr(cash)), stored.Cash) << "theft " << theft;
    EXPECT_EQ(holdings(), at_start) << "after theft " << theft;
  }
  // A theft is told at his prompt after his next key, within a second.
  EXPECT_TRUE(WaitForOutput(on_line, "\r\n* ", 1500)) << "never told of a theft";
  EXPECT_LT(Stored(1).WhoreCount, 20) << "no whore was lured: the test proved little";

  // Fined by another node while he only waits at the casino's prompt: no key
  // of his is needed for his figures to follow and for him to hear of it, and
  // the prompt written again under the notice shows his cash as it is now.
  ASSERT_TRUE(Step(on_line, "c", "[CASINO]: "));
  PlayerRecord fined = Stored(1);
  ASSERT_GT(fined.Cash, 0);
  const int32_t fine = std::min<int32_t>(fined.Cash, 100);
  fined.Cash -= fine;
  const PlayerBytes bytes = EncodePlayer(fined);
  const size_t mark = on_line.output.size();
  std::fstream ply(dir_ + "/kordavin.ply", std::ios::in | std::ios::out | std::ios::binary);
  ply.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ply.close();
  WakeChannelAt((dir_ + "/" + WakeChannelName(1)).c_str());  // as the node that fines him does
  EXPECT_TRUE(WaitForOutput(on_line, "They fined you $" + std::to_string(fine) + ".", 3000, mark))
      << on_line.output.substr(mark);
  EXPECT_TRUE(WaitForOutput(on_line, "[$" + std::to_string(fined.Cash) + "][CASINO]: ", 3000, mark))
      << on_line.output.substr(mark);
  ASSERT_TRUE(Step(on_line, "r", "[1ST & MAIN]: "));
  ASSERT_TRUE(Step(on_line, "y", "Cash on Hand : $"));
  ASSERT_TRUE(WaitForOutput(on_line, "[1ST & MAIN]: ", kWait, on_line.output.rfind("Cash on")));
  EXPECT_EQ(std::stol(on_line.output.substr(on_line.output.rfind("Cash on Hand : $") + 16)),
            fined.Cash);
  EXPECT_EQ(Stored(1).Cash, fined.Cash);
}

}  // namespace
