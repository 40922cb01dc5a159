#include "game/loop.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/keys.h"
#include "door/session.h"
#include "door/text.h"
#include "game/core_testing.h"
#include "game/menus.h"
#include "game/reroll.h"
#include "store/rules.h"
#include "store/state.h"

namespace {

const std::string kRule77(77, '\xC4');

std::string ReadSourceFile(const std::string& relative) {
  return ReadWholeFile(std::string(KORDAVIN_SOURCE_DIR) + "/" + relative);
}

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeCoreTestDir();
    StoreCorePlayer(NewPlayer(), 100);
  }
  void TearDown() override {
    for (int code : {kCodeWhoreStatistics, kCodeYourStatistics, kCodeSetUpWhoreHouse}) {
      SetCommandAction(code, nullptr);
    }
  }
};

TEST_F(LoopTest, TitleWithoutAnsiIsOnlyTheSixLines) {
  WriteCoreFile("title1.ans", "PICTURE");
  TakeOutput();
  ShowTitle();
  EXPECT_EQ(TakeOutput(),
            "\x1b[H\x1b[2J"
            "\xDA" + std::string(25, '\xC4') + "> Kordavin Version 1.51a <" +
                std::string(25, '\xC4') + "\xBF\r\n\xB3" + std::string(76, ' ') + "\xB3\r\n" +
                "\xB3" + std::string(25, ' ') + "Written By Brisel Software" +
                std::string(25, ' ') + "\xB3\r\n\xB3" + std::string(19, ' ') +
                "Additional Programming By Tovrek" + std::string(25, ' ') + "\xB3\r\n\xB3" +
                std::string(76, ' ') + "\xB3\r\n\xC0" + std::string(32, '\xC4') +
                "> Standard <" + std::string(32, '\xC4') + "\xD9\r\n");

  DoorSession.Ansi = 1;
  QueueKeys("xq ");
  ShowTitle();
  EXPECT_EQ(TakeOutput().rfind("PICTURE\x1b[H\x1b[2J", 0), 0u);
  EXPECT_TRUE(Fake.input.empty()) << "the picture waits for space or Enter";
}

TEST_F(LoopTest, DiceTableCountsTenThousandThrows) {
  GameSession.DiceSumCounts.fill(777);
  for (int draw = 0; draw < 20000; ++draw) Fake.draws.push_back(draw % 6);
  FillDiceSumCounts();
  // Dice come in pairs (1,2), (3,4), (5,6) and again, so only 3, 7 and 11 show.
  const auto& counts = GameSession.DiceSumCounts;
  EXPECT_EQ(counts[3], 3334);
  EXPECT_EQ(counts[7], 3333);
  EXPECT_EQ(counts[11], 3333);
  EXPECT_EQ(std::accumulate(counts.begin() + 2, counts.end(), 0), 10000);
  EXPECT_EQ(Fake.asked, std::vector<int32_t>(20000, 6));
}

int calls = 0;
void CountCall() { ++calls; }

TEST_F(LoopTest, CommandsRunByCode) {
  calls = 0;
  SetCommandAction(kCodeSetUpWhoreHouse, CountCall);
  SetCommandAction(kCodeGoToSheinens, CountCall);  // walks are never actions
  SetCommandAction(kMaxCommandCode + 1, CountCall);  // past the table: ignored
  SetCommandAction(-1, CountCall);
  for (int code : {int{kCodeSetUpWhoreHouse}, 0, 1, 2, 3, 50, 98, kMaxCommandCode + 1, -1, 30000}) RunCommand(code);
  EXPECT_EQ(calls, 1);
  SetCommandAction(kCodeGoToSheinens, nullptr);

  std::string dat;
  for (int line = 1; line <= kCasinoDocLastLine; ++line) dat += "line " + std::to_string(line) + "\n";
  WriteCoreFile("kordavin.dat", dat);
  TakeOutput();
  RunCommand(kCodeSpeakToSheinen);
  EXPECT_EQ(GameSession.TimeLeft, 99);
  const std::string sheinen = TakeOutput();
  EXPECT_EQ(sheinen.rfind("\r\nline 77\r\n", 0), 0u);
  EXPECT_EQ(sheinen.substr(sheinen.size() - 9), "line 85\r\n");
  RunCommand(kCodeSpeakToPete);
  EXPECT_EQ(GameSession.TimeLeft, 98);
  EXPECT_EQ(TakeOutput(), "\r\nline 87\r\nline 88\r\nline 89\r\nline 90\r\nline 91\r\nline 92\r\n");
  RunCommand(kCodeOnlineDocumentation);
  EXPECT_EQ(GameSession.TimeLeft, 98);
  const std::string docs = TakeOutput();
  EXPECT_NE(docs.find("line " + std::to_string(kDocLastLine) + "\r\n"), std::string::npos);
  EXPECT_EQ(docs.find("line " + std::to_string(kCasinoDocLastLine)), std::string::npos);
  GameSession.Location = 2;
  RunCommand(kCodeHelp);
  EXPECT_NE(TakeOutput().find("Stiff Pete's Wardrobe Options"), std::string::npos);
}

void SpendTwo() { GameSession.TimeLeft = static_cast<int16_t>(GameSession.TimeLeft - 2); }

TEST_F(LoopTest, DayEndsWhenTimeRunsOut) {
  SetCommandAction(kCodeYourStatistics, SpendTwo);
  GameSession.TimeLeft = 2;
  QueueKeys("Y\r");
  TakeOutput();
  EXPECT_THROW(RunActionLoop(), SessionEnded);
  EXPECT_EQ(GameSession.TimeLeft, 0);
  EXPECT_EQ(LoadCorePlayer().TimeLeft, 0);
  const std::string out = TakeOutput();
  EXPECT_EQ(Fake.input.size(), 0u);
  EXPECT_NE(out.find("Your Statistics\r\n\r\n" + kRule77 +
                     "\r\nTime Passes...\r\n\r\n"
                     "A smile comes to your face as you see the sky is pitch black. Hopefully\r\n"
                     "your women (if you have any) are very \"re\"productive tonight. You can log\r\n"
                     "on tomorrow to find out what happens.\r\n\r\n[-*-]"),
            std::string::npos);
}

TEST_F(LoopTest, WalkingOnTheLastUnitEndsTheDay) {
  GameSession.TimeLeft = 2;
  QueueKeys("G\r");
  EXPECT_THROW(RunActionLoop(), SessionEnded);
  EXPECT_EQ(GameSession.Location, 1);
  EXPECT_EQ(LoadCorePlayer().TimeLeft, 0);
}

TEST_F(LoopTest, DamagedTimeAboveADayEndsAfterOneCommand) {
  calls = 0;
  SetCommandAction(kCodeWhoreStatistics, CountCall);
  GameSession.TimeLeft = 300;
  QueueKeys("W\r");
  EXPECT_THROW(RunActionLoop(), SessionEnded);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(LoadCorePlayer().TimeLeft, 0);
}

std::vector<int32_t> cash_on_disk;
void RecordDiskCash() {
  cash_on_disk.push_back(LoadCorePlayer().Cash);
  GameSession.Player.Cash = 500;
}

TEST_F(LoopTest, SavesAfterEveryCommandAndQuitKeepsTheTime) {
  cash_on_disk.clear();
  SetCommandAction(kCodeWhoreStatistics, RecordDiskCash);
  GameSession.Player.Cash = -9;
  QueueKeys("WWQy\r");
  EXPECT_THROW(RunActionLoop(), SessionEnded);
  EXPECT_EQ(cash_on_disk, (std::vector<int32_t>{1000, 500}));
  EXPECT_EQ(LoadCorePlayer().TimeLeft, 100);
}

TEST_F(LoopTest, StartUpRunsTheArrivalInOrder) {
  WriteCoreFile("kordavin.dat", ReadSourceFile("data/kordavin.dat"));
  std::remove((DoorSession.ProgramDir + "kordavin.ply").c_str());
  GameSession.Location = 2;
  GameSession.HireAttempts = 3;
  GameSession.HiresThisSession = 2;
  QueueKeys("nycore\r\r");
  TakeOutput();
  RunStartUp();
  const std::string out = TakeOutput();
  EXPECT_LT(out.find("Do you want ANSI graphics?"), out.find("KORDAVIN.PLY Rerolled."));
  EXPECT_LT(out.find("KORDAVIN.PLY Rerolled."), out.find("Kordavin Version 1.51a"));
  EXPECT_LT(out.find("Kordavin Version 1.51a"), out.find("Welcome to Kordavin!"));
  EXPECT_TRUE(Fake.input.empty());
  EXPECT_EQ(GameSession.Location, 0);
  EXPECT_EQ(GameSession.HireAttempts, 0);
  EXPECT_EQ(GameSession.HiresThisSession, 0);
  EXPECT_TRUE(CoreFileExists("kordavin.1"));
  EXPECT_EQ(GameSession.ClothesName[10], "Diamond-Studded Mink & Crown");
  const PlayerRecord stored = LoadCorePlayer();
  EXPECT_EQ(stored.Name, "Core");
  EXPECT_EQ(stored.BbsAlias, "Core Tester");
  EXPECT_GE(stored.TimeLeft, 235);
  EXPECT_LE(stored.TimeLeft, 254);
}

TEST(GameText, DataFileKeepsItsLineLayout) {
  const std::string text = ReadSourceFile("data/kordavin.dat");
  std::vector<std::string> lines(1);  // lines[n] is line n
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), static_cast<size_t>(kCasinoDocLastLine) + 1);
  for (size_t n = 1; n < lines.size(); ++n) EXPECT_LE(lines[n].size(), 77u) << "line " << n;
  for (int n = 3; n <= 12; ++n) {
    EXPECT_FALSE(lines[n].empty());
    EXPECT_LE(lines[n].size(), 30u) << "clothes line " << n;
  }
  std::set<std::string> names;
  for (int n = 16; n <= 65; ++n) {
    EXPECT_FALSE(lines[n].empty());
    EXPECT_LE(lines[n].size(), 15u) << "name line " << n;
    names.insert(lines[n]);
  }
  EXPECT_EQ(names.size(), 50u);
  for (int n : {66, 71, 76, 86, 93}) EXPECT_TRUE(lines[n].empty()) << "line " << n;
  for (int n : {67, 72, 77, 87, kDocFirstLine, kDocLastLine, kCasinoDocLastLine}) EXPECT_FALSE(lines[n].empty()) << "line " << n;
}

// Callers read the documentation to learn what the help screen keeps quiet:
// the slash commands, and the letters their cursor keys turn into.
TEST(GameText, DocumentationTellsTheSlashCommandsAndTheKeysAsTheyAreRead) {
  const std::string text = ReadSourceFile("data/kordavin.dat");
  std::string docs;
  size_t start = 0;
  for (int n = 1; n <= kDocLastLine; ++n) {
    const size_t end = text.find('\n', start);
    if (n >= kDocFirstLine) docs += text.substr(start, end - start) + "\n";
    start = end + 1;
  }
  EXPECT_NE(docs.find("/W|07 shows who's on the streets"), std::string::npos) << docs;
  EXPECT_NE(docs.find("/P|07 pages"), std::string::npos);
  const std::pair<const char*, const char*> keys[] = {
      {"Up", "\x1b[A"},   {"Down", "\x1b[B"}, {"Left", "\x1b[D"}, {"Right", "\x1b[C"},
      {"Home", "\x1b[H"}, {"End", "\x1b[F"},  {"PgUp", "\x1b[5~"}, {"PgDn", "\x1b[6~"},
      {"Del", "\x1b[3~"}};
  for (const auto& [name, sequence] : keys) {
    KeyDecoder decoder;
    std::string decoded;
    for (const char* c = sequence; *c != '\0'; ++c) {
      DecodeKeyByte(decoder, static_cast<uint8_t>(*c), decoded);
    }
    ASSERT_EQ(decoded.size(), 2u) << name;
    EXPECT_NE(docs.find(std::string(name) + " " + decoded[1]), std::string::npos)
        << name << " is read as " << decoded[1];
  }
}

}  // namespace
