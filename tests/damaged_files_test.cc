// The real door against damaged data files, as a sysop would meet them: a
// missing or cut game text, a configuration cut short or replaced by a
// directory, a partial player record, a wrecked player, and a full disk.
// Each run ends with the game's own error text or plays on with the damage
// held in range; it always exits with 0 and never leaves a partial record.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "door/e2e_testing.h"
#include "game/damage_testing.h"
#include "store/records.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWait = 8000;

std::string PlayerBytes(const std::string& name, const std::string& alias) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  player.BbsAlias = alias;
  return DamageRecordBytes(player);
}

class DamagedDoorTest : public RealDoorTest {
 protected:
  bool NeedsFakeTime() const override { return false; }
  void TearDown() override {
    RealDoorTest::TearDown();
    UnmountDamageDisk(disk_);
  }

  void Write(const std::string& name, const std::string& bytes) { WriteDoorFile(dir_, name, bytes); }

  // The data files of a running game with one other player in it.
  void StoreRunningGame() {
    Write("kordavin.ply", PlayerBytes("Other", "Someone Else"));
    Write("kordavin.msg", "");
    Write("kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
  }

  // Starts Joe Caller on node 1 in dir and declines ANSI.
  void Call(const std::string& dir) {
    WriteDoorFile(dir, "door32.sys", Door32For("Joe Caller"));
    ASSERT_TRUE(StartDoor(run_, dir, {dir + "/door32.sys", "1"}));
    ASSERT_TRUE(WaitForOutput(run_, "Do you want ANSI graphics? [Y/N] ", kWait)) << run_.output;
    SendKeys(run_, "n");
  }

  // Sends keys once the text has appeared after the last one answered.
  void Answer(const std::string& text, const std::string& keys) {
    AnswerAfter(run_, mark_, text, keys);
  }

  // The session's end: the message, the pause, exit code 0.
  void EndsWith(const std::string& message) {
    Answer(message, "");
    Answer("[-*-]", "\r");
    EXPECT_EQ(WaitForExit(run_, kWait), 0);
  }

  std::string disk_;  // a mounted tmpfs, for the full-disk case
  DoorRun& run_ = runs_.emplace_back();
  size_t mark_ = 0;
};

TEST_F(DamagedDoorTest, MissingGameTextStopsTheCallerBeforeAnythingIsMade) {
  fs::remove(dir_ + "/kordavin.dat");
  Call(dir_);
  EndsWith("\r\nKORDAVIN ERROR : KORDAVIN.DAT not found in " + dir_ + "//\r\n");
  for (const char* name : {"kordavin.ply", "kordavin.cfg", "kordavin.msg", "kordavin.1"}) {
    EXPECT_FALSE(fs::exists(dir_ + "/" + name)) << name;
  }
}

TEST_F(DamagedDoorTest, ConfigurationCutShortOrADirectoryEndsWithTheReadError) {
  StoreRunningGame();
  const std::string players = DoorFile("kordavin.ply");
  Write("kordavin.cfg", "");
  Call(dir_);
  EndsWith("\r\nERROR: Unable to read file: 100\r\n");
  StopDoor(run_);

  fs::remove(dir_ + "/kordavin.cfg");
  fs::create_directory(dir_ + "/kordavin.cfg");
  run_ = DoorRun{};
  mark_ = 0;
  Call(dir_);
  EndsWith("\r\nERROR: Unable to read file: 103\r\n");
  EXPECT_EQ(DoorFile("kordavin.ply"), players);
  EXPECT_FALSE(fs::exists(dir_ + "/kordavin.1"));
}

TEST_F(DamagedDoorTest, PartialLastPlayerRecordStopsANewCallerWithoutAJoin) {
  StoreRunningGame();
  const std::string players = DoorFile("kordavin.ply") + PlayerBytes("Cut", "Cut").substr(0, 200);
  Write("kordavin.ply", players);
  Call(dir_);
  EndsWith("\r\nERROR: Unable to read file: 100\r\n");
  EXPECT_EQ(run_.output.find("Welcome to Kordavin!"), std::string::npos);
  EXPECT_EQ(DoorFile("kordavin.ply"), players);
}

TEST_F(DamagedDoorTest, WreckedPlayerPlaysThroughHisScreensAndIsStoredInRange) {
  StoreRunningGame();
  Write("kordavin.ply", DoorFile("kordavin.ply") + WreckedPlayerBytes("Joe Caller", 200));
  // Huge game text: ten thousand lines of a thousand bytes.
  std::string text;
  for (int line = 1; line <= 10000; ++line) text += std::string(1000, static_cast<char>('a' + line % 26)) + "\r\n";
  Write("kordavin.dat", text);
  Call(dir_);
  Answer("Profit Report as of the ", "");
  Answer("[-*-]", "\r");
  Answer("[255TH & MAIN]: ", "w");
  Answer("255 Condoms\r\n", "");
  Answer("[255TH & MAIN]: ", "y");
  Answer("    Number of Whores : 20\r\n", "");
  Answer("[255TH & MAIN]: ", "p");
  Answer("Note : Daily Profit", "");
  Answer("[255TH & MAIN]: ", "o");
  Answer(std::string(255, 'q'), "");  // line 94, cut to the text limit
  Answer("[255TH & MAIN]: ", "q");
  Answer("Are you sure you want to quit? [Y/N] ", "y");
  Answer("[-*-]", "\r");
  EXPECT_EQ(WaitForExit(run_, kWait), 0);

  const std::string bytes = DoorFile("kordavin.ply");
  ASSERT_EQ(bytes.size(), 2 * kPlayerRecordSize);
  EXPECT_EQ(bytes.substr(0, kPlayerRecordSize), PlayerBytes("Other", "Someone Else"));
  const PlayerRecord me =
      DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data() + kPlayerRecordSize));
  EXPECT_EQ(me.Name, std::string(30, 'W'));
  EXPECT_EQ(me.WhoreCount, 20);
  EXPECT_GE(me.Cash, 0);
  EXPECT_GE(me.TimeLeft, 0);
  EXPECT_LE(me.TimeLeft, 260);
  EXPECT_FALSE(fs::exists(dir_ + "/kordavin.1"));
}

TEST_F(DamagedDoorTest, FullDiskStopsAJoinWithTheWriteErrorAndKeepsWholeRecords) {
  const size_t program = static_cast<size_t>(fs::file_size(KORDAVIN_BINARY));
  std::string why;
  disk_ = MountDamageDisk(program + (1 << 20), why);
  if (disk_.empty()) GTEST_SKIP() << why;
  const std::string dir = disk_.substr(0, disk_.size() - 1);
  fs::copy_file(KORDAVIN_BINARY, dir + "/kordavin");
  fs::copy_file(dir_ + "/kordavin.dat", dir + "/kordavin.dat");
  // Fourteen players end short of a page, so a fifteenth would half fit.
  std::string players;
  for (int n = 0; n < 14; ++n) {
    players += PlayerBytes("P" + std::to_string(n), "A" + std::to_string(n));
  }
  WriteDoorFile(dir, "kordavin.ply", players);
  WriteDoorFile(dir, "kordavin.msg", "");
  WriteDoorFile(dir, "kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
  WriteDoorFile(dir, "door32.sys", Door32For("Joe Caller"));
  FillDamageDisk(disk_);

  Call(dir);
  Answer("Would you like to play? [Y/N] ", "y");
  Answer("Enter your Pimp Name : ", "Newbie\r");
  EndsWith("\r\nERROR: Unable to write file: 101\r\n");
  EXPECT_EQ(ReadWholeFile(dir + "/kordavin.ply"), players);
}

}  // namespace
