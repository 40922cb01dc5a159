// The HTML bulletin as a browser reads it: the page a sysop puts on the web
// must show a hostile player name as the letters he typed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "door/scratch_testing.h"
#include "sysop/sysop_testing.h"

namespace {

std::string FindChromium() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path == nullptr ? "/usr/bin" : path);
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string program = dir + "/chromium";
    if (!dir.empty() && access(program.c_str(), X_OK) == 0) return program;
  }
  return "";
}

// The DOM the browser built from the page, as it serialises it.
std::string DumpDom(const std::string& chromium, const std::string& page) {
  const std::string profile = MakeScratchDir("chromium");
  const std::string command =
      "timeout 120 " + chromium +
      " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
      " --disable-background-networking --disable-component-update --disable-sync"
      " --user-data-dir=" + profile + " --dump-dom 'file://" + page + "' 2>/dev/null";
  std::string dom;
  if (FILE* out = popen(command.c_str(), "r")) {
    std::array<char, 4096> buffer;
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), out)) > 0;) {
      dom.append(buffer.data(), n);
    }
    pclose(out);
  }
  std::filesystem::remove_all(profile);
  return dom;
}

TEST(SysopBulletinBrowser, AHostileNameShowsAsTypedAndTheRankingRenders) {
  const std::string chromium = FindChromium();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed";
  const std::string dir = MakeSysopTestDir();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("<b>\"Bad'</b> & <i>", "a", 700, 0),
                              SysopTestPlayer("Slick Rick", "r", 98068, 6)});
  SysopTestRun run = RunSysopForTest(dir, {"bulletin", "--html", dir + "top.html"});
  ASSERT_EQ(run.code, kSysopOk) << run.err;

  const std::string dom = DumpDom(chromium, dir + "top.html");
  ASSERT_NE(dom.find("Kordavin: The Top Pimps"), std::string::npos) << dom;
  // A text node is serialised with only & < > escaped: the quotes stand as
  // typed, and no <b> or <i> element was made of the name.
  const size_t hostile = dom.find("&lt;b&gt;\"Bad'&lt;/b&gt; &amp; &lt;i&gt;");
  EXPECT_NE(hostile, std::string::npos) << dom;
  EXPECT_EQ(dom.find("<b>"), std::string::npos);
  EXPECT_EQ(dom.find("<i>"), std::string::npos);
  const size_t first = dom.find(" 1.  </span><span class=\"c12\">Slick Rick");
  const size_t second = dom.find(" 2.  </span><span class=\"c12\">&lt;b&gt;");
  EXPECT_NE(first, std::string::npos);
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_NE(dom.find("$117268"), std::string::npos) << "cash and a day of six whores";
  EXPECT_NE(dom.find("\xE2\x94\x94\xE2\x94\x80"), std::string::npos) << "the box's corner";
}

}  // namespace
