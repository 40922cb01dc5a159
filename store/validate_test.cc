#include "store/validate.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "store/records.h"
#include "store/records_testing.h"

namespace {

PlayerRecord SanePlayer(const std::string& alias) {
  PlayerRecord player = NewPlayer();
  player.Name = "Pimp " + alias;
  player.BbsAlias = alias;
  player.LastDay = 8;
  player.TimeLeft = 240;
  player.WhoreCount = 2;
  for (size_t k = 0; k < 2; ++k) {
    player.WhoreNameIndex[k] = static_cast<uint8_t>(k + 1);
    player.WhoreHours[k] = 7;
    player.WhoreCondoms[k] = 99;
  }
  return player;
}

std::string PlayerBytesOf(const PlayerRecord& player) {
  return RecordsTestBytes(EncodePlayer(player));
}

std::string ConfigFile() { return std::string(kGameConfigFileSize, '\0'); }

std::vector<std::string> Sentences(const std::vector<DataProblem>& problems) {
  std::vector<std::string> out;
  for (const DataProblem& p : problems) {
    out.push_back(p.file + "#" + std::to_string(p.record) + ": " + p.what);
  }
  return out;
}

class ValidateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeRecordsTestDir();
    WriteRecordsTestFile("kordavin.cfg", ConfigFile());
    WriteRecordsTestFile("kordavin.msg", "");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string dir_;
};

TEST_F(ValidateTest, SaneFilesOfEveryKindHaveNoProblems) {
  WriteRecordsTestFile("kordavin.ply", PlayerBytesOf(SanePlayer("A")) + PlayerBytesOf(SanePlayer("B")));
  WriteRecordsTestFile("kordavin.msg", RecordsTestBytes(EncodeNews({"A", "DELETED", "DELETED"})));
  WriteRecordsTestFile("kordavin.3", RecordsTestBytes(EncodeNode({"Pimp A", 0, ""})) +
                                         std::string(kNodeFileSize - kNodeRecordSize, '\0'));
  WriteRecordsTestFile("kordavin.cfg", std::string(kGameConfigSize, '\0'));
  EXPECT_TRUE(FindDataProblems(dir_).empty()) << testing::PrintToString(Sentences(FindDataProblems(dir_)));
  EXPECT_EQ(RepairDataFiles(dir_), 0);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.ply").size(), 2 * kPlayerRecordSize);
}

TEST_F(ValidateTest, EachOutOfRangePlayerValueIsFoundInItsRecordAndClamped) {
  PlayerRecord bad = SanePlayer("B");
  bad.WhoreNameIndex[1] = 0;
  bad.WhoreHours[0] = 11;
  bad.WhoreCondoms[1] = 100;
  bad.WhoreNameIndex[5] = 200;  // past the slots in use: not damage
  bad.ClothesLevel = 0;
  bad.HouseStreet = 100;
  bad.Cash = -20;
  bad.LastDay = 32;
  bad.TimeLeft = -3;
  WriteRecordsTestFile("kordavin.ply", PlayerBytesOf(SanePlayer("A")) + PlayerBytesOf(bad));

  std::vector<DataProblem> problems = FindDataProblems(dir_);
  ASSERT_EQ(problems.size(), 8u) << testing::PrintToString(Sentences(problems));
  for (const DataProblem& p : problems) {
    EXPECT_EQ(p.file, "kordavin.ply");
    EXPECT_EQ(p.record, 1);
  }
  EXPECT_EQ(RepairDataFiles(dir_), 8);
  EXPECT_TRUE(FindDataProblems(dir_).empty());

  std::string bytes = ReadRecordsTestFile("kordavin.ply");
  PlayerRecord fixed = DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data()) + kPlayerRecordSize);
  EXPECT_EQ(fixed.WhoreNameIndex[1], 1);
  EXPECT_EQ(fixed.WhoreHours[0], 10);
  EXPECT_EQ(fixed.WhoreCondoms[1], 99);
  EXPECT_EQ(fixed.ClothesLevel, 1);
  EXPECT_EQ(fixed.HouseStreet, 99);
  EXPECT_EQ(fixed.Cash, 0);
  EXPECT_EQ(fixed.LastDay, 31);
  EXPECT_EQ(fixed.TimeLeft, 0);
  EXPECT_EQ(fixed.BbsAlias, "B") << "the rest of the record is kept";
  EXPECT_EQ(bytes.substr(0, kPlayerRecordSize), PlayerBytesOf(SanePlayer("A")))
      << "a sound record is not rewritten";
}

TEST_F(ValidateTest, RawLengthBytesAndCountsPastTheirFieldsAreFound) {
  std::string player = PlayerBytesOf(SanePlayer("A"));
  player[0] = static_cast<char>(255);   // Name
  player[83] = static_cast<char>(255);  // WhoreCount
  WriteRecordsTestFile("kordavin.ply", player);
  std::string news = RecordsTestBytes(EncodeNews({"A", "x", ""}));
  news[130] = 78;
  WriteRecordsTestFile("kordavin.msg", news);
  std::string config = ConfigFile();
  config[32] = 51;
  config[83] = 40;
  WriteRecordsTestFile("kordavin.cfg", config);

  std::vector<DataProblem> problems = FindDataProblems(dir_);
  EXPECT_EQ(problems.size(), 5u) << testing::PrintToString(Sentences(problems));
  RepairDataFiles(dir_);
  EXPECT_TRUE(FindDataProblems(dir_).empty()) << testing::PrintToString(Sentences(FindDataProblems(dir_)));
  EXPECT_EQ(static_cast<uint8_t>(ReadRecordsTestFile("kordavin.ply")[0]), 30);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.cfg")[83], 0) << "a damaged reroll day becomes unset";
  EXPECT_EQ(ReadRecordsTestFile("kordavin.cfg").size(), kGameConfigFileSize);
}

TEST_F(ValidateTest, PartialRecordsAreReportedForTheFileAndCutOrPadded) {
  WriteRecordsTestFile("kordavin.ply", PlayerBytesOf(SanePlayer("A")) + std::string(100, 'x'));
  WriteRecordsTestFile("kordavin.msg", std::string(kNewsMessageSize + 1, '\0'));
  WriteRecordsTestFile("kordavin.cfg", std::string(10, '\0'));
  WriteRecordsTestFile("kordavin.12", std::string(5, '\0'));
  WriteRecordsTestFile("kordavin.12.new", "");  // a staging file, not a presence file
  WriteRecordsTestFile("kordavin.13", "");  // made by a door killed as it came in: no one there

  std::vector<DataProblem> problems = FindDataProblems(dir_);
  ASSERT_EQ(problems.size(), 4u) << testing::PrintToString(Sentences(problems));
  for (const DataProblem& p : problems) EXPECT_EQ(p.record, -1) << p.file;
  EXPECT_EQ(RepairDataFiles(dir_), 4);
  EXPECT_TRUE(FindDataProblems(dir_).empty());
  EXPECT_EQ(ReadRecordsTestFile("kordavin.ply"), PlayerBytesOf(SanePlayer("A")));
  EXPECT_EQ(ReadRecordsTestFile("kordavin.msg").size(), kNewsMessageSize);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.cfg"), ConfigFile());
  EXPECT_EQ(ReadRecordsTestFile("kordavin.12").size(), kNodeFileSize);
  EXPECT_EQ(ReadRecordsTestFile("kordavin.13").size(), 0u);
}

TEST_F(ValidateTest, MissingFilesAndAMissingDirectoryAreNoProblemAndNoRepair) {
  std::filesystem::remove(dir_ + "/kordavin.cfg");
  std::filesystem::remove(dir_ + "/kordavin.msg");
  EXPECT_TRUE(FindDataProblems(dir_).empty());
  EXPECT_EQ(RepairDataFiles(dir_), 0);
  EXPECT_FALSE(RecordsTestFileExists("kordavin.ply")) << "nothing is created";
  EXPECT_TRUE(FindDataProblems(dir_ + "/nowhere").empty());
}

}  // namespace
