#include <gtest/gtest.h>

#include <vector>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "store/files.h"
#include "store/records_testing.h"
#include "store/state.h"
#include "store/shared_data.h"

namespace {

std::string NewsFile(const std::vector<NewsMessage>& messages) {
  std::string bytes;
  for (const NewsMessage& message : messages) bytes += RecordsTestBytes(EncodeNews(message));
  return bytes;
}

std::vector<NewsMessage> StoredNews() {
  std::string bytes = ReadRecordsTestFile("kordavin.msg");
  EXPECT_EQ(bytes.size() % kNewsMessageSize, 0u);
  std::vector<NewsMessage> messages;
  for (size_t at = 0; at + kNewsMessageSize <= bytes.size(); at += kNewsMessageSize) {
    messages.push_back(DecodeNews(reinterpret_cast<const uint8_t*>(bytes.data()) + at));
  }
  return messages;
}

TEST(PostNewsSlots, FillsTheFirstFreeSlotOrAppends) {
  MakeRecordsTestDir();
  NewsMessage taken{"Someone", "old news", ""};
  NewsMessage blanked{"", "DELETED", "DELETED"};
  WriteRecordsTestFile("kordavin.msg", NewsFile({taken, taken, taken, blanked, blanked}));
  PostNews({"John Doe"}, "first", "second");
  std::vector<NewsMessage> news = StoredNews();
  ASSERT_EQ(news.size(), 5u);
  EXPECT_EQ(news[3].To, "John Doe");
  EXPECT_EQ(news[3].Line1, "first");
  EXPECT_EQ(news[3].Line2, "second");
  EXPECT_EQ(news[4].Line1, "DELETED");

  PostNews({"John Doe"}, "third", "");
  PostNews({"Jane Roe"}, std::string(90, 'x'), std::string(80, 'y'));
  news = StoredNews();
  ASSERT_EQ(news.size(), 6u);
  EXPECT_EQ(news[4].Line1, "third");
  EXPECT_EQ(news[5].To, "Jane Roe");
  EXPECT_EQ(news[5].Line1, std::string(77, 'x'));
  EXPECT_EQ(news[5].Line2, std::string(77, 'y'));
  EXPECT_EQ(TakeOutput(), "");
}

TEST(PostNewsSlots, StartsAnEmptyFile) {
  MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.msg", "");
  PostNews({"John Doe"}, "hello", "");
  std::vector<NewsMessage> news = StoredNews();
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].To, "John Doe");
}

TEST(ConfigFile, ReadsTheSameFromEitherLength) {
  MakeRecordsTestDir();
  std::string record = RecordsTestBytes(EncodeConfig(GameConfig{"Slick", "John Doe", 9}));
  for (const std::string& bytes : {record, record + std::string(44, '\0')}) {
    WriteRecordsTestFile("kordavin.cfg", bytes);
    GameConfig config = ReadConfig();
    EXPECT_EQ(config.WinnerName, "Slick");
    EXPECT_EQ(config.WinnerAlias, "John Doe");
    EXPECT_EQ(config.RerollDay, 9);
  }
  WriteRecordsTestFile("kordavin.cfg", record.substr(0, 40));
  EXPECT_EQ(ReadConfig().WinnerName, "");
  EXPECT_EQ(TakeOutput(), "");
}

TEST(ConfigFile, WriteRewritesOnlyTheRecord) {
  MakeRecordsTestDir();
  WriteRecordsTestFile("kordavin.cfg", std::string(84, '\0') + std::string(44, '\x7F'));
  WriteConfig(GameConfig{"Winner", "Alias", 21});
  std::string bytes = ReadRecordsTestFile("kordavin.cfg");
  ASSERT_EQ(bytes.size(), 128u);
  EXPECT_EQ(bytes.substr(0, 84), RecordsTestBytes(EncodeConfig(GameConfig{"Winner", "Alias", 21})));
  EXPECT_EQ(bytes.substr(84), std::string(44, '\x7F'));
}

std::vector<std::string> DatLines(int count) {
  std::vector<std::string> lines;
  for (int n = 1; n <= count; ++n) lines.push_back("line " + std::to_string(n));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& line_end) {
  std::string text;
  for (const std::string& line : lines) text += line + line_end;
  return text;
}

TEST(NameLists, ComeFromTheirLinesCutToLength) {
  MakeRecordsTestDir();
  std::vector<std::string> lines = DatLines(106);
  lines[2] = std::string(40, 'C');
  lines[15] = "Candy Cane Sugarplum";
  WriteRecordsTestFile("kordavin.dat", JoinLines(lines, "\r\n"));
  LoadNameLists();
  EXPECT_EQ(GameSession.ClothesName[1], std::string(30, 'C'));
  EXPECT_EQ(GameSession.ClothesName[2], "line 4");
  EXPECT_EQ(GameSession.ClothesName[10], "line 12");
  EXPECT_EQ(GameSession.WhoreName[1], "Candy Cane Suga");
  EXPECT_EQ(GameSession.WhoreName[2], "line 17");
  EXPECT_EQ(GameSession.WhoreName[50], "line 65");
}

TEST(NameLists, MissingLinesReadAsEmpty) {
  MakeRecordsTestDir();
  GameSession.WhoreName[40] = "left over";
  WriteRecordsTestFile("kordavin.dat", JoinLines(DatLines(20), "\n") + "no line end");
  LoadNameLists();
  EXPECT_EQ(GameSession.ClothesName[1], "line 3");
  EXPECT_EQ(GameSession.WhoreName[5], "line 20");
  EXPECT_EQ(GameSession.WhoreName[6], "no line end");
  EXPECT_EQ(GameSession.WhoreName[7], "");
  EXPECT_EQ(GameSession.WhoreName[40], "");
}

}  // namespace
