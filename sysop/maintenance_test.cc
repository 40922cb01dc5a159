#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "door/fake_host_testing.h"
#include "sysop/datafiles.h"
#include "sysop/sysop_testing.h"

namespace {

void WriteFinishedGame(const std::string& dir) {
  WriteSysopTestPlayers(dir, {SysopTestPlayer("A", "a", 1, 0), SysopTestPlayer("B", "b", 2, 1)});
  WriteSysopTestNews(dir, {SysopTestNews("a", "news")});
  const ConfigBytes config = EncodeConfig(GameConfig{"Winner", "Win Alias", 5});
  WriteSysopTestFile(dir, "kordavin.cfg",
                     std::string(reinterpret_cast<const char*>(config.data()), config.size()));
  WriteSysopTestFile(dir, "kordavin.1", std::string(128, 'x'));
}

TEST(SysopReset, StartsANewGameAsTheRerollDoes) {
  const std::string dir = MakeSysopTestDir();
  WriteFinishedGame(dir);
  SysopTestRun run = RunSysopForTest(dir, {"reset", "--yes"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, "new game started\n");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply"), "");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.msg"), "");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.cfg"), std::string(kGameConfigFileSize, '\0'));
  // Presence files are not the reroll's business.
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.1"), std::string(128, 'x'));

  // In a directory the door has never run in, the files are made.
  const std::string fresh = MakeSysopTestDir();
  EXPECT_EQ(RunSysopForTest(fresh, {"reset", "--yes"}).code, kSysopOk);
  EXPECT_TRUE(std::filesystem::exists(fresh + "kordavin.ply"));
  EXPECT_EQ(ReadSysopTestFile(fresh, "kordavin.cfg").size(), kGameConfigFileSize);
}

TEST(SysopReset, AsksFirstAndOnlyYesGoesAhead) {
  const std::string dir = MakeSysopTestDir();
  WriteFinishedGame(dir);
  const std::string players = ReadSysopTestFile(dir, "kordavin.ply");
  for (const char* answer : {"n\n", "\n", "", "yes please\n"}) {
    SysopTestRun run = RunSysopForTest(dir, {"reset"}, "", answer);
    EXPECT_EQ(run.code, kSysopRefused) << answer;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Start a new game? Every player and all news will be lost. [y/N] "),
              std::string::npos);
    EXPECT_NE(run.err.find("kordavin-sysop: not reset\n"), std::string::npos);
    EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply"), players);
  }
  SysopTestRun run = RunSysopForTest(dir, {"reset"}, "", "y\r\n");
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply"), "");
}

TEST(SysopReset, AFileHeldByANodeStopsTheReset) {
  const std::string dir = MakeSysopTestDir();
  WriteFinishedGame(dir);
  Fake.lock_denials = 5;
  SysopTestRun run = RunSysopForTest(dir, {"reset", "--yes"});
  EXPECT_EQ(run.code, kSysopRefused);
  // Every lock is had before the first write, in the door's order.
  EXPECT_EQ(run.err, "kordavin-sysop: cannot lock " + dir + "kordavin.cfg: another node holds it\n");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply").size(), 2 * kPlayerRecordSize);
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.msg").size(), kNewsMessageSize);
}

// A file-size limit cuts a write short as a full disk does. Nothing cut short
// is left behind for the door: a configuration shorter than its record would
// stop every caller, a removed one is made whole at the next call, and a
// player record's cut-off tail is taken back.
TEST(SysopReset, AWriteTheDiskCutShortIsTakenBack) {
  const std::string dir = MakeSysopTestDir();
  WriteFinishedGame(dir);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
  rlimit limit = saved;
  limit.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  SysopTestRun reset = RunSysopForTest(dir, {"reset", "--yes"});
  setrlimit(RLIMIT_FSIZE, &saved);
  WriteSysopTestPlayers(dir, {SysopTestPlayer("A", "a", 1, 0), SysopTestPlayer("B", "b", 2, 1)});
  limit.rlim_cur = 2 * kPlayerRecordSize + 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  StoreStep step(dir);
  bool missing = false;
  std::string error;
  ASSERT_TRUE(TakeStepFile(step, StepFile::kPlayers, missing, error));
  const PlayerBytes third = EncodePlayer(SysopTestPlayer("C", "c", 3, 0));
  const bool appended = WriteStepRecord(step, StepFile::kPlayers, 2, third.data(), error);
  step.End();
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);

  EXPECT_EQ(reset.code, kSysopRefused);
  EXPECT_NE(reset.err.find("cannot write " + dir + "kordavin.cfg"), std::string::npos) << reset.err;
  EXPECT_FALSE(std::filesystem::exists(dir + "kordavin.cfg"));
  EXPECT_FALSE(appended);
  EXPECT_EQ(error, "cannot write " + dir + "kordavin.ply: the disk took only part of a record");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply").size(), 2 * kPlayerRecordSize);
}

TEST(SysopCheck, ReportsDamageAndRepairClampsIt) {
  const std::string dir = MakeSysopTestDir();
  PlayerRecord damaged = SysopTestPlayer("Bad", "b", 5, 1);
  damaged.ClothesLevel = 0;
  damaged.WhoreHours[0] = 30;
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Good", "g", 5, 0), damaged});
  WriteSysopTestFile(dir, "kordavin.ply", ReadSysopTestFile(dir, "kordavin.ply") + "cut");
  WriteSysopTestFile(dir, "kordavin.cfg", std::string(kGameConfigFileSize, '\0'));

  SysopTestRun run = RunSysopForTest(dir, {"check"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.out.rfind("file\trecord\tproblem\n", 0), 0u);
  EXPECT_NE(run.out.find("kordavin.ply\t-\t"), std::string::npos);
  EXPECT_NE(run.out.find("kordavin.ply\t2\tWhoreHours[1] 30 is outside 7..10\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("kordavin.ply\t2\tClothesLevel 0 is outside 1..10\n"), std::string::npos);
  EXPECT_EQ(run.out.find("kordavin.ply\t1\t"), std::string::npos);

  run = RunSysopForTest(dir, {"check", "--repair"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  EXPECT_NE(run.out.find("repaired "), std::string::npos);
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply").size(), 2 * kPlayerRecordSize);
  const std::string bytes = ReadSysopTestFile(dir, "kordavin.ply");
  const PlayerRecord mended =
      DecodePlayer(reinterpret_cast<const uint8_t*>(bytes.data()) + kPlayerRecordSize);
  EXPECT_EQ(mended.ClothesLevel, 1);
  EXPECT_EQ(mended.WhoreHours[0], 10);
  run = RunSysopForTest(dir, {"check"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, "file\trecord\tproblem\n");
}

TEST(SysopCheck, AMissingTextFileIsAProblemMissingGameFilesAreNot) {
  const std::string dir = MakeSysopTestDir();
  SysopTestRun run = RunSysopForTest(dir, {"check"});
  EXPECT_EQ(run.code, kSysopOk);
  std::filesystem::remove(dir + "kordavin.dat");
  run = RunSysopForTest(dir, {"check"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.out, "file\trecord\tproblem\n"
                     "kordavin.dat\t-\tmissing or unreadable: the door stops every caller\n");
}

}  // namespace
