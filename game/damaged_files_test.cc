// Start-up, the daily login and the overnight report against data files that
// a crash, a full disk, a bad copy or a careless sysop has damaged: each one
// either ends the session with the record-access error or goes on with the
// damaged values held in range, and none of them writes what it should not.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <limits>
#include <string>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "game/damage_testing.h"
#include "store/files.h"
#include "game/loop.h"
#include "game/menus.h"
#include "store/records.h"
#include "game/reroll.h"
#include "store/state.h"
#include "store/players.h"
#include "store/shared_data.h"

namespace {

constexpr uint8_t kToday = 8;

class DamagedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeDamageTestDir(); }

  // The caller as a returning player who has played earlier today.
  static std::string CallerPlayedToday(int16_t time_left) {
    PlayerRecord me = NewPlayer();
    me.Name = "Joe";
    me.BbsAlias = "Joe Caller";
    me.LastDay = kToday;
    me.TimeLeft = time_left;
    return DamageRecordBytes(me);
  }

  // Runs the start-up with ANSI declined and Enter for every pause; true
  // when it ended the session.
  static bool StartUpEnds() {
    Fake.input.clear();
    QueueKeys("n\r\r\r");
    return EndsDamageSession(RunStartUp);
  }

  std::string dir_;
};

TEST_F(DamagedFilesTest, ConfigurationIsReadFromItsFirstEightyFourBytesWhateverFollows) {
  for (size_t size : {size_t{84}, size_t{128}, size_t{1000}}) {
    SCOPED_TRACE(size);
    ResetGameSession();
    std::string config(size, '\0');
    for (size_t at = 84; at < size; ++at) config[at] = '\xFF';
    WriteDamageFile("kordavin.cfg", config);
    WriteDamageFile("kordavin.ply", CallerPlayedToday(100));
    EXPECT_FALSE(StartUpEnds());
    EXPECT_EQ(GameSession.TimeLeft, 100);
    EXPECT_EQ(ReadDamageFile("kordavin.cfg"), config) << "read, never rewritten";
  }

  // A finished game in a long file: its winner is shown and nothing changes.
  GameConfig won;
  won.WinnerName = "Big Mike";
  won.WinnerAlias = "Michael Smith";
  won.RerollDay = 20;
  const ConfigBytes record = EncodeConfig(won);
  std::string config(reinterpret_cast<const char*>(record.data()), record.size());
  config.resize(1000, '\xFF');
  WriteDamageFile("kordavin.cfg", config);
  const std::string players = ReadDamageFile("kordavin.ply");
  TakeOutput();
  EXPECT_TRUE(StartUpEnds());
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("Big Mike bought Flaming Sheinen's Restaurant."), std::string::npos);
  EXPECT_NE(out.find("reroll on the 20th of the month."), std::string::npos);
  EXPECT_EQ(ReadDamageFile("kordavin.cfg"), config);
  EXPECT_EQ(ReadDamageFile("kordavin.ply"), players);

  // A win rewrites the record and leaves whatever follows it.
  won.RerollDay = 3;
  WriteConfig(won);
  const std::string rewritten = ReadDamageFile("kordavin.cfg");
  ASSERT_EQ(rewritten.size(), 1000u);
  EXPECT_EQ(rewritten[83], 3);
  EXPECT_EQ(rewritten.substr(84), config.substr(84));
}

TEST_F(DamagedFilesTest, LengthBytesOf255InNewsAndConfigurationStayInTheirFields) {
  WriteDamageFile("kordavin.ply", CallerPlayedToday(100));
  NewsMessage message;
  message.To = "Joe Caller";
  message.Line1 = std::string(77, 'L');
  message.Line2 = std::string(77, 'M');
  std::string news = DamageRecordBytes(message);
  PokeDamageByte(news, 52, 255);   // Line1's length
  PokeDamageByte(news, 130, 255);  // Line2's length
  NewsMessage other;
  other.To = std::string(50, 'T');
  other.Line1 = "not for him";
  std::string long_to = DamageRecordBytes(other);
  PokeDamageByte(long_to, 0, 255);
  long_to[51] = '!';  // the byte after the addressee's field
  WriteDamageFile("kordavin.msg", news + long_to);
  TakeOutput();
  EXPECT_FALSE(StartUpEnds());
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("- " + std::string(77, 'L') + "\r\n  " + std::string(77, 'M') + "\r\n"),
            std::string::npos);
  EXPECT_EQ(out.find("not for him"), std::string::npos);
  EXPECT_EQ(ReadDamageFile("kordavin.msg").substr(kNewsMessageSize), long_to);

  GameConfig won;
  won.WinnerName = std::string(30, 'N');
  won.WinnerAlias = std::string(50, 'A');
  won.RerollDay = 20;
  const ConfigBytes record = EncodeConfig(won);
  std::string config(reinterpret_cast<const char*>(record.data()), record.size());
  config[0] = '\xFF';
  config[31] = '!';
  config[32] = '\xFF';
  WriteDamageFile("kordavin.cfg", config);
  EXPECT_TRUE(StartUpEnds());
  const std::string over = TakeOutput();
  EXPECT_NE(over.find(std::string(30, 'N') + " bought Flaming"), std::string::npos);
  EXPECT_NE(over.find("applause for " + std::string(50, 'A') + ".\r\n"), std::string::npos);
  EXPECT_EQ(over.find('!'), std::string::npos);
}

TEST_F(DamagedFilesTest, EmptyOrCutConfigurationEndsWithTheReadErrorBeforeAnyWrite) {
  for (size_t size : {size_t{0}, size_t{83}}) {
    SCOPED_TRACE(size);
    WriteDamageFile("kordavin.cfg", std::string(size, '\0'));
    WriteDamageFile("kordavin.ply", CallerPlayedToday(100));
    TakeOutput();
    EXPECT_TRUE(StartUpEnds());
    EXPECT_NE(TakeOutput().find("\r\nERROR: Unable to read file: 100\r\n"), std::string::npos);
    EXPECT_EQ(ReadDamageFile("kordavin.ply"), CallerPlayedToday(100));
    EXPECT_EQ(ReadDamageFile("kordavin.cfg"), std::string(size, '\0'));
    EXPECT_EQ(access((dir_ + "kordavin.1").c_str(), F_OK), -1) << "no presence left behind";
  }
}

TEST_F(DamagedFilesTest, DataFileOfNoLinesOrOfHugeLinesGivesNamesWithinTheirFields) {
  WriteDamageFile("kordavin.ply", CallerPlayedToday(100));
  WriteDamageFile("kordavin.dat", "");
  EXPECT_FALSE(StartUpEnds());
  EXPECT_EQ(GameSession.ClothesName[1], "");
  EXPECT_EQ(GameSession.WhoreName[50], "");
  TakeOutput();
  ShowDatLines(94, 105);
  std::string blank_lines;
  for (int line = 93; line <= 105; ++line) blank_lines += "\r\n";
  EXPECT_EQ(TakeOutput(), blank_lines);

  std::string huge;
  for (int line = 1; line <= 10000; ++line) {
    huge += std::string(1000, static_cast<char>('a' + line % 26));
    huge += line % 2 == 0 ? "\r\n" : "\n";
  }
  WriteDamageFile("kordavin.dat", huge);
  ResetGameSession();
  EXPECT_FALSE(StartUpEnds());
  EXPECT_EQ(GameSession.ClothesName[1], std::string(30, 'd')) << "line 3";
  EXPECT_EQ(GameSession.WhoreName[1], std::string(15, 'q')) << "line 16";
  EXPECT_EQ(GameSession.WhoreName[50], std::string(15, 'n')) << "line 65";
  TakeOutput();
  ShowDatLines(94, 105);
  const std::string shown = TakeOutput();
  // Each line is cut to the 255-byte text limit, which takes its line end.
  EXPECT_EQ(shown, "\r\n" + [] {
    std::string lines;
    for (int line = 94; line <= 105; ++line) {
      lines += std::string(255, static_cast<char>('a' + line % 26));
    }
    return lines;
  }());
}

TEST_F(DamagedFilesTest, PartialLastPlayerRecordStopsOnlyTheScanThatReachesIt) {
  std::string other = DamageRecordBytes(NewPlayer());
  const std::string partial = other.substr(0, 100);

  // The caller stands before the cut record: he plays, and only his own
  // record is rewritten.
  const std::string file = CallerPlayedToday(100) + partial;
  WriteDamageFile("kordavin.ply", file);
  EXPECT_FALSE(StartUpEnds());
  std::string after = ReadDamageFile("kordavin.ply");
  ASSERT_EQ(after.size(), file.size());
  EXPECT_EQ(after.substr(kPlayerRecordSize), partial);

  // A caller not found before it meets it: the read error, and no join.
  ResetGameSession();
  DoorSession.RealName = "Somebody Else";
  WriteDamageFile("kordavin.ply", file);
  TakeOutput();
  EXPECT_TRUE(StartUpEnds());
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\nERROR: Unable to read file: 100\r\n"), std::string::npos);
  EXPECT_EQ(out.find("Welcome to Kordavin!"), std::string::npos);
  EXPECT_EQ(ReadDamageFile("kordavin.ply"), file);
}

TEST_F(DamagedFilesTest, PartialLastNewsSlotEndsTheSessionKeepingWhatWasShown) {
  NewsMessage mine;
  mine.To = "Joe Caller";
  mine.Line1 = "Someone stole $50 from you.";
  const std::string partial = DamageRecordBytes(mine).substr(0, 150);
  WriteDamageFile("kordavin.msg", DamageRecordBytes(mine) + partial);
  WriteDamageFile("kordavin.ply", CallerPlayedToday(100));
  TakeOutput();
  EXPECT_TRUE(StartUpEnds());
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("- Someone stole $50 from you."), std::string::npos);
  EXPECT_NE(out.find("\r\nERROR: Unable to read file: 100\r\n"), std::string::npos);
  const std::string news = ReadDamageFile("kordavin.msg");
  ASSERT_EQ(news.size(), kNewsMessageSize + 150);
  const NewsMessage shown = DecodeNews(reinterpret_cast<const uint8_t*>(news.data()));
  EXPECT_EQ(shown.To, "");
  EXPECT_EQ(shown.Line1, "DELETED");
  EXPECT_EQ(news.substr(kNewsMessageSize), partial);

  // The blanked slot takes the next message; the one after that meets the
  // cut slot and appends nothing.
  EXPECT_FALSE(EndsDamageSession([] { PostNews({"Joe Caller"}, "more", ""); }));
  const std::string posted = ReadDamageFile("kordavin.msg");
  ASSERT_EQ(posted.size(), news.size());
  EXPECT_EQ(DecodeNews(reinterpret_cast<const uint8_t*>(posted.data())).Line1, "more");
  EXPECT_TRUE(EndsDamageSession([] { PostNews({"Joe Caller"}, "again", ""); }));
  EXPECT_EQ(ReadDamageFile("kordavin.msg"), posted);
}

TEST_F(DamagedFilesTest, WreckedCallerRecordGivesAReportInRangeAndIsStoredClamped) {
  for (uint8_t clothes : {uint8_t{0}, uint8_t{200}}) {
    SCOPED_TRACE(int{clothes});
    ResetGameSession();
    WriteDamageFile("kordavin.ply", WreckedPlayerBytes("Joe Caller", clothes));
    TakeOutput();
    EXPECT_FALSE(StartUpEnds());
    const std::string out = TakeOutput();
    // Twenty rows, one pause before the fifteenth, unnamed whores.
    EXPECT_NE(out.find("Profit Report as of the 8th"), std::string::npos);
    EXPECT_EQ(out.find("!"), std::string::npos) << "a name never reads past its field";
    EXPECT_EQ(GameSession.TimeLeft, 260) << "another day: a full one";
    EXPECT_EQ(GameSession.CurrentStreet, 255);

    const std::vector<PlayerRecord> stored = LoadDamagePlayers();
    ASSERT_EQ(stored.size(), 1u);
    const PlayerRecord& me = stored[0];
    EXPECT_EQ(me.Name, std::string(30, 'W'));
    EXPECT_EQ(me.WhoreCount, 20);
    EXPECT_GE(me.Cash, 0);
    EXPECT_EQ(me.LastDay, kToday);
    EXPECT_EQ(me.TimeLeft, 260);
    EXPECT_EQ(me.WhoreDays[0], 32767) << "a night more saturates";
    EXPECT_EQ(me.WhoreDays[1], -32767);
    EXPECT_EQ(me.ClothesLevel, clothes) << "kept as it was, shown blank";
  }
}

// Below zero is a day overspent, not one never begun: a full day here would
// be a second day for whoever got his time below zero.
TEST_F(DamagedFilesTest, NegativeTimeLeftOfTodayMeansTheDayIsSpent) {
  std::string me = CallerPlayedToday(100);
  PokeDamageI16(me, damage_at::kTimeLeft, -7);
  WriteDamageFile("kordavin.ply", me);
  TakeOutput();
  EXPECT_TRUE(StartUpEnds());
  EXPECT_NE(TakeOutput().find("Your women are out on the streets"), std::string::npos);
  EXPECT_EQ(LoadDamagePlayers().at(0).TimeLeft, -7) << "a refused caller writes nothing";
}

TEST_F(DamagedFilesTest, UnreadableFilesEndWithTheErrorAndStayUntouched) {
  WriteDamageFile("kordavin.ply", CallerPlayedToday(100));
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  for (const char* name : {"kordavin.ply", "kordavin.cfg", "kordavin.msg", "kordavin.dat"}) {
    SCOPED_TRACE(name);
    for (const char* each : {"kordavin.ply", "kordavin.cfg", "kordavin.msg", "kordavin.dat"}) {
      ASSERT_EQ(chmod((dir_ + each).c_str(), each == name ? 0 : 0666), 0);
    }
    const std::string before = ReadDamageFile(name);
    if (!BecomeDamageFileUser()) GTEST_SKIP() << "cannot make permission bits count here";
    TakeOutput();
    const bool ended = StartUpEnds();
    RestoreDamageFileUser();
    EXPECT_TRUE(ended);
    const std::string out = TakeOutput();
    const std::string error = std::string(name) == "kordavin.dat"
                                  ? "\r\nKORDAVIN ERROR : KORDAVIN.DAT not found in " + dir_
                                  : "\r\nERROR: Unable to reset file: 5\r\n";
    EXPECT_NE(out.find(error), std::string::npos) << out;
    EXPECT_EQ(out.find("Rerolled."), std::string::npos) << "nothing was made anew";
    EXPECT_EQ(ReadDamageFile(name), before);
    EXPECT_EQ(access((dir_ + "kordavin.1").c_str(), F_OK), -1);
  }
}

TEST_F(DamagedFilesTest, DirectoryInPlaceOfAFileIsNeverWrittenThrough) {
  // The player file: the caller is offered to join, and the append reports.
  ASSERT_EQ(std::remove((dir_ + "kordavin.ply").c_str()), 0);
  ASSERT_EQ(mkdir((dir_ + "kordavin.ply").c_str(), 0755), 0);
  QueueKeys("n" "y" "Joe\r");
  TakeOutput();
  EXPECT_TRUE(EndsDamageSession(RunStartUp));
  EXPECT_NE(TakeOutput().find("\r\nERROR: Unable to seek file: 103\r\n"), std::string::npos);

  // The configuration: the read error before anything else.
  ASSERT_EQ(rmdir((dir_ + "kordavin.ply").c_str()), 0);
  WriteDamageFile("kordavin.ply", CallerPlayedToday(100));
  ASSERT_EQ(std::remove((dir_ + "kordavin.cfg").c_str()), 0);
  ASSERT_EQ(mkdir((dir_ + "kordavin.cfg").c_str(), 0755), 0);
  TakeOutput();
  EXPECT_TRUE(StartUpEnds());
  EXPECT_NE(TakeOutput().find("\r\nERROR: Unable to read file: 103\r\n"), std::string::npos);
  EXPECT_EQ(ReadDamageFile("kordavin.ply"), CallerPlayedToday(100));
}

// A file-size limit cuts a write short exactly as a full disk does.
class ShortWriteTest : public DamagedFilesTest {
 protected:
  void SetUp() override {
    DamagedFilesTest::SetUp();
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
  }
  void TearDown() override {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }
  void LimitFileSize(rlim_t bytes) {
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  }
  void Unlimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

  rlimit saved_{};
  sighandler_t previous_ = SIG_DFL;
};

TEST_F(ShortWriteTest, AnAppendCutShortLeavesNoPartialRecord) {
  const std::string two = CallerPlayedToday(100) + CallerPlayedToday(50);
  WriteDamageFile("kordavin.ply", two);
  LimitFileSize(two.size() + 100);
  PlayerRecord newcomer = NewPlayer();
  newcomer.Name = "New";
  TakeOutput();
  EXPECT_TRUE(EndsDamageSession([&] { AppendPlayer(newcomer); }));
  Unlimit();
  EXPECT_NE(TakeOutput().find("\r\nERROR: Unable to write file: 101\r\n"), std::string::npos);
  EXPECT_EQ(ReadDamageFile("kordavin.ply"), two);

  NewsMessage old;
  old.To = "Someone";
  old.Line1 = "Old";
  WriteDamageFile("kordavin.msg", DamageRecordBytes(old));
  LimitFileSize(kNewsMessageSize + 10);
  EXPECT_TRUE(EndsDamageSession([] { PostNews({"Joe Caller"}, "New", ""); }));
  Unlimit();
  EXPECT_EQ(ReadDamageFile("kordavin.msg"), DamageRecordBytes(old));
}

TEST_F(ShortWriteTest, AConfigurationThatCannotBeWrittenWholeIsNotLeftBehind) {
  ASSERT_EQ(std::remove((dir_ + "kordavin.cfg").c_str()), 0);
  LimitFileSize(50);
  TakeOutput();
  EXPECT_TRUE(EndsDamageSession(CheckDataFiles));
  Unlimit();
  const std::string out = TakeOutput();
  EXPECT_NE(out.find("\r\nERROR: Unable to write file: "), std::string::npos);
  EXPECT_EQ(out.find("KORDAVIN.CFG Rerolled."), std::string::npos);
  EXPECT_EQ(access((dir_ + "kordavin.cfg").c_str(), F_OK), -1);

  // The next caller finds it missing and makes it whole.
  CheckDataFiles();
  EXPECT_EQ(ReadDamageFile("kordavin.cfg"), std::string(kGameConfigFileSize, '\0'));
}

class FullDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    disk_ = MountDamageDisk(64 * 1024, why_);
    if (disk_.empty()) GTEST_SKIP() << why_;
    InstallFakeHost(disk_);
    SetFakeNow(LocalClock{2026, 12, 8, 14, 0, 0});
    ResetGameSession();
    DoorSession.Ansi = 0;
    DoorSession.RealName = "Joe Caller";
  }
  void TearDown() override { UnmountDamageDisk(disk_); }

  std::string disk_;
  std::string why_;
};

TEST_F(FullDiskTest, JoiningPostingAndCreatingFailWithTheWriteErrorAndLeaveWholeFiles) {
  WriteDamageFile("kordavin.dat", "");
  WriteDamageFile("kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
  // Fourteen players end 232 bytes short of a page: the fifteenth only half fits.
  std::string players;
  for (int n = 0; n < 14; ++n) {
    PlayerRecord player = NewPlayer();
    player.Name = "Player" + std::to_string(n);
    player.BbsAlias = "Alias" + std::to_string(n);
    players += DamageRecordBytes(player);
  }
  WriteDamageFile("kordavin.ply", players);
  std::string news;
  for (int n = 0; n < 19; ++n) news += DamageRecordBytes(NewsMessage{"Alias1", "Old", ""});
  WriteDamageFile("kordavin.msg", news);
  FillDamageDisk(disk_);

  QueueKeys("n" "y" "Joe\r");
  TakeOutput();
  EXPECT_TRUE(EndsDamageSession(RunStartUp));
  EXPECT_NE(TakeOutput().find("\r\nERROR: Unable to write file: 101\r\n"), std::string::npos);
  EXPECT_EQ(ReadDamageFile("kordavin.ply"), players);

  EXPECT_TRUE(EndsDamageSession([] { PostNews({"Alias2"}, "New", ""); }));
  EXPECT_EQ(ReadDamageFile("kordavin.msg"), news);

  // A returning player's save needs no new room and goes through.
  DoorSession.RealName = "Alias3";
  ASSERT_TRUE(LoadPlayer());
  GameSession.TimeLeft = 77;
  SavePlayer();
  EXPECT_EQ(LoadDamagePlayers().at(3).TimeLeft, 77);

  ASSERT_EQ(std::remove((disk_ + "kordavin.cfg").c_str()), 0);
  FillDamageDisk(disk_);
  EXPECT_TRUE(EndsDamageSession(CheckDataFiles));
  EXPECT_EQ(access((disk_ + "kordavin.cfg").c_str(), F_OK), -1);
}

}  // namespace
