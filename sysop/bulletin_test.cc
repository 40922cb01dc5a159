#include <gtest/gtest.h>

#include <filesystem>

#include "sysop/bulletin.h"
#include "sysop/bulletin_html.h"
#include "sysop/sysop_testing.h"
#include "store/shared_data.h"

namespace {

const std::string kPlainRule = "+" + std::string(77, '-') + "+\r\n";

std::string PlainRow(const std::string& text) {
  return "|" + text + std::string(77 - text.size(), ' ') + "|\r\n";
}

void WriteConfig(const std::string& dir, const GameConfig& config) {
  const ConfigBytes bytes = EncodeConfig(config);
  WriteSysopTestFile(dir, "kordavin.cfg",
                     std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()) +
                         std::string(44, '\0'));
}

TEST(SysopBulletin, PlainTextRanksByNetWorthAndTellsTheGameRuns) {
  const std::string dir = MakeSysopTestDir();
  // Al's worth equals Rick's cash: the later player ranks first.
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Slick Rick", "r", 9600, 0),
                              SysopTestPlayer("Big Al", "a", 3200, 2),
                              SysopTestPlayer("Broke", "b", 0, 0)});
  WriteConfig(dir, GameConfig{});
  SysopTestRun run = RunSysopForTest(dir, {"bulletin", "--asc", dir + "news.asc"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadSysopTestFile(dir, "news.asc"),
            kPlainRule + PlainRow("                          Kordavin: The Top Pimps") +
                "+" + std::string(77, '-') + "+\r\n" +
                PlainRow(" Rank Pimp                                 Net Worth  Whores") +
                PlainRow("  1.  Big Al                                   $9600       2") +
                PlainRow("  2.  Slick Rick                               $9600       0") +
                PlainRow("  3.  Broke                                       $0       0") +
                kPlainRule + PlainRow(" The game is running. Pimps in the game: 3") + kPlainRule);
  EXPECT_FALSE(std::filesystem::exists(dir + "news.asc.new"));
}

TEST(SysopBulletin, AnsiScreenInCodePage437ShowsTheWinnerAndRerollDay) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Kingpin", "King Alias", 6000000, 0)});
  WriteConfig(dir, GameConfig{"Kingpin", "King Alias", 2, kKeyedByHandle});
  SysopTestRun run = RunSysopForTest(
      dir, {"bulletin", "--ans", dir + "b.ans", "--asc", dir + "b.asc"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  const std::string ans = ReadSysopTestFile(dir, "b.ans");
  EXPECT_EQ(ans.rfind("\x1B[0m\x1B[2J\x1B[H\x1B[1;34m\xDA\xC4\xC4", 0), 0u);
  EXPECT_NE(ans.find("\x1B[1;34m\xC3" + std::string(77, '\xC4') + "\xB4\r\n"), std::string::npos);
  EXPECT_NE(ans.find("\xC0" + std::string(77, '\xC4') + "\xD9\x1B[0m\r\n"), std::string::npos);
  EXPECT_NE(ans.find("\x1B[0;32m        $6000000"), std::string::npos);
  EXPECT_NE(ans.find("\x1B[1;35m Game over! \x1B[1;31mKingpin\x1B[1;35m bought Flaming "
                     "Sheinen's Restaurant."),
            std::string::npos);

  const std::string asc = ReadSysopTestFile(dir, "b.asc");
  EXPECT_EQ(asc.find('\x1B'), std::string::npos);
  EXPECT_NE(asc.find(PlainRow(" Game over! Kingpin bought Flaming Sheinen's Restaurant.")),
            std::string::npos);
  EXPECT_NE(asc.find(PlainRow(" Winner's alias: King Alias")), std::string::npos);
  EXPECT_NE(asc.find(PlainRow(" A new game starts on the 2nd of the month.")), std::string::npos);

  // A winner still keyed by his real name (he won before the game went over
  // to handles) is named by his pimp only: a bulletin is public.
  WriteConfig(dir, GameConfig{"Kingpin", "King Realname", 2, kKeyedByRealName});
  run = RunSysopForTest(dir, {"bulletin", "--asc", dir + "b.asc"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  EXPECT_EQ(ReadSysopTestFile(dir, "b.asc").find("King Realname"), std::string::npos);
}

TEST(SysopBulletin, TopTenOnlyAndStoredNamesCannotTakeOverTheScreen) {
  const std::string dir = MakeSysopTestDir();
  std::vector<PlayerRecord> players;
  for (int i = 1; i <= 12; ++i) {
    players.push_back(SysopTestPlayer("P" + std::to_string(i), "a", i * 100, 0));
  }
  players[11].Name = "\x1B[2J" + std::string(30, 'X');
  WriteSysopTestPlayers(dir, players);
  // No kordavin.cfg yet: the door has not made it, the game counts as running.
  SysopTestRun run = RunSysopForTest(dir, {"bulletin", "--ans", dir + "b.ans", "--asc",
                                           dir + "b.asc"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  const std::string asc = ReadSysopTestFile(dir, "b.asc");
  EXPECT_NE(asc.find(" 10.  P3 "), std::string::npos);
  EXPECT_EQ(asc.find("P2 "), std::string::npos);
  EXPECT_EQ(asc.find(" 11."), std::string::npos);
  EXPECT_NE(asc.find("  1.  ?[2J" + std::string(26, 'X') + "           $1200"), std::string::npos);
  const std::string ans = ReadSysopTestFile(dir, "b.ans");
  // Only the screen's own clear at the start.
  EXPECT_EQ(ans.find("\x1B[2J", 5), std::string::npos);
}

TEST(SysopBulletin, NoPlayersNoTargetsAndUnwritableTargets) {
  const std::string dir = MakeSysopTestDir();
  SysopTestRun run = RunSysopForTest(dir, {"bulletin", "--asc", dir + "b.asc"});
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_NE(ReadSysopTestFile(dir, "b.asc").find(PlainRow(" No pimps have joined this game yet.")),
            std::string::npos);

  run = RunSysopForTest(dir, {"bulletin"});
  EXPECT_EQ(run.code, kSysopUsage);
  run = RunSysopForTest(dir, {"bulletin", "--asc", dir + "no/such/dir/b.asc"});
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_EQ(run.err, "kordavin-sysop: cannot write " + dir + "no/such/dir/b.asc\n");
}

TEST(SysopBulletinHtml, EscapingLeavesNoMarkupInText) {
  EXPECT_EQ(EscapeHtml("<b onclick='x'>Tom & \"Jerry\"</b>"),
            "&lt;b onclick=&#39;x&#39;&gt;Tom &amp; &quot;Jerry&quot;&lt;/b&gt;");
  EXPECT_EQ(EscapeHtml("&amp;"), "&amp;amp;") << "a name that looks escaped shows as typed";
  EXPECT_EQ(EscapeHtml("Caf\xC3\xA9"), "Caf\xC3\xA9");
}

// The page is written for a web server, where a name that became markup
// would run in every visitor's browser.
TEST(SysopBulletinHtml, OnePageOfTheSameRankingWithNamesAsText) {
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("<script>x</script>", "a", 500, 0),
                              SysopTestPlayer("Caf\x82 \"Joe\" & 'Al'", "b", 9000, 1)});
  WriteConfig(dir, GameConfig{});
  SysopTestRun run = RunSysopForTest(dir, {"bulletin", "--html", dir + "b.html"});
  EXPECT_EQ(run.code, kSysopOk) << run.err;
  const std::string html = ReadSysopTestFile(dir, "b.html");
  EXPECT_EQ(html.rfind("<!DOCTYPE html>\n", 0), 0u);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  const size_t cafe = html.find(
      "<span class=\"c12\">Caf\xC3\xA9 &quot;Joe&quot; &amp; &#39;Al&#39;       ");
  const size_t script = html.find("<span class=\"c12\">&lt;script&gt;x&lt;/script&gt;");
  ASSERT_NE(cafe, std::string::npos) << html;
  ASSERT_NE(script, std::string::npos);
  EXPECT_LT(cafe, script) << "ranked by net worth as in the ANSI bulletin";
  // The box is drawn in the border colour with the Unicode line characters.
  EXPECT_NE(html.find("<pre><span class=\"c9\">\xE2\x94\x8C\xE2\x94\x80"), std::string::npos);
  EXPECT_NE(html.find(".c9 { color: #5555ff; }"), std::string::npos);
  EXPECT_NE(html.find(".c12 { color: #ff5555; }"), std::string::npos);
  // Nothing to fetch: a page copied anywhere shows the same.
  for (const char* outside : {"http", "src=", "href", "url(", "@import", "@font-face"}) {
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
  }
}

}  // namespace

