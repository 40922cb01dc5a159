#include <gtest/gtest.h>

#include <vector>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "store/files.h"
#include "store/records_testing.h"
#include "store/state.h"
#include "store/players.h"
#include "store/shared_data.h"

namespace {

PlayerRecord PlayerCalled(const std::string& name, const std::string& alias) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  player.BbsAlias = alias;
  return player;
}

void StorePlayers(const std::vector<PlayerRecord>& players) {
  std::string bytes;
  for (const PlayerRecord& player : players) bytes += RecordsTestBytes(EncodePlayer(player));
  WriteRecordsTestFile("kordavin.ply", bytes);
}

PlayerRecord StoredPlayer(int number) {
  std::string bytes = ReadRecordsTestFile("kordavin.ply");
  size_t at = static_cast<size_t>(number - 1) * kPlayerRecordSize;
  if (bytes.size() < at + kPlayerRecordSize) {
    ADD_FAILURE() << "no record " << number;
    return PlayerRecord{};
  }
  return DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data()) + at);
}

TEST(LoadPlayerLookup, FindsTheFirstExactMatch) {
  MakeRecordsTestDir();
  StorePlayers({PlayerCalled("First", "john doe"), PlayerCalled("Second", "John Doe"),
                PlayerCalled("Third", "John Doe")});
  DoorSession.RealName = "John Doe";
  EXPECT_TRUE(LoadPlayer());
  EXPECT_EQ(GameSession.PlayerNumber, 2);
  EXPECT_EQ(GameSession.Player.Name, "Second");

  DoorSession.RealName = "JOHN DOE";
  EXPECT_FALSE(LoadPlayer());
  EXPECT_EQ(GameSession.PlayerNumber, -1);

  DoorSession.RealName = "John Do";
  EXPECT_FALSE(LoadPlayer());
}

TEST(LoadPlayerLookup, FindsNobodyInAnEmptyOrMissingFile) {
  MakeRecordsTestDir();
  DoorSession.RealName = "John Doe";
  EXPECT_FALSE(LoadPlayer());  // no file yet
  WriteRecordsTestFile("kordavin.ply", "");
  EXPECT_FALSE(LoadPlayer());
  EXPECT_EQ(GameSession.PlayerNumber, -1);
  EXPECT_EQ(TakeOutput(), "");
}

TEST(SavePlayerRecord, RecomputesRatesAndWritesOnlyItsOwnRecord) {
  MakeRecordsTestDir();
  StorePlayers({PlayerCalled("One", "a"), PlayerCalled("Two", "b"), PlayerCalled("Three", "c")});
  std::string before = ReadRecordsTestFile("kordavin.ply");
  DoorSession.RealName = "b";
  GameSession.PlayerNumber = 2;
  GameSession.TimeLeft = 123;
  PlayerRecord& me = GameSession.Player;
  me = PlayerCalled("Two", "stale alias");
  me.WhoreCount = 2;
  me.HouseStreet = 5;
  me.ClothesLevel = 3;
  me.WhoreDays = {4, 0, 9};
  me.WhoreRate[2] = 77;  // slot 3 is out of use and keeps its value
  me.Cash = -5;
  QueueDraws({17, 99});
  SavePlayer();

  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{100, 100}));
  PlayerRecord stored = StoredPlayer(2);
  EXPECT_EQ(stored.WhoreRate[0], 17 + 200 + 5 * 20 + 4 * 10 + 3 * 100);
  EXPECT_EQ(stored.WhoreRate[1], 99 + 200 + 5 * 20 + 0 + 3 * 100);
  EXPECT_EQ(stored.WhoreRate[2], 77);
  EXPECT_EQ(stored.Cash, 0);
  EXPECT_EQ(stored.BbsAlias, "b");
  EXPECT_EQ(stored.LastDay, FakeNow().Day);
  EXPECT_EQ(stored.TimeLeft, 123);
  EXPECT_EQ(me.Cash, 0);

  std::string after = ReadRecordsTestFile("kordavin.ply");
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, kPlayerRecordSize), before.substr(0, kPlayerRecordSize));
  EXPECT_EQ(after.substr(2 * kPlayerRecordSize), before.substr(2 * kPlayerRecordSize));
}

TEST(SavePlayerRecord, DrawsNothingWithoutWhores) {
  MakeRecordsTestDir();
  StorePlayers({PlayerCalled("One", "a")});
  DoorSession.RealName = "a";
  GameSession.PlayerNumber = 1;
  GameSession.Player = PlayerCalled("One", "a");
  GameSession.Player.WhoreCount = 0;
  SavePlayer();
  EXPECT_TRUE(Fake.asked.empty());
  EXPECT_EQ(StoredPlayer(1).Cash, 1000);
}

TEST(OtherPlayersRecords, ReadAndAppendOneRecordEach) {
  MakeRecordsTestDir();
  StorePlayers({PlayerCalled("One", "a"), PlayerCalled("Two", "b")});
  PlayerRecord rival;
  ReadPlayer(2, rival);
  EXPECT_EQ(rival.Name, "Two");

  EXPECT_EQ(CountPlayerRecords(), 2);
  EXPECT_EQ(AppendPlayer(PlayerCalled("Three", "c")), 3);
  EXPECT_EQ(CountPlayerRecords(), 3);
  EXPECT_EQ(StoredPlayer(3).Name, "Three");
  EXPECT_EQ(TakeOutput(), "");
}

// Locks taken by the operations, in order: true for exclusive.
std::vector<bool> locks_taken;

int RecordLockMode(int, bool exclusive) {
  locks_taken.push_back(exclusive);
  return kLockGranted;
}

TEST(OpenModes, ReadersShareAndWritersExcludeOthers) {
  MakeRecordsTestDir();
  StorePlayers({PlayerCalled("One", "a")});
  WriteRecordsTestFile("kordavin.msg", "");
  WriteRecordsTestFile("kordavin.cfg", std::string(128, '\0'));
  Host.LockFile = RecordLockMode;
  locks_taken.clear();
  DoorSession.RealName = "a";
  PlayerRecord player;
  LoadPlayer();
  SavePlayer();
  ReadPlayer(1, player);
  AppendPlayer(player);
  CountPlayerRecords();
  PostNews({"a"}, "hello", "");
  ReadConfig();
  WriteConfig(GameConfig{});
  EXPECT_EQ(locks_taken, (std::vector<bool>{false, true, false, true, false, true, false, true}));
}

}  // namespace
