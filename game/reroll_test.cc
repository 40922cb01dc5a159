#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "game/arrival_testing.h"
#include "store/records.h"
#include "game/reroll.h"
#include "store/state.h"

namespace {

const std::string kHeader = "Kordavin Reroll\r\n" + std::string(16, '\xC4') + "\r\n";
const std::string kReady = "\r\nKordavin is now ready to be played!\r\n";

GameConfig FinishedGame(uint8_t reroll_day) {
  GameConfig config;
  config.WinnerName = "Big Mike";
  config.WinnerAlias = "Michael Smith";
  config.RerollDay = reroll_day;
  return config;
}

// A game in progress: one player, one unread message, a won configuration.
void StoreFinishedGame(uint8_t reroll_day) {
  WriteArrivalFile("kordavin.dat", "");
  PlayerRecord player = NewPlayer();
  player.Name = "Winner";
  player.BbsAlias = "Michael Smith";
  StoreArrivalPlayers({player});
  NewsMessage message;
  message.To = "Joe Caller";
  message.Line1 = "Old news";
  StoreArrivalNews({message});
  StoreArrivalConfig(FinishedGame(reroll_day));
}

bool CheckRerollEndsSession() {
  QueueKeys("\r");
  try {
    CheckReroll();
  } catch (const SessionEnded&) {
    return true;
  }
  return false;
}

TEST(CheckDataFiles, FreshDirectoryCreatesConfigThenPlayersThenNews) {
  MakeArrivalTestDir(2026, 3, 5);
  WriteArrivalFile("kordavin.dat", "");
  CheckDataFiles();
  EXPECT_EQ(TakeOutput(), "\x1b[H\x1b[2J" + kHeader +
                              "KORDAVIN.CFG Rerolled.\r\nKORDAVIN.PLY Rerolled.\r\n"
                              "KORDAVIN.MSG Rerolled.\r\n" + kReady);
  EXPECT_EQ(ReadArrivalFile("kordavin.cfg"), std::string(128, '\0'));
  EXPECT_TRUE(ArrivalFileExists("kordavin.ply"));
  EXPECT_EQ(ReadArrivalFile("kordavin.ply"), "");
  EXPECT_TRUE(ArrivalFileExists("kordavin.msg"));
  EXPECT_EQ(ReadArrivalFile("kordavin.msg"), "");
}

TEST(CheckDataFiles, CreatesOnlyWhatIsMissingAndKeepsTheRest) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreFinishedGame(9);
  const std::string players = ReadArrivalFile("kordavin.ply");
  const std::string config = ReadArrivalFile("kordavin.cfg");
  ASSERT_EQ(0, remove((DoorSession.ProgramDir + "kordavin.msg").c_str()));
  CheckDataFiles();
  EXPECT_EQ(TakeOutput(), "\x1b[H\x1b[2J" + kHeader + "KORDAVIN.MSG Rerolled.\r\n" + kReady);
  EXPECT_EQ(ReadArrivalFile("kordavin.ply"), players);
  EXPECT_EQ(ReadArrivalFile("kordavin.cfg"), config);

  CheckDataFiles();
  EXPECT_EQ(TakeOutput(), "") << "all files present: nothing to say";
}

TEST(CheckDataFiles, MissingDataFileStopsBeforeAnythingIsCreated) {
  const std::string dir = MakeArrivalTestDir(2026, 3, 5);
  QueueKeys("\r");
  EXPECT_THROW(CheckDataFiles(), SessionEnded);
  EXPECT_NE(TakeOutput().find("\r\nKORDAVIN ERROR : KORDAVIN.DAT not found in " + dir + "\r\n"),
            std::string::npos);
  EXPECT_FALSE(ArrivalFileExists("kordavin.ply"));
  EXPECT_FALSE(ArrivalFileExists("kordavin.cfg"));
  EXPECT_FALSE(ArrivalFileExists("kordavin.msg"));
}

TEST(CheckReroll, FinishedGameShowsTheWinnerAndEndsUntouched) {
  MakeArrivalTestDir(2026, 3, 4);
  StoreFinishedGame(5);
  const std::string players = ReadArrivalFile("kordavin.ply");
  EXPECT_TRUE(CheckRerollEndsSession());
  const std::string out = TakeOutput();
  const std::string ending =
      "\r\n     This adventure of Kordavin has ended. Unfortunately, you have gone out\r\n"
      "of business. A few days ago, one of your fellow pimps who goes by the name of\r\n"
      "Big Mike bought Flaming Sheinen's Restaurant.\r\n\r\n"
      "     He then owned the most important place in the city. You and all the\r\n"
      "rest of the pimps were broke because of his cornering of the market. Lets\r\n"
      "have a round of applause for Michael Smith.\r\n\r\n"
      "       This game will automatically reroll on the 5th of the month.\r\n";
  EXPECT_NE(out.find("\x1b[H\x1b[2J" + ending), std::string::npos) << out;
  EXPECT_EQ(out.find("Kordavin Reroll"), std::string::npos);
  EXPECT_EQ(GameSession.WinnerName, "Big Mike");
  EXPECT_EQ(ReadArrivalFile("kordavin.ply"), players);
  EXPECT_EQ(LoadArrivalNews().size(), 1u);

  // A caller known by his handle is not shown the real name of a winner who
  // won before the game went over to handles: the pimp gets the applause.
  DoorSession.Alias = "handle";
  EXPECT_TRUE(CheckRerollEndsSession());
  EXPECT_NE(TakeOutput().find("have a round of applause for Big Mike.\r\n"), std::string::npos);
}

TEST(CheckReroll, RerollDayEmptiesTheGameOnceAndLetsTheCallerIn) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreFinishedGame(5);
  EXPECT_FALSE(CheckRerollEndsSession());
  const std::string out = TakeOutput();
  EXPECT_NE(out.find(kHeader +
                     "KORDAVIN.MSG Rerolled.\r\nKORDAVIN.PLY Rerolled.\r\n"
                     "KORDAVIN.CFG Rerolled.\r\n" + kReady),
            std::string::npos)
      << out;
  EXPECT_EQ(ReadArrivalFile("kordavin.ply"), "");
  EXPECT_EQ(ReadArrivalFile("kordavin.msg"), "");
  EXPECT_EQ(ReadArrivalFile("kordavin.cfg"), std::string(128, '\0'));
  EXPECT_EQ(GameSession.WinnerName, "");

  // The emptied configuration is a running game: a later call plays on.
  EXPECT_FALSE(CheckRerollEndsSession());
  EXPECT_EQ(TakeOutput().find("Reroll"), std::string::npos);
}

// The title waits for a key; a caller who looks at it while another caller
// starts the new game must not wipe that game when he goes on.
TEST(CheckReroll, ACallerAtTheTitleKeepsTheGameAnotherCallerStarted) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreFinishedGame(5);
  DoorSession.Ansi = 1;
  PlayerRecord newcomer = NewPlayer();
  newcomer.Name = "First In";
  newcomer.BbsAlias = "Early Bird";
  NewsMessage fresh_news;
  fresh_news.To = "Early Bird";
  fresh_news.Line1 = "Welcome news";
  bool rerolled_elsewhere = false;
  Fake.before_read = [&] {
    if (rerolled_elsewhere) return;
    rerolled_elsewhere = true;
    WriteArrivalFile("kordavin.cfg", std::string(128, '\0'));
    StoreArrivalPlayers({newcomer});
    StoreArrivalNews({fresh_news});
  };
  EXPECT_FALSE(CheckRerollEndsSession());
  Fake.before_read = nullptr;
  ASSERT_TRUE(rerolled_elsewhere) << "the title never waited for a key";
  EXPECT_EQ(TakeOutput().find("Rerolled."), std::string::npos);
  ASSERT_EQ(LoadArrivalPlayers().size(), 1u);
  EXPECT_EQ(LoadArrivalPlayers()[0].BbsAlias, "Early Bird");
  ASSERT_EQ(LoadArrivalNews().size(), 1u);
  EXPECT_EQ(LoadArrivalNews()[0].Line1, "Welcome news");
  EXPECT_EQ(GameSession.WinnerName, "");
}

TEST(CheckReroll, RerollHappensOnlyOnItsDayAcrossMonthEnds) {
  struct Case {
    int month, day;
    uint8_t reroll_day;
    bool ends;
  };
  const Case cases[] = {
      {2, 28, 1, true},  {3, 1, 1, false},   {4, 30, 31, true},
      {5, 31, 31, false}, {12, 31, 1, true}, {1, 1, 1, false},
  };
  for (const Case& c : cases) {
    MakeArrivalTestDir(2026, c.month, c.day);
    StoreFinishedGame(c.reroll_day);
    EXPECT_EQ(CheckRerollEndsSession(), c.ends) << c.month << "/" << c.day;
    EXPECT_EQ(ReadArrivalFile("kordavin.ply").empty(), !c.ends) << c.month << "/" << c.day;
  }
}

TEST(CheckReroll, UnreadableConfigurationEndsWithTheReadError) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreFinishedGame(5);
  WriteArrivalFile("kordavin.cfg", "short");
  EXPECT_TRUE(CheckRerollEndsSession());
  EXPECT_NE(TakeOutput().find("\r\nERROR: Unable to read file: 100"), std::string::npos);
  EXPECT_EQ(LoadArrivalPlayers().size(), 1u);
}

TEST(CheckReroll, AFileThatCannotBeCreatedIsReportedNotAnnounced) {
  const std::string dir = MakeArrivalTestDir(2026, 3, 5);
  DoorSession.ProgramDir = dir + "gone/";
  QueueKeys("\r");
  EXPECT_THROW(CreatePlayerFile(), SessionEnded);
  const std::string out = TakeOutput();
  EXPECT_EQ(out.rfind("\r\nERROR: Unable to write file: 2\r\n", 0), 0u) << out;
  EXPECT_EQ(out.find("Rerolled."), std::string::npos);
}

// The files are made whole before they get their names, so nothing else is
// left in the directory; a reroll of a longer configuration ends at 128 bytes.
TEST(CheckDataFiles, FilesAppearWholeAndARerollCutsALongConfiguration) {
  const std::string dir = MakeArrivalTestDir(2026, 3, 5);
  WriteArrivalFile("kordavin.dat", "");
  CheckDataFiles();
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    EXPECT_NE(entry.path().filename().string().find("kordavin."), std::string::npos)
        << entry.path();
    ++entries;
  }
  EXPECT_EQ(entries, 4u) << "kordavin.dat and the three files made";

  StoreFinishedGame(5);
  WriteArrivalFile("kordavin.cfg", ReadArrivalFile("kordavin.cfg") + std::string(300, 'x'));
  EXPECT_FALSE(CheckRerollEndsSession());
  EXPECT_EQ(ReadArrivalFile("kordavin.cfg"), std::string(128, '\0'));
}

}  // namespace
