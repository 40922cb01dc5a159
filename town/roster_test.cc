#include "town/roster.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "store/state.h"
#include "town/streets_testing.h"

namespace {

const std::string kRule(1, '\xC4');

std::string Rules(int count) {
  std::string rules;
  for (int i = 0; i < count; ++i) rules += kRule;
  return rules;
}

// The caller is record 1 ("Joe Pimp"), rivals follow.
class RosterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeStreetsTestDir();
    players_ = {MakeStreetsPlayer("Joe Pimp", "Joe Caller"), MakeStreetsPlayer("Bob Pimp", "Bob"),
                MakeStreetsPlayer("Cal Pimp", "Cal")};
  }
  void Store() {
    StoreStreetsPlayers(players_);
    GameSession.Player = players_[0];
    GameSession.PlayerNumber = 1;
  }
  std::vector<PlayerRecord> players_;
};

TEST_F(RosterTest, SelectRivalWithOnlyTheCallerAsksNothing) {
  players_.resize(1);
  Store();
  EXPECT_EQ(SelectRival(), -1);
  EXPECT_EQ(TakeOutput(), "\r\nThere are no other pimps playing this game.\r\n");
  EXPECT_EQ(Fake.reads, 0);
}

TEST_F(RosterTest, SelectRivalListsOthersAndAsksAgainOutOfRange) {
  players_.push_back(MakeStreetsPlayer("Joe Twice", "Joe Caller"));
  Store();
  QueueKeys("Y1\r9\r-2\r3\r");
  EXPECT_EQ(SelectRival(), 3);
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("Show Roster [Y/N] Y\r\n\r\n2] Bob Pimp\r\n3] Cal Pimp\r\n"), std::string::npos)
      << out;
  EXPECT_EQ(out.find("] Joe"), std::string::npos) << "the caller's own alias is never listed";
  EXPECT_EQ(CountStreetsText(out, "[PIMP ROSTER]: "), 4);
}

bool PlayerFileIsOpen() {
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return false;
  bool open = false;
  while (dirent* entry = readdir(fds)) {
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0) continue;
    if (std::string(target, static_cast<size_t>(length)).ends_with("/kordavin.ply")) open = true;
  }
  closedir(fds);
  return open;
}

bool player_file_seen_open = false;

// An open player file keeps its lock, so other nodes could not save while
// this caller makes up his mind.
TEST_F(RosterTest, SelectRivalHoldsNoFileWhileTheCallerThinks) {
  Store();
  player_file_seen_open = false;
  DoorSession.OnWaiting = [] {
    player_file_seen_open |= PlayerFileIsOpen();
    return true;
  };
  QueueKeyAt(Fake.now_ms + 3000, 'Y');
  QueueKeyAt(Fake.now_ms + 6000, '2');
  QueueKeyAt(Fake.now_ms + 9000, '\r');
  EXPECT_EQ(SelectRival(), 2);
  EXPECT_GT(Fake.now_ms, 8000);
  EXPECT_FALSE(player_file_seen_open);
}

TEST_F(RosterTest, SelectRivalTakesZeroEnterOrQAsNone) {
  Store();
  for (const char* answer : {"0\r", "\r", "q\r", "Q\r"}) {
    QueueKeys(std::string("N") + answer);
    EXPECT_EQ(SelectRival(), -1) << answer;
  }
  EXPECT_EQ(CountStreetsText(TakeOutput(), "] Bob Pimp"), 0);
}

TEST_F(RosterTest, SelectRivalReachesPlayersPastNinetyNine) {
  for (int i = 4; i <= 150; ++i) {
    players_.push_back(MakeStreetsPlayer("P" + std::to_string(i), "A" + std::to_string(i)));
  }
  Store();
  QueueKeys("N151\r150\r");
  EXPECT_EQ(SelectRival(), 150);
}

// On a board of many the roster comes a screen at a time, the height the
// host gave, and a piece of a name finds a rival instead of his number.
TEST_F(RosterTest, SelectRivalPagesTheRosterAndFindsRivalsByAPieceOfTheirName) {
  for (int i = 4; i <= 28; ++i) {
    players_.push_back(MakeStreetsPlayer("Zed " + std::to_string(i), "Z" + std::to_string(i)));
  }
  players_.push_back(MakeStreetsPlayer("Quincy", "Slick Nine"));
  Store();
  DoorSession.ScreenLength = 14;  // ten rows a screen
  QueueKeys("Y\rx" "zed\r\rx" "zed 2\r" "pimp\r" "nine\r" "qui\r" "nobody\r" "Q\bQ4\b\b29\r");
  EXPECT_EQ(SelectRival(), 29);
  const std::string out = TakeOutput();
  std::string more = "[ENTER for more]";
  for (int i = 0; i < 16; ++i) more += "\b \b";
  // The roster, and the search for "zed": a screen, Enter, a screen, left.
  EXPECT_NE(out.find("\r\n11] Zed 11\r\n" + more + "12] Zed 12\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("21] Zed 21\r\n" + more + "\r\n[PIMP ROSTER]: ZED\r\n4] Zed 4\r\n"),
            std::string::npos) << out;
  EXPECT_NE(out.find("13] Zed 13\r\n" + more + "14] Zed 14\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("23] Zed 23\r\n" + more + "\r\n[PIMP ROSTER]: ZED 2\r\n20] Zed 20\r\n"),
            std::string::npos) << out;
  // Fewer than a screen: no pause. Pimp names and handles alike, never the
  // caller's own; a Q that a letter follows is a name.
  EXPECT_NE(out.find("28] Zed 28\r\n\r\n[PIMP ROSTER]: PIMP\r\n2] Bob Pimp\r\n3] Cal Pimp\r\n\r\n"),
            std::string::npos) << out;
  EXPECT_NE(out.find("NINE\r\n29] Quincy\r\n\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("QUI\r\n29] Quincy\r\n\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("NOBODY\r\nNo pimp's name holds that.\r\n"), std::string::npos) << out;
  EXPECT_EQ(CountStreetsText(out, "[PIMP ROSTER]: "), 7);
  EXPECT_EQ(CountStreetsText(out, "[ENTER for more]"), 4);
}

TEST_F(RosterTest, ExaminingARivalShowsHisRecordAndTellsHim) {
  PlayerRecord& bob = players_[1];
  bob.WhoreCount = 2;
  bob.ClothesLevel = 3;
  bob.CondomStock = 12;
  bob.HouseStreet = 5;
  bob.Cash = 4321;
  Store();
  ShowPlayerStats(2);
  EXPECT_EQ(TakeOutput(), "\r\n   Pimp Statistics\r\n   " + Rules(15) +
                              "\r\n Kordavin Pimp Name : Bob Pimp\r\n"
                              "Bulletin Board Alias : Bob\r\n"
                              "    Number of Whores : 2\r\n"
                              " Best Wardrobe Piece : Clothes3\r\n"
                              "     Condoms on Hand : 12\r\n"
                              "      Pimping Corner : 5th & Main\r\n"
                              "        Cash on Hand : $4321\r\n");
  const std::vector<NewsMessage> news = LoadStreetsNews();
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].To, "Bob");
  EXPECT_EQ(news[0].Line1, "Joe Pimp spied on you.");
  EXPECT_EQ(news[0].Line2, "");

  // A caller known by his handle is never shown the real name that a record
  // from before the game went over to handles is still keyed by.
  DoorSession.Alias = "joe";
  ShowPlayerStats(2);
  EXPECT_NE(TakeOutput().find("Bulletin Board Alias : (unknown)\r\n"), std::string::npos);
}

// A name's control bytes, and the bar of a screen-clearing code, reach no
// other caller's terminal, in any screen that shows the name.
TEST_F(RosterTest, NamesShowTheirTerminalCodesAsQuestionMarks) {
  DoorSession.Ansi = 0;
  players_[1].BbsAlias = "|12Ev\x1b[2Jil|00";
  players_[1].Name = "Ev\x7fil|CL\xDB";
  Store();
  ShowPlayerStats(2);
  QueueKeys("y0\r");
  SelectRival();
  std::string out = TakeOutput();
  EXPECT_NE(out.find("Kordavin Pimp Name : Ev?il?CL\xDB\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Bulletin Board Alias : Ev?[2Jil\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("2] Ev?il?CL\xDB\r\n"), std::string::npos) << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << "no escape sequence with ANSI off";
  ShowRankings();
  out = TakeOutput();
  EXPECT_NE(out.find("] Ev?il?CL\xDB"), std::string::npos) << out;
  EXPECT_EQ(out.find("\x1b[2J"), out.rfind("\x1b[2J")) << "only the rankings' own clear screen";
}

TEST_F(RosterTest, OwnStatisticsSaveFirstAndPostNothing) {
  Store();
  GameSession.Player.Cash = 777;
  GameSession.Player.ClothesLevel = 0;
  ShowPlayerStats(1);
  const std::string out = TakeOutput();
  EXPECT_EQ(out.find("\r\n   Your Statistics\r\n"), 0u) << out;
  EXPECT_NE(out.find("Cash on Hand : $777\r\n"), std::string::npos);
  EXPECT_NE(out.find("Best Wardrobe Piece : None\r\n"), std::string::npos);
  EXPECT_NE(out.find("Pimping Corner : None\r\n"), std::string::npos);
  EXPECT_EQ(LoadStreetsPlayers()[0].Cash, 777);
  EXPECT_TRUE(LoadStreetsNews().empty());
}

TEST_F(RosterTest, WhoreStatsCentreNamesAndCostOnePerWhore) {
  GameSession.WhoreName[1] = "ABCDEFGHIJKLMNO";
  GameSession.WhoreName[2] = "Anna";
  PlayerRecord& me = GameSession.Player;
  me.WhoreCount = 7;
  for (size_t k = 0; k < 7; ++k) {
    me.WhoreNameIndex[k] = static_cast<uint8_t>(k + 1);
    me.WhoreRate[k] = 1234;
    me.WhoreHours[k] = 8;
    me.WhoreCondoms[k] = 5;
  }
  me.WhoreRate[1] = 12345678;  // wider than its column: shown whole
  ShowWhoreStats();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\n        ABCDEFGHIJKLMNO $   1234/Hour   8 Hours per Day    5 Condoms\r\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\r\n             Anna       $12345678/Hour   8 Hours per Day    5 Condoms\r\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(GameSession.TimeLeft, 193);

  me.WhoreCount = 0;
  ShowWhoreStats();
  EXPECT_EQ(TakeOutput(), "\r\nYou currently have no whores.\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 193);
}

// The order the rankings have always had, swap by swap.
void ExchangeSort(std::vector<RankingEntry>& entries) {
  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    for (size_t j = i + 1; j < entries.size(); ++j) {
      if (!(entries[j].Worth < entries[i].Worth)) std::swap(entries[i], entries[j]);
    }
  }
}

TEST(RankingOrder, MatchesTheExchangeSortOnRandomDataWithTies) {
  std::mt19937 generator(20261208);
  for (int trial = 0; trial < 400; ++trial) {
    const int count = static_cast<int>(generator() % 70);
    const int spread = 1 + static_cast<int>(generator() % 6);
    std::vector<RankingEntry> entries;
    for (int i = 1; i <= count; ++i) {
      const double worth = static_cast<double>(generator() % static_cast<unsigned>(spread)) * 1000;
      entries.push_back({"P" + std::to_string(i), worth, 0, i});
    }
    std::vector<RankingEntry> expected = entries;
    ExchangeSort(expected);
    SortRankings(entries);
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      ASSERT_EQ(entries[i].Record, expected[i].Record) << "trial " << trial << " row " << i;
    }
  }
}

TEST_F(RosterTest, RankingsRankEveryRecordAndPauseEveryTwentyRows) {
  players_.clear();
  for (int i = 1; i <= 45; ++i) {
    PlayerRecord player = MakeStreetsPlayer("P" + std::to_string(i), "A" + std::to_string(i));
    player.Cash = i == 7 || i == 30 ? 9000 : 100 * i;
    players_.push_back(player);
  }
  players_[44].Name = "Zed";
  players_[44].Cash = 5000;
  players_[44].WhoreCount = 1;
  players_[44].WhoreHours[0] = 8;
  players_[44].WhoreRate[0] = 100;
  Store();
  QueueKeys("\r\r");
  ShowRankings();
  const std::string out = TakeOutput();
  EXPECT_EQ(out.find("Sorting Files... "), 0u);
  EXPECT_EQ(CountStreetsText(out, "[-*-]"), 2);
  EXPECT_EQ(Fake.input.size(), 0u);
  // Equal worth: the later record ranks first.
  EXPECT_NE(out.find(" 1] P30"), std::string::npos) << out;
  EXPECT_NE(out.find(" 2] P7 "), std::string::npos);
  EXPECT_NE(out.find(" 3] Zed" + std::string(34, ' ') + "$     5800" + std::string(11, ' ') +
                         " 1 Whores\r\n"),
            std::string::npos);
  EXPECT_NE(out.find("45] P1 "), std::string::npos);
  EXPECT_NE(out.find("\r\nNote : Daily Profit = Cash + (Rate * Hours of all Whores)\r\n"),
            std::string::npos);
}

// More players than a screen: the top screen, left at its pause, and the
// caller's own place. A colour code in a name, or a home board after it,
// never moves the columns that follow.
TEST_F(RosterTest, RankingsShowTheTopScreenAndTheCallersPlace) {
  players_[0].Cash = 0;
  players_[1] = MakeStreetsPlayer("|14Gold", "Goldie");
  players_[2] = MakeStreetsPlayer("Bob Pimp", "[XA]bob");
  players_.push_back(MakeStreetsPlayer(std::string(30, 'L'), "[ABCDEFGH]long"));
  for (int i = 5; i <= 25; ++i) {
    players_.push_back(MakeStreetsPlayer("P" + std::to_string(i), "[XB]p" + std::to_string(i)));
  }
  for (size_t i = 1; i < players_.size(); ++i) players_[i].Cash = 100000 - static_cast<int32_t>(i);
  Store();
  DoorSession.ScreenLength = 14;  // ten rows a screen
  QueueKeys("x");
  ShowRankings();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\n 1] Gold" + std::string(33, ' ') + "$    99999"), std::string::npos)
      << out;
  EXPECT_NE(out.find("\r\n 2] Bob Pimp [XA]" + std::string(24, ' ') + "$    99998"),
            std::string::npos) << out;
  EXPECT_NE(out.find("10] P11 [XB]"), std::string::npos) << out;
  EXPECT_EQ(out.find("11] P12"), std::string::npos) << "left at the first pause";
  EXPECT_NE(out.find("[-*-]\b \b\b \b\b \b\b \b\b \b\r\n25] Joe Pimp "), std::string::npos) << out;
  size_t dollar = std::string::npos, whores = std::string::npos;
  for (size_t at = out.find("] "); at != std::string::npos; at = out.find("] ", at + 1)) {
    const size_t begin = out.rfind('\n', at) + 1;
    const std::string row = out.substr(begin, out.find('\r', at) - begin);
    if (dollar == std::string::npos) {
      dollar = row.find('$');
      whores = row.find(" Whores");
    }
    // The longest name with the longest tag pushes its worth along, but not
    // the whores.
    if (row.find("LLL") == std::string::npos) {
      EXPECT_EQ(row.find('$'), dollar) << row;
    }
    EXPECT_EQ(row.find(" Whores"), whores) << row;
  }
}

TEST_F(RosterTest, HousePricesStopAtQAndCostOne) {
  QueueKeys("q");
  ShowHousePrices();
  std::string out = TakeOutput();
  EXPECT_EQ(out.find("\r\n   Corner       Price\r\n" + Rules(11) + "  " + Rules(11) +
                     "\r\n 1st & Main   $      75\r\n 2nd & Main   $     300\r\n"),
            0u)
      << out;
  EXPECT_NE(out.find("21st & Main   $   33075\r\n[Q to Quit]\b \b"), std::string::npos);
  EXPECT_EQ(out.find("22nd"), std::string::npos);
  EXPECT_EQ(GameSession.TimeLeft, 199);

  QueueKeys("xyzw");
  ShowHousePrices();
  out = TakeOutput();
  EXPECT_EQ(CountStreetsText(out, "[Q to Quit]"), 4);
  EXPECT_NE(out.find("99th & Main   $  735075\r\n"), std::string::npos);
  EXPECT_EQ(GameSession.TimeLeft, 198);
}

TEST_F(RosterTest, WhoIsOnListsEveryPresentNodeInOrder) {
  ShowWhoIsOn();
  EXPECT_EQ(TakeOutput(), "");
  StoreStreetsNode(12, "Dex Pimp");
  StoreStreetsNode(1, "Joe Pimp");
  StoreStreetsNode(7, "Ev\x1b[2Jil|CL");
  StoreStreetsNode(3, "Cal Pimp");
  ShowWhoIsOn();
  // Every node in play, in node order; a name's terminal codes shown as '?'.
  EXPECT_EQ(TakeOutput(), "\r\nPimps On The Streets\r\n" + Rules(19) +
                              "-\r\n1] Joe Pimp\r\n3] Cal Pimp\r\n7] Ev?[2Jil?CL\r\n12] Dex Pimp\r\n");
  QueueKeys("12\r");
  EXPECT_EQ(PickOnlinePimp(), 12);
}

TEST_F(RosterTest, PickOnlinePimpListsRefusesEmptyNodesAndAcceptsOwn) {
  StoreStreetsNode(1, "Joe Pimp");
  StoreStreetsNode(3, "Cal Pimp");
  QueueKeys("?\r4\r-1\r3\r");
  EXPECT_EQ(PickOnlinePimp(), 3);
  const std::string out = TakeOutput();
  EXPECT_EQ(CountStreetsText(out, "Pimps On The Streets"), 1);
  EXPECT_EQ(CountStreetsText(out, "\r\nInvalid player."), 2);
  QueueKeys("1\r");
  EXPECT_EQ(PickOnlinePimp(), 1);
  QueueKeys("Q\r");
  EXPECT_EQ(PickOnlinePimp(), -1);
}

}  // namespace
