#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "door/fake_host_testing.h"
#include "store/caller.h"
#include "store/presence.h"
#include "store/presence_testing.h"
#include "sysop/sysop_testing.h"

namespace {

const char kListHeader[] = "number\tname\talias\tcash\twhores\twardrobe\thouse\tlastday\ttimeleft\tkey\n";

TEST(SysopList, OneLinePerPlayerInFileOrderOrByWorth) {
  const std::string dir = MakeSysopTestDir();
  PlayerRecord rich = SysopTestPlayer("Rich", "R One", 90000, 0);
  rich.ClothesLevel = 4;
  rich.HouseStreet = 12;
  // Equal worth to "Rich": 2 whores x 8 hours x $400 + 83600.
  PlayerRecord twin = SysopTestPlayer("Twin", "T Two", 83600, 2);
  twin.KeyKind = kKeyedByHandle;
  PlayerRecord poor = SysopTestPlayer("Poor", "P Three", 10, 0);
  WriteSysopTestPlayers(dir, {rich, twin, poor});

  SysopTestRun run = RunSysopForTest(dir, {"list"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, std::string(kListHeader) +
                         "1\tRich\tR One\t90000\t0\t4\t12\t8\t240\trealname\n"
                         "2\tTwin\tT Two\t83600\t2\t1\t0\t8\t240\thandle\n"
                         "3\tPoor\tP Three\t10\t0\t1\t0\t8\t240\trealname\n");

  // Equal worth ranks the later player first, as the game's rankings do.
  run = RunSysopForTest(dir, {"list", "--by-worth"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out.substr(sizeof kListHeader - 1, 3), "2\tT");
  EXPECT_NE(run.out.find("1\tRich"), std::string::npos);
  EXPECT_LT(run.out.find("1\tRich"), run.out.find("3\tPoor"));
}

TEST(SysopList, StoredControlBytesCannotBreakTheColumns) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Tab\tName\x1B[2J", "Line\nEnd", 1, 0)});
  SysopTestRun run = RunSysopForTest(dir, {"list"});
  EXPECT_EQ(run.out, std::string(kListHeader) + "1\tTab?Name?[2J\tLine?End\t1\t0\t1\t0\t8\t240\trealname\n");
}

TEST(SysopList, EmptyOrMissingFileAndCutOffRecord) {
  const std::string dir = MakeSysopTestDir();
  SysopTestRun run = RunSysopForTest(dir, {"list"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, kListHeader);

  // A cut-off last record: the whole ones are listed, the damage is named
  // and the exit code tells the script.
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Whole", "W", 5, 0)});
  WriteSysopTestFile(dir, "kordavin.ply", ReadSysopTestFile(dir, "kordavin.ply") + "partial");
  run = RunSysopForTest(dir, {"list"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_NE(run.out.find("1\tWhole\t"), std::string::npos);
  EXPECT_NE(run.err.find("kordavin.ply: 7 bytes after the last whole record"), std::string::npos);
}

TEST(SysopShow, WholePlayerWithWhoreNamesFromTheDataFile) {
  const std::string dir = MakeSysopTestDir();
  PlayerRecord player = SysopTestPlayer("Slick", "John Smith", 5000, 2);
  player.ClothesLevel = 3;
  player.HouseStreet = 12;
  player.CondomStock = 5;
  player.AteFlameBurger = 1;
  player.WhoreCondoms[1] = 7;
  player.WhoreDays[1] = 4;
  player.WhoreNameIndex[2] = 9;  // past the count: not shown
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Other", "O", 1, 0), player});

  SysopTestRun run = RunSysopForTest(dir, {"show", "2"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out,
            "number: 2\n"
            "name: Slick\n"
            "alias: John Smith\n"
            "key: realname\n"
            "cash: 5000\n"
            "networth: 11400\n"
            "wardrobe: 3 Corduroy Blazer & Loafers\n"
            "house: 12\n"
            "condoms: 5\n"
            "burger: 1\n"
            "lastday: 8\n"
            "timeleft: 240\n"
            "whores: 2\n"
            "whore1.name: 1 Candy\n"
            "whore1.hours: 8\n"
            "whore1.rate: 400\n"
            "whore1.condoms: 0\n"
            "whore1.days: 0\n"
            "whore2.name: 2 Bambi\n"
            "whore2.hours: 8\n"
            "whore2.rate: 400\n"
            "whore2.condoms: 7\n"
            "whore2.days: 4\n");
}

TEST(SysopShow, RefusesPlayersThatDoNotExist) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Only", "O", 1, 0)});
  SysopTestRun run = RunSysopForTest(dir, {"show", "2"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.err, "kordavin-sysop: there is no player 2 (players: 1)\n");
  EXPECT_EQ(RunSysopForTest(dir, {"show", "0"}).code, kSysopUsage);
  EXPECT_EQ(RunSysopForTest(dir, {"show", "x1"}).code, kSysopUsage);
  EXPECT_EQ(RunSysopForTest(dir, {"show"}).code, kSysopUsage);
}

TEST(SysopEdit, ChangesOnlyTheNamedFieldsOfThatRecord) {
  const std::string dir = MakeSysopTestDir();
  PlayerRecord first = SysopTestPlayer("First", "F", 100, 0);
  first.KeyKind = 0x5A;  // bytes the tool does not know must survive the edit
  WriteSysopTestPlayers(dir, {first, SysopTestPlayer("Second", "S", 200, 3)});
  const std::string before = ReadSysopTestFile(dir, "kordavin.ply");

  SysopTestRun run = RunSysopForTest(
      dir, {"edit", "1", "cash=2147483647", "wardrobe=10", "house=0", "condoms=999",
            "timeleft=260", "burger=1"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  EXPECT_EQ(run.out,
            "cash: 100 -> 2147483647\nwardrobe: 1 -> 10\nhouse: 0 -> 0\ncondoms: 0 -> 999\n"
            "timeleft: 240 -> 260\nburger: 0 -> 1\n");
  const std::string after = ReadSysopTestFile(dir, "kordavin.ply");
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(kPlayerRecordSize), before.substr(kPlayerRecordSize));
  PlayerRecord edited = DecodePlayer(reinterpret_cast<const uint8_t*>(after.data()));
  EXPECT_EQ(edited.Cash, 2147483647);
  EXPECT_EQ(edited.ClothesLevel, 10);
  EXPECT_EQ(edited.CondomStock, 999);
  EXPECT_EQ(edited.TimeLeft, 260);
  EXPECT_EQ(edited.AteFlameBurger, 1);
  EXPECT_EQ(edited.Name, "First");
  EXPECT_EQ(edited.KeyKind, 0x5A);

  run = RunSysopForTest(dir, {"edit", "2", "whore3.hours=9", "whore1.name=50",
                              "whore2.condoms=99", "whore2.days=32767", "whore1.rate=0"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  edited = DecodePlayer(
      reinterpret_cast<const uint8_t*>(ReadSysopTestFile(dir, "kordavin.ply").data()) +
      kPlayerRecordSize);
  EXPECT_EQ(edited.WhoreHours[2], 9);
  EXPECT_EQ(edited.WhoreNameIndex[0], 50);
  EXPECT_EQ(edited.WhoreCondoms[1], 99);
  EXPECT_EQ(edited.WhoreDays[1], 32767);
  EXPECT_EQ(edited.WhoreRate[0], 0);
}

TEST(SysopEdit, OneRefusedValueWritesNothingAndEveryRefusalIsNamed) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Pimp", "P", 100, 2)});
  const std::string before = ReadSysopTestFile(dir, "kordavin.ply");

  SysopTestRun run = RunSysopForTest(
      dir, {"edit", "1", "cash=5", "cash=2147483648", "wardrobe=0", "house=100", "timeleft=-1",
            "burger=2", "whore1.hours=6", "whore3.hours=9", "condoms=lots", "whore1.condoms=100"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "kordavin-sysop: cash: 2147483648 is out of range 0..2147483647\n"
            "kordavin-sysop: wardrobe: 0 is out of range 1..10\n"
            "kordavin-sysop: house: 100 is out of range 0..99\n"
            "kordavin-sysop: timeleft: -1 is out of range 0..260\n"
            "kordavin-sysop: burger: 2 is out of range 0..1\n"
            "kordavin-sysop: whore1.hours: 6 is out of range 7..10\n"
            "kordavin-sysop: whore3.hours: whore 3 is not in use (the player has 2)\n"
            "kordavin-sysop: condoms: 'lots' is not a whole number\n"
            "kordavin-sysop: whore1.condoms: 100 is out of range 0..99\n"
            "kordavin-sysop: nothing written\n");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply"), before);
}

TEST(SysopEdit, MalformedRequestsAreUsageErrors) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Pimp", "P", 100, 2)});
  for (const char* bad : {"cash", "money=5", "whore.hours=9", "whore21.hours=9", "whore0.days=1",
                          "whore1.height=9", "=5"}) {
    SysopTestRun run = RunSysopForTest(dir, {"edit", "1", bad});
    EXPECT_EQ(run.code, kSysopUsage) << bad;
  }
  EXPECT_EQ(RunSysopForTest(dir, {"edit", "1"}).code, kSysopUsage);
  SysopTestRun run = RunSysopForTest(dir, {"edit", "2", "cash=1"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.err, "kordavin-sysop: there is no player 2 (players: 1)\n");
}

TEST(SysopEdit, AFileHeldByAnotherNodeIsReportedNotWaitedOnForever) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Pimp", "P", 100, 0)});
  const std::string before = ReadSysopTestFile(dir, "kordavin.ply");
  Fake.lock_denials = 5;
  SysopTestRun run = RunSysopForTest(dir, {"edit", "1", "cash=1"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.err, "kordavin-sysop: cannot lock " + dir + "kordavin.ply: another node holds it\n");
  EXPECT_EQ(Fake.sleeps, std::vector<int>(5, 100));
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply"), before);

  // A node that lets go within the retries does not stop the edit.
  Fake.lock_denials = 4;
  EXPECT_EQ(RunSysopForTest(dir, {"edit", "1", "cash=1"}).code, kSysopOk);
}

// The sysop carries a caller over before his next call: the record and his
// unread news take the handle; never onto a handle someone holds, and never
// while he plays.
TEST(SysopRenameCaller, CarriesTheRecordAndItsNewsOverUnlessTakenOrLive) {
  const std::string dir = MakeSysopTestDir();
  PlayerRecord raven = SysopTestPlayer("Black Bird", "Mary Major", 500, 0);
  PlayerRecord holder = SysopTestPlayer("Holder", "Taken", 1, 0);
  holder.KeyKind = kKeyedByHandle;
  WriteSysopTestPlayers(dir, {holder, raven});
  WriteSysopTestNews(dir, {SysopTestNews("Mary Major", "Rick spied on you.")});
  const ConfigBytes won = EncodeConfig(GameConfig{"Black Bird", "Mary Major", 5});
  WriteSysopTestFile(dir, "kordavin.cfg", std::string(won.begin(), won.end()));

  SysopTestRun run = RunSysopForTest(dir, {"rename-caller", "Mary Major", "Taken"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.err, "kordavin-sysop: player 1 already has the handle 'Taken'; nothing changed\n");

  NodePresence live;
  live.Node.Name = "Black Bird";
  live.PlayerNumber = 2;
  const NodeFileBytes presence = EncodePresence(live);
  WriteSysopTestFile(dir, "kordavin.3", std::string(presence.begin(), presence.end()));
  HoldPresence(dir + "kordavin.3");
  run = RunSysopForTest(dir, {"rename-caller", "Mary Major", "Raven"});
  ReleasePresence(dir + "kordavin.3");
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_NE(run.err.find("Black Bird is playing on node 3; nothing changed"), std::string::npos);
  EXPECT_NE(RunSysopForTest(dir, {"show", "2"}).out.find("alias: Mary Major\nkey: realname\n"),
            std::string::npos);

  run = RunSysopForTest(dir, {"rename-caller", "Mary Major", "Raven"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  EXPECT_EQ(run.out, "player 2 (Black Bird): 'Mary Major' -> handle 'Raven', 1 news message "
                     "readdressed\n");
  EXPECT_NE(RunSysopForTest(dir, {"show", "2"}).out.find("alias: Raven\nkey: handle\n"),
            std::string::npos);
  const std::string news = ReadSysopTestFile(dir, "kordavin.msg");
  EXPECT_TRUE(IsAddressedTo(DecodeNews(reinterpret_cast<const uint8_t*>(news.data())),
                            PlayerKey{"Raven", kKeyedByHandle}));
  // The winner's line follows him in the same step.
  const std::string config = ReadSysopTestFile(dir, "kordavin.cfg");
  const GameConfig winner = DecodeConfig(reinterpret_cast<const uint8_t*>(config.data()));
  EXPECT_EQ(winner.WinnerAlias, "Raven");
  EXPECT_EQ(winner.WinnerKind, kKeyedByHandle);
}

// The record, its news and the winner's line move in one step: a file the
// step cannot have stops the rename before anything is written.
TEST(SysopRenameCaller, MovesNothingWhenOneOfItsFilesCannotBeHad) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Black Bird", "Mary Major", 500, 0)});
  WriteSysopTestNews(dir, {SysopTestNews("Mary Major", "Rick spied on you.")});
  const std::string players = ReadSysopTestFile(dir, "kordavin.ply");
  const std::string news = ReadSysopTestFile(dir, "kordavin.msg");
  std::filesystem::create_directory(dir + "kordavin.cfg");
  SysopTestRun run = RunSysopForTest(dir, {"rename-caller", "Mary Major", "Raven"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.err, "kordavin-sysop: cannot open " + dir + "kordavin.cfg: " +
                         std::strerror(EISDIR) + "\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply"), players);
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.msg"), news);
  // No configuration at all is a game nobody has won yet.
  std::filesystem::remove(dir + "kordavin.cfg");
  run = RunSysopForTest(dir, {"rename-caller", "Mary Major", "Raven"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  EXPECT_NE(ReadSysopTestFile(dir, "kordavin.ply"), players);
  EXPECT_FALSE(std::filesystem::exists(dir + "kordavin.cfg"));
}

}  // namespace
