// Two callers look at the title picture on the reroll day: the first to go on
// starts the new game, the second joins it instead of starting it again.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <iterator>
#include <string>

#include "door/pty_testing.h"
#include "store/records.h"

namespace {

constexpr int kWait = 8000;
const char* kRerollDay = "2026-12-08 14:00:00";
const char* kTitleEnd = "\xBC\x1b[0m\r\n";

std::string Bytes(const auto& record) { return std::string(record.begin(), record.end()); }

std::string ReadDirFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RerollE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (FakeTimeLibrary().empty()) GTEST_SKIP() << "libfaketime is not installed";
    dir_ = MakeDoorDir();
    GameConfig won;
    won.WinnerName = "Big Mike";
    won.WinnerAlias = "Michael Smith";
    won.RerollDay = 8;
    WriteDoorFile(dir_, "kordavin.cfg", Bytes(EncodeConfig(won)) + std::string(44, '\0'));
    PlayerRecord winner = NewPlayer();
    winner.Name = "Big Mike";
    winner.BbsAlias = "Michael Smith";
    WriteDoorFile(dir_, "kordavin.ply", Bytes(EncodePlayer(winner)));
    WriteDoorFile(dir_, "kordavin.msg", "");
  }
  void TearDown() override {
    for (DoorRun& run : runs_) StopDoor(run);
    if (!dir_.empty()) RemoveDoorDir(dir_);
  }

  DoorRun& CallToTitle(const std::string& name, int node) {
    const std::string drop = "node" + std::to_string(node) + ".door32.sys";
    WriteDoorFile(dir_, drop, Door32For(name));
    DoorRun& run = runs_.emplace_back();
    EXPECT_TRUE(StartDoor(run, dir_, {dir_ + "/" + drop, std::to_string(node)}, kRerollDay));
    EXPECT_TRUE(WaitForOutput(run, "Do you want ANSI graphics? [Y/N] ", kWait)) << run.output;
    SendKeys(run, "y");
    EXPECT_TRUE(WaitForOutput(run, kTitleEnd, kWait)) << run.output;
    return run;
  }

  void Join(DoorRun& run, const std::string& pimp) {
    size_t mark = run.output.find(kTitleEnd);
    for (const auto& [text, keys] : {std::pair<std::string, std::string>{"Would you like to play?", "y"},
                                     {"Enter your Pimp Name", pimp + "\r"},
                                     {"for online documentation.", "\r"},
                                     {"1ST & MAIN", ""}}) {
      ASSERT_TRUE(WaitForOutput(run, text, kWait, mark)) << text << "\n" << run.output.substr(mark);
      mark = run.output.find(text, mark) + text.size();
      SendKeys(run, keys);
    }
  }

  std::string dir_;
  std::deque<DoorRun> runs_;
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

  const std::string players = ReadDirFile(dir_ + "/kordavin.ply");
  ASSERT_EQ(players.size(), 2 * kPlayerRecordSize);
  const auto* bytes = reinterpret_cast<const uint8_t*>(players.data());
  EXPECT_EQ(DecodePlayer(bytes).BbsAlias, "Alice Real");
  EXPECT_EQ(DecodePlayer(bytes + kPlayerRecordSize).BbsAlias, "Bob Real");
  EXPECT_EQ(ReadDirFile(dir_ + "/kordavin.cfg"), std::string(kGameConfigFileSize, '\0'));
}

}  // namespace
