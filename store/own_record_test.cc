#include "store/own_record.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/input.h"
#include "door/output.h"
#include "door/session.h"
#include "game/core_testing.h"
#include "store/files.h"
#include "game/join.h"
#include "game/loop.h"
#include "game/overnight.h"
#include "store/state.h"
#include "store/store.h"

namespace {

std::string ReadPlayerFile() { return ReadWholeFile(DoorSession.ProgramDir + "kordavin.ply"); }

class OwnRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeCoreTestDir();
    DoorSession.RealName = "Jane Doe";
    PlayerRecord player = NewPlayer();
    player.Name = "Slick";
    player.BbsAlias = "Jane Doe";
    player.WhoreCount = 3;
    player.WhoreRate = {310, 320, 330};
    player.LastDay = 8;
    StoreCorePlayer(player, 200);
    DoorSession.BeforeWait = StoreOwnRecord;
    DoorSession.BeforeSend = StoreCallerBeforeSend;
  }
  void TearDown() override {
    DoorSession.BeforeWait = nullptr;
    DoorSession.BeforeSend = nullptr;
  }
};

TEST_F(OwnRecordTest, KeyWaitsStoreOnlyChangesAndNeverDrawARandomNumber) {
  StoreOwnRecord();  // the record as loaded, now known as stored
  const int locks_at_start = Fake.lock_calls;
  QueueKeys("ab");
  ReadKey();
  ReadKey();
  EXPECT_EQ(Fake.lock_calls, locks_at_start) << "an unchanged record touched the file";

  GameSession.Player.Cash = 650;
  GameSession.Player.CondomStock = 12;
  TakeTime(3);
  QueueKeys("c");
  ReadKey();
  EXPECT_GT(Fake.lock_calls, locks_at_start);
  PlayerRecord stored = LoadCorePlayer();
  EXPECT_EQ(stored.Cash, 650);
  EXPECT_EQ(stored.CondomStock, 12);
  EXPECT_EQ(stored.TimeLeft, 197);
  EXPECT_EQ(stored.WhoreRate[2], 330) << "rates are left as the screen showed them";
  EXPECT_TRUE(Fake.asked.empty()) << "the store drew random numbers";

  const int locks_after_store = Fake.lock_calls;
  QueueKeys("d");
  ReadKey();
  EXPECT_EQ(Fake.lock_calls, locks_after_store);

  // Cash a game has taken below zero is stored as none, and left alone in
  // memory for the game to settle.
  GameSession.Player.Cash = -40;
  QueueKeys("e");
  ReadKey();
  EXPECT_EQ(LoadCorePlayer().Cash, 0);
  EXPECT_EQ(GameSession.Player.Cash, -40);
}

TEST_F(OwnRecordTest, SaveAfterACommandIsNotWrittenAgainAtTheNextWait) {
  SavePlayer();
  EXPECT_EQ(Fake.asked, (std::vector<int32_t>{100, 100, 100}));
  const int locks_after_save = Fake.lock_calls;
  QueueKeys("x");
  ReadKey();
  EXPECT_EQ(Fake.lock_calls, locks_after_save);
}

TEST_F(OwnRecordTest, IdleLogoffKeepsWhatTheScreenLastShowed) {
  StoreOwnRecord();
  GameSession.Player.Cash = 420;
  TakeTime(15);
  EXPECT_THROW(ReadKey(), SessionEnded);
  const PlayerRecord stored = LoadCorePlayer();
  EXPECT_EQ(stored.Cash, 420);
  EXPECT_EQ(stored.TimeLeft, 185);
  EXPECT_NE(TakeOutput().find("Inactivity timeout."), std::string::npos) << "not the idle logoff";
}

// A new game emptied the file, or another player now has the place: the
// session's copy belongs to a game that is gone and is never written.
TEST_F(OwnRecordTest, APlaceNoLongerOursIsNotWrittenAndTheSessionEnds) {
  const std::string notice =
      "\r\nThe streets have changed while you were out. Call back to start again.\r\n";
  PlayerRecord stranger = NewPlayer();
  stranger.Name = "Newcomer";
  stranger.BbsAlias = "Someone Else";
  const PlayerBytes stranger_bytes = EncodePlayer(stranger);
  const std::string stranger_file(stranger_bytes.begin(), stranger_bytes.end());
  for (const std::string& file : {std::string(), stranger_file}) {
    WriteCoreFile("kordavin.ply", file);
    GameSession.Player.Cash = 5;
    TakeOutput();
    QueueKeys("\r");
    EXPECT_THROW(SavePlayer(), SessionEnded);
    const std::string out = TakeOutput();
    EXPECT_EQ(out.find(notice), 0u) << out;
    EXPECT_EQ(DoorSession.BeforeWait, nullptr) << "the last pause would try to store again";
    EXPECT_EQ(DoorSession.BeforeSend, nullptr) << "the last words would try to store again";
    EXPECT_EQ(ReadPlayerFile(), file);
    DoorSession.BeforeWait = StoreOwnRecord;
    DoorSession.BeforeSend = StoreCallerBeforeSend;
  }
  // The same pimp name under another caller's alias is someone else too.
  stranger.Name = "Slick";
  const PlayerBytes same_name = EncodePlayer(stranger);
  WriteCoreFile("kordavin.ply", std::string(same_name.begin(), same_name.end()));
  GameSession.Player.Cash = 7;
  QueueKeys("\r");
  EXPECT_THROW(ReadKey(), SessionEnded);
  EXPECT_EQ(LoadCorePlayer().BbsAlias, "Someone Else");
}

}  // namespace

// A long report pauses half-way; a caller who drops the line there must find
// the night credited, not drawn again, when he calls back.
TEST(OwnRecordOvernight, AHangUpAtTheReportsPauseKeepsTheNightAndItIsNotDrawnAgain) {
  MakeCoreTestDir();
  SetFakeNow(LocalClock{2026, 3, 9, 15, 0, 0});
  PlayerRecord player = NewPlayer();
  player.Name = "Slick";
  player.Cash = 1000;
  player.LastDay = 8;
  player.WhoreCount = 16;
  for (int k = 0; k < 16; ++k) {
    player.WhoreNameIndex[k] = 1;
    player.WhoreRate[k] = 400;
    player.WhoreHours[k] = 9;
  }
  StoreCorePlayer(player, 260);
  DoorSession.BeforeWait = StoreOwnRecord;
  EXPECT_THROW(ShowOvernight(), SessionEnded) << "the pause outlived the idle limit";
  DoorSession.BeforeWait = nullptr;
  const std::string shown = TakeOutput();
  ASSERT_NE(shown.find("[-*-]"), std::string::npos) << shown;

  const PlayerRecord stored = LoadCorePlayer();
  EXPECT_EQ(stored.LastDay, 9);
  EXPECT_GE(stored.Cash, 1000 + 16 * 201 * 9) << "the night's profit is not on disk";
  EXPECT_EQ(stored.WhoreDays[15], 1);
  GameSession.Player = stored;
  ShowOvernight();
  EXPECT_EQ(TakeOutput(), "") << "the night was reported again";
}

// A session that plays on past midnight belongs to the day it began: the
// next call, on the new day, is paid that night and given a new day.
TEST(OwnRecordOvernight, ASessionPastMidnightKeepsItsDayAndTheNightIsPaidAtTheNextCall) {
  MakeCoreTestDir();
  DoorSession.RealName = "Jane Doe";
  SetFakeNow(LocalClock{2026, 3, 10, 23, 58, 0});
  PlayerRecord player = NewPlayer();
  player.Name = "Slick";
  player.LastDay = 9;
  StoreCorePlayer(player, 0);
  DailyLogin();
  ShowOvernight();
  SavePlayer();
  SetFakeNow(LocalClock{2026, 3, 11, 0, 0, 30});
  TakeTime(2);
  SavePlayer();
  EXPECT_EQ(LoadCorePlayer().LastDay, 10);
  EXPECT_EQ(LoadCorePlayer().TimeLeft, 258);

  ResetGameSession();
  GameSession.PlayerNumber = 1;
  SetFakeNow(LocalClock{2026, 3, 11, 12, 0, 0});
  TakeOutput();
  DailyLogin();
  EXPECT_EQ(GameSession.TimeLeft, 260);
  ShowOvernight();
  EXPECT_NE(TakeOutput().find("Over the past night, you made"), std::string::npos);
}

namespace {

// What was on disk, and whether hang-ups were held, as each send went out.
struct SentAt {
  int32_t cash;
  bool hangups_held;
};
std::vector<SentAt> sends;
bool (*real_write)(const char*, size_t) = nullptr;

bool WriteNotingDisk(const char* data, size_t length) {
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, nullptr, &blocked);
  const PlayerRecord stored = LoadCorePlayer();
  sends.push_back(SentAt{stored.Cash, sigismember(&blocked, SIGHUP) == 1});
  return real_write(data, length);
}

// An outcome leaves the door only once it is on disk, at a wait and when a
// long screen fills the buffer alike; the send itself may block on a stalled
// line, and must not do so with hang-ups held off.
TEST_F(OwnRecordTest, AnOutcomeIsOnDiskBeforeItsBytesLeave) {
  StoreOwnRecord();
  real_write = Host.WriteBytes;
  Host.WriteBytes = WriteNotingDisk;
  sends.clear();
  WriteText("You find $650.");
  GameSession.Player.Cash = 650;
  QueueKeys("x");
  ReadKey();
  FlushOutput();
  GameSession.Player.Cash = 700;
  WriteText(std::string(9000, '.'));
  Host.WriteBytes = real_write;
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_EQ(sends[0].cash, 650);
  EXPECT_EQ(sends[1].cash, 700);
  EXPECT_FALSE(sends[0].hangups_held || sends[1].hangups_held);
  EXPECT_EQ(TakeOutput().substr(0, 14), "You find $650.");
}

}  // namespace
