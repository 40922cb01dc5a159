#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "game/arrival_testing.h"
#include "store/records.h"
#include "game/overnight.h"
#include "store/state.h"

namespace {

const std::string kClear = "\x1b[H\x1b[2J";
const std::string kPause = "[-*-]\b \b\b \b\b \b\b \b\b \b";

std::string Rule(size_t count) { return std::string(count, '\xC4'); }

// Today is the 5th of March; the caller last played on last_day.
PlayerRecord& ArriveWith(uint8_t last_day, std::vector<std::vector<int>> whores) {
  MakeArrivalTestDir(2026, 3, 5);
  GameSession.WhoreName[1] = "Candy";
  GameSession.WhoreName[2] = "Roxanne";
  GameSession.WhoreName[3] = "Fifteen Letters";
  PlayerRecord& player = GameSession.Player;
  player.LastDay = last_day;
  player.WhoreCount = static_cast<uint8_t>(whores.size());
  for (size_t k = 0; k < whores.size(); ++k) {
    player.WhoreNameIndex[k] = static_cast<uint8_t>(whores[k][0]);
    player.WhoreRate[k] = whores[k][1];
    player.WhoreHours[k] = static_cast<uint8_t>(whores[k][2]);
    player.WhoreDays[k] = static_cast<int16_t>(whores[k][3]);
  }
  return player;
}

TEST(ShowOvernight, ProfitReportRowByRow) {
  PlayerRecord& player = ArriveWith(4, {{1, 1000, 8, 3}, {2, 500, 20, 0}, {3, 300, 0, 7}});
  QueueDraws({50, 1, 0, 1,    // Candy: rate up 50, hours as they are
              10, 0, 1, 0,    // Roxanne: rate down 10, hours down 1 of 2
              199, 0, 0, 1,   // a woman with no hours earns nothing
              250});          // miscellaneous
  ShowOvernight();
  const std::string expected =
      kClear + "                        Profit Report as of the 5th\r\n\r\n" +
      "          Whore Name     Average Rate    Hours Worked     Profit\r\n" +
      "        " + Rule(14) + "  " + Rule(14) + "  " + Rule(14) + "  " + Rule(10) + "\r\n" +
      "             Candy      $    1050/Hour       8 Hours    $     8400\r\n"
      "            Roxanne     $     490/Hour      19 Hours    $     9310\r\n"
      "        Fifteen Letters $     101/Hour       0 Hours    $        0\r\n" +
      std::string(56, ' ') + Rule(10) + "\r\n" +
      "                                        Miscellaneous + $      750\r\n" +
      std::string(56, ' ') + Rule(10) + "\r\n" + std::string(56, ' ') + "$    18460\r\n";
  EXPECT_EQ(TakeOutput(), expected);
  EXPECT_EQ(Fake.asked, std::vector<int32_t>({200, 2, 1, 2, 200, 2, 2, 2, 200, 2, 1, 2, 500}));
  EXPECT_EQ(player.Cash, 1000 + 18460);
  EXPECT_EQ(player.WhoreDays[0], 4);
  EXPECT_EQ(player.WhoreDays[1], 1);
  EXPECT_EQ(player.WhoreDays[2], 8);
  EXPECT_EQ(player.WhoreDays[3], 0) << "slots past the count stay as they are";
}

TEST(ShowOvernight, NightsAwayMultiplyHoursButNotMiscellaneous) {
  PlayerRecord& player = ArriveWith(2, {{1, 1000, 8, 0}});
  QueueDraws({0, 1, 0, 1, 0});
  ShowOvernight();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("$    1000/Hour      24 Hours    $    24000\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Miscellaneous + $      500\r\n"), std::string::npos);
  EXPECT_EQ(player.Cash, 1000 + 24000 + 500);
  EXPECT_EQ(player.WhoreDays[0], 3);
}

TEST(ShowOvernight, LongReportPausesOnceBeforeRowFifteen) {
  ArriveWith(4, std::vector<std::vector<int>>(16, {2, 400, 9, 0}));
  QueueKeys("x\r");
  ShowOvernight();
  const std::string out = TakeOutput();
  const size_t pause = out.find(kPause);
  ASSERT_NE(pause, std::string::npos);
  EXPECT_EQ(CountArrivalText(out, kPause), 1);
  EXPECT_EQ(CountArrivalText(out.substr(0, pause), " Hours    $"), 14);
  EXPECT_EQ(CountArrivalText(out.substr(pause), " Hours    $"), 2);
  EXPECT_TRUE(Fake.input.empty());
}

TEST(ShowOvernight, DamagedFiguresSaturateInsteadOfWrapping) {
  PlayerRecord& player = ArriveWith(4, {{1, 2000000000, 10, 32767}, {2, 2000000000, 10, 32000}});
  player.Cash = 2147000000;
  QueueDraws({0, 1, 0, 1, 0, 1, 0, 1, 0});
  ShowOvernight();
  const std::string out = TakeOutput();
  EXPECT_EQ(CountArrivalText(out, "$2000000000/Hour      10 Hours    $2147483647\r\n"), 2) << out;
  EXPECT_NE(out.find(std::string(56, ' ') + "$2147483647\r\n"), std::string::npos);
  EXPECT_EQ(player.Cash, 2147483647);
  EXPECT_EQ(player.WhoreDays[0], 32767);
  EXPECT_EQ(player.WhoreDays[1], 32001);
}

TEST(ShowOvernight, OddJobsForEveryNightWithoutWomen) {
  for (const int draw : {0, 499}) {
    PlayerRecord& player = ArriveWith(3, {});
    QueueDraws({draw});
    ShowOvernight();
    const int money = (draw + 500) * 2;
    EXPECT_EQ(TakeOutput(),
              "\r\nOver the past night, you made $" + std::to_string(money) + " in odd jobs.\r\n");
    EXPECT_EQ(player.Cash, 1000 + money);
    EXPECT_EQ(Fake.asked, std::vector<int32_t>({500}));
  }
}

TEST(ShowOvernight, SameDayDoesNothing) {
  PlayerRecord& player = ArriveWith(5, {{1, 1000, 8, 3}});
  ShowOvernight();
  EXPECT_EQ(TakeOutput(), "");
  EXPECT_TRUE(Fake.asked.empty());
  EXPECT_EQ(player.Cash, 1000);
  EXPECT_EQ(player.WhoreDays[0], 3);
}

NewsMessage News(const std::string& to, const std::string& line1, const std::string& line2) {
  NewsMessage message;
  message.To = to;
  message.Line1 = line1;
  message.Line2 = line2;
  return message;
}

TEST(ShowNews, EachMessageShownOnceThenBlanked) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreArrivalNews({News("Joe Caller", "|12Bob robbed you!", "He took $500."),
                    News("Someone Else", "Not yours", ""),
                    News("Joe Caller", "Your house burned.", ""),
                    News("", "A free slot", "")});
  QueueKeys("\r");
  ShowNews();
  EXPECT_EQ(TakeOutput(), "\r\nLast Night, Theses Things Happened\r\n" + Rule(34) +
                              "\r\n- Bob robbed you!\r\n  He took $500.\r\n"
                              "- Your house burned.\r\n\r\n" + kPause);
  const std::vector<NewsMessage> after = LoadArrivalNews();
  ASSERT_EQ(after.size(), 4u);
  for (const int shown : {0, 2}) {
    EXPECT_EQ(after[shown].To, "");
    EXPECT_EQ(after[shown].Line1, "DELETED");
    EXPECT_EQ(after[shown].Line2, "DELETED");
  }
  EXPECT_EQ(after[1].To, "Someone Else");
  EXPECT_EQ(after[1].Line1, "Not yours");
  EXPECT_EQ(after[3].Line1, "A free slot");

  ShowNews();
  EXPECT_EQ(TakeOutput(), "") << "no header and no pause the second time";
}

TEST(ShowNews, FreeSlotsAreNeverNewsEvenForANamelessCaller) {
  MakeArrivalTestDir(2026, 3, 5);
  DoorSession.RealName = "";
  StoreArrivalNews({News("", "A free slot", "")});
  ShowNews();
  EXPECT_EQ(TakeOutput(), "");
  EXPECT_EQ(LoadArrivalNews()[0].Line1, "A free slot");
}

}  // namespace
