#include "store/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "store/state.h"

namespace {

void PutText(uint8_t* at, const char* text) {
  at[0] = static_cast<uint8_t>(std::strlen(text));
  std::memcpy(at + 1, text, std::strlen(text));
}

PlayerRecord SamplePlayer() {
  PlayerRecord player;
  player.Name = "Slick";
  player.BbsAlias = "John Doe";
  player.WhoreCount = 2;
  player.WhoreNameIndex[0] = 7;
  player.WhoreNameIndex[1] = 50;
  player.WhoreCondoms[0] = 3;
  player.WhoreRate[0] = 0x01020304;
  player.WhoreRate[1] = -1;
  player.WhoreHours[0] = 9;
  player.WhoreDays[0] = 300;
  player.WhoreDays[1] = -2;
  player.ClothesLevel = 10;
  player.HouseStreet = 42;
  player.Cash = 1000000;
  player.CondomStock = 0x1234;
  player.AteFlameBurger = 1;
  player.LastDay = 31;
  player.TimeLeft = -3;
  return player;
}

PlayerBytes SamplePlayerBytes() {
  PlayerBytes b{};
  PutText(&b[0], "Slick");
  PutText(&b[32], "John Doe");
  b[83] = 2;
  b[84] = 7;
  b[85] = 50;
  b[104] = 3;
  b[124] = 0x04, b[125] = 0x03, b[126] = 0x02, b[127] = 0x01;
  b[128] = 0xFF, b[129] = 0xFF, b[130] = 0xFF, b[131] = 0xFF;
  b[204] = 9;
  b[224] = 0x2C, b[225] = 0x01;
  b[226] = 0xFE, b[227] = 0xFF;
  b[264] = 10;
  b[265] = 42;
  b[266] = 0x40, b[267] = 0x42, b[268] = 0x0F, b[269] = 0x00;
  b[270] = 0x34, b[271] = 0x12;
  b[272] = 1;
  b[273] = 31;
  b[274] = 0xFD, b[275] = 0xFF;
  return b;
}

TEST(PlayerRecordLayout, EncodesAndDecodesAtTheStoredOffsets) {
  EXPECT_EQ(EncodePlayer(SamplePlayer()), SamplePlayerBytes());

  PlayerBytes bytes = SamplePlayerBytes();
  PlayerRecord back = DecodePlayer(bytes.data());
  PlayerRecord want = SamplePlayer();
  EXPECT_EQ(back.Name, want.Name);
  EXPECT_EQ(back.BbsAlias, want.BbsAlias);
  EXPECT_EQ(back.WhoreCount, 2);
  EXPECT_EQ(back.WhoreNameIndex, want.WhoreNameIndex);
  EXPECT_EQ(back.WhoreCondoms, want.WhoreCondoms);
  EXPECT_EQ(back.WhoreRate, want.WhoreRate);
  EXPECT_EQ(back.WhoreHours, want.WhoreHours);
  EXPECT_EQ(back.WhoreDays, want.WhoreDays);
  EXPECT_EQ(back.ClothesLevel, 10);
  EXPECT_EQ(back.HouseStreet, 42);
  EXPECT_EQ(back.Cash, 1000000);
  EXPECT_EQ(back.CondomStock, 0x1234);
  EXPECT_EQ(back.AteFlameBurger, 1);
  EXPECT_EQ(back.LastDay, 31);
  EXPECT_EQ(back.TimeLeft, -3);
}

TEST(PlayerRecordLayout, KeepsTheAlignmentByteAsRead) {
  PlayerBytes bytes = SamplePlayerBytes();
  bytes[31] = 0x5A;
  EXPECT_EQ(EncodePlayer(DecodePlayer(bytes.data()))[31], 0x5A);
}

TEST(PlayerRecordLayout, CutsLongTextAndZeroesWhatFollowsIt) {
  PlayerRecord player;
  player.Name = std::string(40, 'N');
  player.BbsAlias = std::string(60, 'A');
  PlayerBytes bytes = EncodePlayer(player);
  EXPECT_EQ(bytes[0], 30);
  EXPECT_EQ(bytes[30], 'N');
  EXPECT_EQ(bytes[31], 0);  // the alignment byte, not a 31st letter
  EXPECT_EQ(bytes[32], 50);
  EXPECT_EQ(bytes[82], 'A');
  EXPECT_EQ(bytes[83], 0);  // WhoreCount untouched by the long alias

  // A shorter name over a longer one leaves nothing of the old text behind.
  player.Name = "Al";
  bytes = EncodePlayer(player);
  EXPECT_EQ(bytes[0], 2);
  for (int i = 3; i <= 30; ++i) EXPECT_EQ(bytes[static_cast<size_t>(i)], 0) << i;
}

TEST(DamagedRecords, ReadWithinTheirFields) {
  PlayerBytes player = SamplePlayerBytes();
  player[0] = 255;   // Name length
  player[32] = 200;  // BbsAlias length
  player[83] = 200;  // WhoreCount
  PlayerRecord read = DecodePlayer(player.data());
  EXPECT_EQ(read.Name.size(), 30u);
  EXPECT_EQ(read.BbsAlias.size(), 50u);
  EXPECT_EQ(read.WhoreCount, 20);
  EXPECT_EQ(read.WhoreRate[0], 0x01020304);

  NewsBytes news{};
  news[0] = 255;
  news[52] = 255;
  news[130] = 255;  // the last field: a trusted length would read past the record
  NewsMessage message = DecodeNews(news.data());
  EXPECT_EQ(message.To.size(), 50u);
  EXPECT_EQ(message.Line1.size(), 77u);
  EXPECT_EQ(message.Line2.size(), 77u);

  NodeBytes node{};
  node[0] = 255;
  node[32] = 255;
  NodeRecord presence = DecodeNode(node.data());
  EXPECT_EQ(presence.Name.size(), 30u);
  EXPECT_EQ(presence.Message.size(), 79u);

  ConfigBytes config{};
  config[0] = 255;
  config[32] = 255;
  GameConfig game = DecodeConfig(config.data());
  EXPECT_EQ(game.WinnerName.size(), 30u);
  EXPECT_EQ(game.WinnerAlias.size(), 50u);
}

TEST(OtherRecordLayouts, MatchHandBuiltBytes) {
  ConfigBytes config{};
  PutText(&config[0], "Big Daddy");
  PutText(&config[32], "Sysop Sam");
  config[83] = 17;
  EXPECT_EQ(EncodeConfig(GameConfig{"Big Daddy", "Sysop Sam", 17}), config);
  GameConfig read_config = DecodeConfig(config.data());
  EXPECT_EQ(read_config.WinnerName, "Big Daddy");
  EXPECT_EQ(read_config.WinnerAlias, "Sysop Sam");
  EXPECT_EQ(read_config.RerollDay, 17);

  NewsBytes news{};
  PutText(&news[0], "John Doe");
  PutText(&news[52], "|12Someone stole $5 from you.");
  PutText(&news[130], "DELETED");
  EXPECT_EQ(EncodeNews(NewsMessage{"John Doe", "|12Someone stole $5 from you.", "DELETED"}), news);
  NewsMessage read_news = DecodeNews(news.data());
  EXPECT_EQ(read_news.To, "John Doe");
  EXPECT_EQ(read_news.Line1, "|12Someone stole $5 from you.");
  EXPECT_EQ(read_news.Line2, "DELETED");

  NodeBytes node{};
  PutText(&node[0], "Slick");
  node[31] = 1;
  PutText(&node[32], "Hello there");
  EXPECT_EQ(EncodeNode(NodeRecord{"Slick", 1, "Hello there"}), node);
  NodeRecord read_node = DecodeNode(node.data());
  EXPECT_EQ(read_node.Name, "Slick");
  EXPECT_EQ(read_node.PageFlag, 1);
  EXPECT_EQ(read_node.Message, "Hello there");
}

TEST(NewPlayerRecord, StartsWithTheJoiningValues) {
  PlayerBytes bytes = EncodePlayer(NewPlayer());
  PlayerBytes want{};
  want[264] = 1;                   // wardrobe level 1
  want[266] = 0xE8, want[267] = 3;  // $1000
  EXPECT_EQ(bytes, want);
}

TEST(AddCashLimits, SaturatesInsteadOfWrapping) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(AddCash(1000, 250), 1250);
  EXPECT_EQ(AddCash(1000, -1500), -500);
  EXPECT_EQ(AddCash(kMax - 10, 10), kMax);
  EXPECT_EQ(AddCash(kMax - 10, 11), kMax);
  EXPECT_EQ(AddCash(kMax, kMax), kMax);
  EXPECT_EQ(AddCash(kMin + 5, -6), kMin);
  EXPECT_EQ(AddCash(5, std::numeric_limits<int64_t>::max()), kMax);
  EXPECT_EQ(AddCash(-5, std::numeric_limits<int64_t>::min()), kMin);
  EXPECT_EQ(AddCash(kMax, std::numeric_limits<int64_t>::min()), kMin);
}

TEST(NetWorthOfPlayer, AddsEarningsOfSlotsInUseOnly) {
  PlayerRecord player;
  player.Cash = 500;
  player.WhoreCount = 2;
  player.WhoreHours = {8, 10, 9};
  player.WhoreRate = {300, 450, 999};  // slot 3 is out of use
  EXPECT_DOUBLE_EQ(NetWorth(player), 500 + 8 * 300 + 10 * 450);

  // Past the 32-bit range the sum stays exact rather than wrapping.
  player.Cash = 2000000000;
  player.WhoreCount = 1;
  player.WhoreHours[0] = 10;
  player.WhoreRate[0] = 200000000;
  EXPECT_DOUBLE_EQ(NetWorth(player), 4000000000.0);

  player.WhoreHours[0] = 255;
  player.WhoreRate[0] = std::numeric_limits<int32_t>::max();
  EXPECT_GT(NetWorth(player), 0.0);
}

TEST(NameLookups, GiveEmptyNamesOutsideTheLists) {
  ResetGameSession();
  GameSession.ClothesName[1] = "Rags";
  GameSession.ClothesName[10] = "Mink Coat";
  GameSession.WhoreName[50] = "Candy";
  EXPECT_EQ(ClothesNameOf(1), "Rags");
  EXPECT_EQ(ClothesNameOf(10), "Mink Coat");
  EXPECT_EQ(WhoreNameOf(50), "Candy");
  for (int index : {0, 11, 255, -1}) EXPECT_EQ(ClothesNameOf(index), "") << index;
  for (int index : {0, 51, 255, -1}) EXPECT_EQ(WhoreNameOf(index), "") << index;
}

}  // namespace
