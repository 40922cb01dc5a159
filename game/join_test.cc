#include <gtest/gtest.h>

#include <string>

#include "door/dropfile.h"
#include "door/fake_host_testing.h"
#include "door/session.h"
#include "game/arrival_testing.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/records.h"
#include "game/join.h"
#include "game/overnight.h"
#include "store/state.h"
#include "store/players.h"
#include "store/shared_data.h"

namespace {

const std::string kNamePrompt = "Enter your Pimp Name : ";

PlayerRecord StoredPlayer(uint8_t last_day, int16_t time_left) {
  PlayerRecord player = NewPlayer();
  player.Name = "Slick Rick";
  player.BbsAlias = "Joe Caller";
  player.LastDay = last_day;
  player.TimeLeft = time_left;
  return player;
}

TEST(JoinGame, DecliningEndsTheSessionWithoutARecord) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreArrivalPlayers({});
  QueueKeys("n\r");
  EXPECT_THROW(JoinGame(), SessionEnded);
  const std::string out = TakeOutput();
  EXPECT_EQ(out.rfind("\r\nWelcome to Kordavin!\r\n" + std::string(21, '\xC4') +
                          "\r\n\r\nWould you like to play? [Y/N] N\r\n",
                      0),
            0u)
      << out;
  EXPECT_EQ(out.find(kNamePrompt), std::string::npos);
  EXPECT_TRUE(LoadArrivalPlayers().empty());
}

TEST(JoinGame, AppendsTheNewPlayerAfterTheOthers) {
  MakeArrivalTestDir(2026, 3, 5);
  const PlayerRecord first = StoredPlayer(4, 0);
  StoreArrivalPlayers({first});
  DoorSession.RealName = "New Caller";
  // An empty name and a blank one are asked for again.
  QueueKeys("y\r   \rjoe smith\r\r");
  QueueDraws({5});
  JoinGame();
  const std::string out = TakeOutput();
  EXPECT_EQ(CountArrivalText(out, kNamePrompt), 3);
  EXPECT_NE(out.find("\r\nPress \"?\" at any prompt for an options list. \"O\" for online "
                     "documentation.\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(GameSession.PlayerNumber, 2);
  EXPECT_EQ(GameSession.Player.Name, "Joe Smith") << "named before the presence file is written";
  const std::vector<PlayerRecord> players = LoadArrivalPlayers();
  ASSERT_EQ(players.size(), 2u);
  EXPECT_EQ(players[0].Name, first.Name);
  const PlayerRecord& joined = players[1];
  EXPECT_EQ(joined.Name, "Joe Smith");
  EXPECT_EQ(joined.BbsAlias, "New Caller");
  EXPECT_EQ(joined.Cash, 1000);
  EXPECT_EQ(joined.ClothesLevel, 1);
  EXPECT_EQ(joined.WhoreCount, 0);
  EXPECT_EQ(joined.HouseStreet, 0);
  EXPECT_EQ(joined.LastDay, 5);
  EXPECT_EQ(joined.TimeLeft, 240);
  EXPECT_EQ(Fake.asked, std::vector<int32_t>({20}));
}

TEST(JoinGame, NameTakesPrintableCharactersCapitalisedUpToThirty) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreArrivalPlayers({});
  QueueKeys("yJOE\x01\xC4 \"q`~" + std::string(30, 'X') + "\r\r");
  QueueDraws({19});
  JoinGame();
  const std::vector<PlayerRecord> players = LoadArrivalPlayers();
  ASSERT_EQ(players.size(), 1u);
  EXPECT_EQ(players[0].Name, "Joe \"q`~" + std::string(22, 'x'));
  EXPECT_EQ(players[0].TimeLeft, 254);
  EXPECT_EQ(GameSession.PlayerNumber, 1);
}

// The caller as a board's own drop file describes him.
void CallFrom(const std::string& fixture) {
  DoorSession.RealName.clear();
  DoorSession.Alias.clear();
  ASSERT_EQ(ReadDropFile(std::string(KORDAVIN_DROPFILES_DIR) + "/" + fixture), Ok) << fixture;
  DoorSession.Ansi = 0;
}

NewsMessage NewsTo(const std::string& to, uint8_t kind, const std::string& line) {
  return NewsMessage{to, line, "", kind};
}

TEST(CallerKey, HandleWhereTheDropFileGivesOneRealNameWhereNotOrWhenTheSysopSaysSo) {
  MakeArrivalTestDir(2026, 3, 5);
  const struct {
    const char* fixture;
    const char* name;
    uint8_t kind;
  } cases[] = {
      {"enigma_door32.sys", "jdoe", kKeyedByHandle},
      {"synchronet_socket_DOOR32.SYS", "Raven", kKeyedByHandle},
      {"maximus_Door.Sys", "jdoe", kKeyedByHandle},          // line 36
      {"synchronet_DORINFO1.DEF", "JANE DOE", kKeyedByRealName},  // one name only
      {"synchronet_DOOR32.SYS", "Jane Doe", kKeyedByRealName},    // handle = real name
  };
  for (const auto& c : cases) {
    CallFrom(c.fixture);
    EXPECT_EQ(CallerKey().Name, c.name) << c.fixture;
    EXPECT_EQ(CallerKey().Kind, c.kind) << c.fixture;
  }
  DoorSession.RealNamesOnly = true;
  CallFrom("synchronet_socket_DOOR32.SYS");
  EXPECT_EQ(CallerName(), "Mary Major");
}

// A record from before handles were read is carried over at the caller's
// first call, unread news with it; he returns by handle after that; the
// real-names switch carries him back.
TEST(CallerKey, ARealNameRecordIsCarriedOverWithItsNewsAndTheSwitchCarriesItBack) {
  MakeArrivalTestDir(2026, 3, 5);
  PlayerRecord jane = StoredPlayer(4, 0);
  jane.Name = "Slick";
  jane.BbsAlias = "Jane Doe";
  jane.Cash = 77777;
  StoreArrivalPlayers({StoredPlayer(4, 0), jane});
  StoreArrivalNews({NewsTo("Jane Doe", kKeyedByRealName, "Rick spied on you."),
                    NewsTo("Joe Caller", kKeyedByRealName, "Not hers.")});
  StoreArrivalConfig(GameConfig{"Slick", "Jane Doe", 9});

  CallFrom("enigma_door32.sys");
  for (int call = 0; call < 2; ++call) {
    ASSERT_TRUE(LoadPlayer()) << call;
    EXPECT_EQ(GameSession.PlayerNumber, 2);
    const PlayerRecord stored = LoadArrivalPlayers()[1];
    EXPECT_EQ(stored.BbsAlias, "jdoe");
    EXPECT_EQ(stored.KeyKind, kKeyedByHandle);
    EXPECT_EQ(stored.Cash, 77777) << "nothing of his game is lost";
  }
  std::vector<NewsMessage> news = LoadArrivalNews();
  EXPECT_TRUE(IsAddressedTo(news[0], PlayerKey{"jdoe", kKeyedByHandle}));
  EXPECT_EQ(news[1].To, "Joe Caller");
  EXPECT_EQ(ReadConfig().WinnerAlias, "jdoe") << "the winner's screen shows no real name";

  DoorSession.RealNamesOnly = true;
  ASSERT_TRUE(LoadPlayer());
  EXPECT_EQ(GameSession.PlayerNumber, 2);
  EXPECT_EQ(LoadArrivalPlayers()[1].BbsAlias, "Jane Doe");
  EXPECT_TRUE(IsAddressedTo(LoadArrivalNews()[0], PlayerKey{"Jane Doe", kKeyedByRealName}));
  EXPECT_EQ(LoadArrivalPlayers().size(), 2u);
}

// A caller who took another player's real name as his handle gets neither
// that player's record nor his news, before or after the carry-over.
TEST(CallerKey, AHandleEqualToAnotherPlayersRealNameFindsNothingOfHis) {
  MakeArrivalTestDir(2026, 3, 5);
  PlayerRecord jane = StoredPlayer(4, 0);
  jane.BbsAlias = "Jane Doe";
  StoreArrivalPlayers({jane});
  StoreArrivalNews({NewsTo("Jane Doe", kKeyedByRealName, "Rick spied on you.")});
  WriteArrivalFile("impostor.door32.sys",
                   "0\r\n-1\r\n38400\r\nTest BBS\r\n9\r\nEve Smith\r\nJane Doe\r\n10\r\n60\r\n1\r\n1\r\n");
  const std::string impostor = DoorSession.ProgramDir + "impostor.door32.sys";
  ASSERT_EQ(ReadDropFile(impostor), Ok);
  EXPECT_FALSE(LoadPlayer());
  QueueKeys("yeve\r\r");
  QueueDraws({5});
  JoinGame();
  EXPECT_EQ(GameSession.PlayerNumber, 2);
  ShowNews();
  EXPECT_EQ(TakeOutput().find("spied on you"), std::string::npos);
  PostNews(KeyOf(GameSession.Player), "Rick stole from Eve.", "");

  CallFrom("enigma_door32.sys");
  ASSERT_TRUE(LoadPlayer());
  EXPECT_EQ(GameSession.PlayerNumber, 1) << "Jane keeps her record";
  ASSERT_EQ(ReadDropFile(impostor), Ok);
  ASSERT_TRUE(LoadPlayer());
  EXPECT_EQ(GameSession.PlayerNumber, 2);
  const std::vector<NewsMessage> news = LoadArrivalNews();
  ASSERT_EQ(news.size(), 2u);
  EXPECT_EQ(news[0].To, "jdoe") << "Jane's news went with her";
  EXPECT_TRUE(IsAddressedTo(news[1], PlayerKey{"Jane Doe", kKeyedByHandle})) << "Eve's stayed";
  EXPECT_EQ(LoadArrivalPlayers().size(), 2u);
}

// Drop-file names were once read with the blanks around them: the record and
// the news keyed "jdoe " are found by the caller whose file gives " jdoe".
// The board's name byte for byte: " alice", "alice " and "alice" are three
// of its accounts. A record stored before names kept their blanks (keyed
// "alice", as every record of those versions is) stays alice's, news and all.
TEST(CallerKey, NamesDifferingOnlyInBlanksAreThreeCallers) {
  for (const std::string handle : {" alice", "alice ", "alice"}) {
    MakeArrivalTestDir(2026, 3, 5);
    PlayerRecord alice = StoredPlayer(4, 0);
    alice.BbsAlias = "alice";
    alice.KeyKind = kKeyedByHandle;
    StoreArrivalPlayers({StoredPlayer(4, 0), alice});
    StoreArrivalNews({NewsTo("alice", kKeyedByHandle, "Rick spied on you.")});
    WriteArrivalFile("door32.sys", "0\r\n-1\r\n38400\r\nTest BBS\r\n9\r\nJane Doe\r\n" + handle +
                                       "\r\n10\r\n60\r\n1\r\n1\r\n");
    ASSERT_EQ(ReadDropFile(DoorSession.ProgramDir + "door32.sys"), Ok);
    EXPECT_EQ(CallerKey().Name, handle);
    EXPECT_EQ(LoadPlayer(), handle == "alice") << "'" << handle << "'";
    if (handle != "alice") continue;
    EXPECT_EQ(GameSession.PlayerNumber, 2);
    QueueKeys("\r");
    ShowNews();
    EXPECT_NE(TakeOutput().find("Rick spied on you."), std::string::npos);
  }
}

// The same caller joining on a second node while this one typed his pimp
// name: the append finds the first node's record and takes it.
TEST(JoinGame, ASecondJoinOfTheSameCallerGetsTheFirstsPlayer) {
  MakeArrivalTestDir(2026, 3, 5);
  StoreArrivalPlayers({});
  CallFrom("synchronet_socket_DOOR32.SYS");
  ASSERT_FALSE(LoadPlayer());
  PlayerRecord first = StoredPlayer(5, 240);
  first.Name = "Black Bird";
  SetKey(first, CallerKey());
  StoreArrivalPlayers({first});
  QueueKeys("yraven\r\r");
  QueueDraws({5});
  JoinGame();
  EXPECT_EQ(GameSession.PlayerNumber, 1);
  EXPECT_EQ(GameSession.Player.Name, "Black Bird");
  EXPECT_NE(TakeOutput().find("You joined on another node a moment ago: you play as Black Bird."),
            std::string::npos);
  EXPECT_EQ(LoadArrivalPlayers().size(), 1u);
}

TEST(DailyLogin, TimeForTheDayFollowsTheLastSave) {
  struct Case {
    uint8_t last_day;
    int16_t stored;
    int16_t expected;
  };
  const Case cases[] = {
      {5, 120, 120},  // same day, the rest of it
      {5, 240, 240},  // a new player's first day
      {5, 300, 300},  // above a full day: the loop ends it after one command
      {4, 0, 260},    // a new day is always full
      {4, 120, 260},
  };
  for (const Case& c : cases) {
    MakeArrivalTestDir(2026, 3, 5);
    StoreArrivalPlayers({StoredPlayer(1, 0), StoredPlayer(c.last_day, c.stored)});
    GameSession.PlayerNumber = 2;
    DailyLogin();
    EXPECT_EQ(GameSession.TimeLeft, c.expected) << int{c.last_day} << " " << c.stored;
    EXPECT_EQ(GameSession.Player.TimeLeft, c.stored);
    EXPECT_EQ(GameSession.Player.LastDay, c.last_day);
  }
}

TEST(DailyLogin, SpentDayIsRefusedEvenAMonthLater) {
  // Only the day of the month is stored, so the 5th of last month is today.
  // Below zero is a day overspent (a stake with less time left than it
  // takes), not one never begun.
  for (const int16_t stored : {int16_t{0}, int16_t{-1}, int16_t{-3}}) {
    MakeArrivalTestDir(2026, 4, 5);
    StoreArrivalPlayers({StoredPlayer(5, stored)});
    GameSession.PlayerNumber = 1;
    QueueKeys("\r");
    EXPECT_THROW(DailyLogin(), SessionEnded) << stored;
    EXPECT_EQ(TakeOutput().rfind("\r\n  Your women are out on the streets, log on tomorrow to "
                                 "find out how they do.\r\n",
                                 0),
              0u)
        << stored;
  }
}

TEST(DailyLogin, LoadsThePlayerOntoTheHouseStreet) {
  MakeArrivalTestDir(2026, 3, 5);
  PlayerRecord housed = StoredPlayer(4, 0);
  housed.HouseStreet = 42;
  housed.Cash = -5;
  housed.WhoreCount = 2;
  housed.WhoreNameIndex = {7, 9};
  housed.WhoreHours = {8, 10};
  StoreArrivalPlayers({StoredPlayer(4, 0), housed});

  GameSession.PlayerNumber = 2;
  DailyLogin();
  EXPECT_EQ(GameSession.CurrentStreet, 42);
  EXPECT_EQ(GameSession.Player.Cash, 0);
  EXPECT_EQ(GameSession.Player.WhoreCount, 2);
  EXPECT_EQ(GameSession.Player.WhoreNameIndex[1], 9);
  EXPECT_EQ(GameSession.Player.WhoreHours[0], 8);

  GameSession.PlayerNumber = 1;
  DailyLogin();
  EXPECT_EQ(GameSession.CurrentStreet, 1) << "without a house the caller starts on 1st";
  EXPECT_EQ(TakeOutput(), "");
}

}  // namespace
