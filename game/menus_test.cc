#include "game/menus.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>

#include "door/fake_host_testing.h"
#include "door/session.h"
#include "game/command_codes.h"
#include "game/core_testing.h"
#include "store/state.h"

namespace {

struct KeyCase {
  uint8_t location;
  char key;
  const char* name;
  int16_t code;
  uint8_t location_after;
  int cost;
};

// The codes stay numbers here: this table pins the numbering the game has
// always had, which the named codes must keep.
const KeyCase kKeyCases[] = {
    {0, 'C', "Kordavin Casino", 60, 0, 1},
    {0, 'D', "Disband Whore", 11, 0, 0},
    {0, 'E', "Examine Another Pimp", 6, 0, 0},
    {0, 'F', "Firebomb Whore House", 10, 0, 0},
    {0, 'G', "Go to Flaming Sheinen's", 2, 1, 1},
    {0, 'M', "Move to Another Street", 9, 0, 0},
    {0, 'P', "Player Rankings", 12, 0, 0},
    {0, 'S', "Set Up Whore House", 7, 0, 0},
    {0, 'T', "Steal from Another Pimp", 8, 0, 0},
    {0, 'V', "Visit Stiff Pete", 3, 2, 1},
    {0, 'W', "Whore Statistics", 4, 0, 0},
    {0, 'Y', "Your Statistics", 5, 0, 0},
    {0, '$', "Prices of Whore Houses", 13, 0, 0},
    {1, 'C', "Kordavin Casino", 60, 1, 1},
    {1, 'E', "Eat a Flame Burger", 24, 1, 0},
    {1, 'G', "Give Condoms to Whores", 26, 1, 0},
    {1, 'H', "Hire Agent", 21, 1, 0},
    {1, 'P', "Police Tip", 25, 1, 0},
    {1, 'R', "Return to Streets", 1, 0, 1},
    {1, 'S', "Speak to Flaming Sheinen", 23, 1, 0},
    {1, 'T', "Talk to Women Here", 22, 1, 0},
    {1, 'V', "Visit Stiff Pete", 3, 2, 1},
    {2, 'B', "Buy New Clothes", 42, 2, 0},
    {2, 'C', "Kordavin Casino", 60, 2, 1},
    {2, 'E', "Examine Your Wardrobe", 41, 2, 0},
    {2, 'G', "Go to Flaming Sheinen's", 2, 1, 1},
    {2, 'P', "Purchase Condoms", 44, 2, 0},
    {2, 'R', "Return to Streets", 1, 0, 1},
    {2, 'S', "Speak to Stiff Pete", 43, 2, 0},
    {2, '$', "Prices of New Clothes", 45, 2, 0},
};

struct CommonCase {
  char key;
  const char* name;
  int16_t code;
};

const CommonCase kCommonCases[] = {
    {'A', "Ansi Toggle", kCodeAnsiToggle},
    {'I', "Information", kCodeInformation},
    {'O', "Online Documentation", kCodeOnlineDocumentation},
    {'Q', "Quit", kCodeQuit},
    {'?', "Help", kCodeHelp},
};

// A walk only returns at once when the day is nearly spent, so walks start
// with 2 units and every other command with plenty.
int16_t PressAt(uint8_t location, char key, int16_t time_left) {
  GameSession.Location = location;
  GameSession.TimeLeft = time_left;
  QueueKeys(std::string(1, key));
  return LocationMenu();
}

class MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeCoreTestDir();
    StoreCorePlayer(NewPlayer(), 100);
    GameSession.CurrentStreet = 12;
  }
};

TEST_F(MenusTest, EveryKeyOfEveryPlaceInBothCases) {
  for (const KeyCase& c : kKeyCases) {
    for (const char key : {c.key, static_cast<char>(std::tolower(c.key))}) {
      SCOPED_TRACE(std::string(1, key) + " at place " + std::to_string(c.location));
      const int16_t start = c.code <= kLastWalkCode ? 2 : 100;
      TakeOutput();
      EXPECT_EQ(PressAt(c.location, key, start), c.code);
      EXPECT_EQ(GameSession.Location, c.location_after);
      EXPECT_EQ(GameSession.TimeLeft, start - c.cost);
      const std::string out = TakeOutput();
      EXPECT_EQ(out.substr(out.size() - std::string(c.name).size() - 2), std::string(c.name) + "\r\n");
    }
  }
  for (uint8_t location = 0; location <= 2; ++location) {
    for (const CommonCase& c : kCommonCases) {
      TakeOutput();
      EXPECT_EQ(PressAt(location, c.key, 100), c.code);
      EXPECT_EQ(GameSession.Location, location);
      EXPECT_EQ(GameSession.TimeLeft, 100);
      EXPECT_NE(TakeOutput().find(std::string(c.name) + "\r\n"), std::string::npos);
    }
  }
}

TEST_F(MenusTest, PromptsAndIgnoredKeys) {
  GameSession.TimeLeft = 259;
  QueueKeys("XZ1w");  // only w is a command on the street corner
  GameSession.Player.Cash = -5;
  EXPECT_EQ(LocationMenu(), kCodeWhoreStatistics);
  EXPECT_EQ(GameSession.Player.Cash, 0);
  TakeOutput();
  QueueKeys("G/W?");
  EXPECT_EQ(LocationMenu(), kCodeHelp);
  EXPECT_EQ(TakeOutput(),
            "\r\n[1:00PM][12TH & MAIN]: Go to Flaming Sheinen's\r\n"
            "\r\n[1:05PM][FLAMING SHEINEN'S]: Help\r\n");
  QueueKeys("V?");
  EXPECT_EQ(LocationMenu(), kCodeHelp);
  EXPECT_EQ(TakeOutput(),
            "\r\n[1:05PM][FLAMING SHEINEN'S]: Visit Stiff Pete\r\n"
            "\r\n[1:05PM][STIFF PETE'S]: Help\r\n");
}

TEST_F(MenusTest, SlashPrefixAndBackingOut) {
  TakeOutput();
  QueueKeys("/x\b/W");
  EXPECT_EQ(LocationMenu(), kCodeWhoIsOn);
  EXPECT_EQ(TakeOutput(), "\r\n[7:10PM][12TH & MAIN]: /\b \b/\b \bWho's On The Streets\r\n");
  QueueKeys("/p");
  EXPECT_EQ(LocationMenu(), kCodePagePimp);
  EXPECT_NE(TakeOutput().find("Page Another Pimp\r\n"), std::string::npos);
}

TEST_F(MenusTest, WalksGoOnUntilACommandOrTheDayRunsOut) {
  QueueKeys("GVR?");
  EXPECT_EQ(LocationMenu(), kCodeHelp);
  EXPECT_EQ(GameSession.Location, 0);
  EXPECT_EQ(GameSession.TimeLeft, 97);
  QueueKeys("C");
  GameSession.TimeLeft = 2;
  EXPECT_EQ(LocationMenu(), kCodeEnterCasino);
  EXPECT_EQ(GameSession.TimeLeft, 1);
}

TEST_F(MenusTest, WinningCheck) {
  PlayerRecord& player = GameSession.Player;
  player.ClothesLevel = 10;
  player.AteFlameBurger = 1;
  player.Cash = 5000001;
  EXPECT_EQ(PressAt(0, 'G', 100), kCodeBuyTheBar);
  EXPECT_EQ(GameSession.Location, 0);
  EXPECT_EQ(GameSession.TimeLeft, 99);
  EXPECT_EQ(PressAt(2, 'G', 100), kCodeBuyTheBar);
  EXPECT_EQ(PressAt(1, 'A', 100), kCodeBuyTheBar) << "any key inside the restaurant";
  EXPECT_EQ(PressAt(2, 'B', 100), kCodeBuyClothes) << "only inside the restaurant";

  const auto walk_in_then_help = [] {
    GameSession.Location = 0;
    QueueKeys("G?");
    return LocationMenu();
  };
  player.WhoreCount = 1;
  EXPECT_EQ(walk_in_then_help(), kCodeHelp);
  player.WhoreCount = 0;
  player.Cash = 5000000;
  EXPECT_EQ(walk_in_then_help(), kCodeHelp);
  player.Cash = 2147483647;
  player.ClothesLevel = 9;
  EXPECT_EQ(walk_in_then_help(), kCodeHelp);
  player.ClothesLevel = 10;
  player.AteFlameBurger = 0;
  EXPECT_EQ(walk_in_then_help(), kCodeHelp);
}

TEST_F(MenusTest, HelpScreens) {
  TakeOutput();
  ShowMenu(0);
  const std::string rule21 = std::string(16, ' ') + std::string(21, '\xC4') + "\r\n";
  EXPECT_EQ(TakeOutput(),
            "\r\n                Street Corner Options\r\n" + rule21 +
                "[C] Kordavin Casino           [D] Disband Whore\r\n"
                "[E] Examine Another Pimp      [F] Firebomb Whore House\r\n"
                "[G] Go to Flaming Sheinen's   [M] Move to Another Street\r\n"
                "[P] Player Rankings           [S] Set up Whore House\r\n"
                "[T] Steal from Another Pimp   [W] Whore Statistics\r\n"
                "[V] Visit Stiff Pete          [Y] Your Statistics\r\n"
                "[$] Prices of Whore Houses\r\n" +
                rule21 +
                "[A] Ansi Toggle               [I] Information\r\n"
                "[O] Online Documentation      [Q] Quit\r\n"
                "[?] Help\r\n");
  ShowMenu(1);
  const std::string sheinens = TakeOutput();
  EXPECT_NE(sheinens.find("\r\n        " + std::string(36, '\xC4') + "\r\n"), std::string::npos);
  EXPECT_NE(sheinens.find("\r\n        " + std::string(35, '\xC4') + "\r\n"), std::string::npos);
  EXPECT_NE(sheinens.find("[S] Speak to Flaming Sheinen  [T] Talk to Women Here\r\n"),
            std::string::npos);
  ShowMenu(2);
  const std::string petes = TakeOutput();
  EXPECT_EQ(petes.find("\r\n           Stiff Pete's Wardrobe Options\r\n"), 0u);
  EXPECT_NE(petes.find("[S] Speak to Stiff Pete       [$] Prices of New Clothes\r\n"),
            std::string::npos);
  ShowMenu(3);
  EXPECT_EQ(TakeOutput(), "");
}

TEST_F(MenusTest, DatLinesPauseAndMissingLines) {
  WriteCoreFile("kordavin.dat", "one\n|14two\r\n\nPAUSE\nfive\n");
  TakeOutput();
  QueueKeys("x\r");
  ShowDatLines(2, 7);
  EXPECT_EQ(TakeOutput(), "\r\ntwo\r\n\r\n[-*-]\b \b\b \b\b \b\b \b\b \bfive\r\n\r\n\r\n");
  EXPECT_TRUE(Fake.input.empty()) << "PAUSE waited for Enter past the x";
  ShowDatLines(5, 4);
  EXPECT_EQ(TakeOutput(), "\r\n");
  std::remove((DoorSession.ProgramDir + "kordavin.dat").c_str());
  ShowDatLines(1, 2);
  EXPECT_EQ(TakeOutput(), "\r\n\r\n\r\n");
}

TEST_F(MenusTest, InformationAtEveryPlace) {
  TakeOutput();
  GameSession.CurrentStreet = 1;
  ShowInformation();
  EXPECT_EQ(TakeOutput(),
            "\r\nYou are on the corner of 1st & Main. As you look up Main Street you see\r\n"
            "98 more streets. As you look down Main Street, you see no more streets. From\r\n"
            "this location you can move to any street or any building.\r\n");
  GameSession.CurrentStreet = 99;
  ShowInformation();
  const std::string at99 = TakeOutput();
  EXPECT_NE(at99.find("99th & Main"), std::string::npos);
  EXPECT_NE(at99.find("you see\r\nno more streets. As you look down Main Street, you see 98 "
                      "more streets. From\r\n"),
            std::string::npos);
  EXPECT_EQ(GameSession.TimeLeft, 98);

  std::string dat;
  for (int line = 1; line <= 80; ++line) dat += "line " + std::to_string(line) + "\n";
  WriteCoreFile("kordavin.dat", dat);
  GameSession.Location = 1;
  ShowInformation();
  EXPECT_EQ(TakeOutput(), "\r\nline 67\r\nline 68\r\nline 69\r\nline 70\r\n");
  GameSession.Location = 2;
  ShowInformation();
  EXPECT_EQ(TakeOutput(), "\r\nline 72\r\nline 73\r\nline 74\r\nline 75\r\n");
  EXPECT_EQ(GameSession.TimeLeft, 96);
}

TEST_F(MenusTest, ToggleAnsiBothWays) {
  DoorSession.Ansi = 1;
  TakeOutput();
  ToggleAnsi();
  EXPECT_EQ(DoorSession.Ansi, 0);
  EXPECT_EQ(TakeOutput(), "\r\nAnsi Characters are now off.\r\n");
  ToggleAnsi();
  EXPECT_EQ(DoorSession.Ansi, 1);
  EXPECT_EQ(TakeOutput(),
            "\r\n\x1b[1;34m\x1b[40mA\x1b[1;32m\x1b[40mn\x1b[1;33m\x1b[40ms\x1b[1;31m\x1b[40mi "
            "\x1b[1;37m\x1b[40mCharacters are now on.\r\n");
  DoorSession.Ansi = 2;  // another emulation counts as plain text
  ToggleAnsi();
  EXPECT_EQ(DoorSession.Ansi, 1);
}

TEST_F(MenusTest, QuitAsksFirstAndKeepsTheDaysTime) {
  WriteCoreFile("kordavin.1", std::string(128, '\0'));
  TakeOutput();
  QueueKeys("n");
  QuitGame();
  EXPECT_EQ(TakeOutput(), "\r\nAre you sure you want to quit? [Y/N] N\r\n");
  EXPECT_EQ(LoadCorePlayer().TimeLeft, 100) << "declining saves nothing";

  GameSession.TimeLeft = 57;
  QueueKeys("y\r");
  EXPECT_THROW(QuitGame(), SessionEnded);
  EXPECT_EQ(LoadCorePlayer().TimeLeft, 57);
  EXPECT_FALSE(CoreFileExists("kordavin.1"));
}

}  // namespace
