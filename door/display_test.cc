#include "door/display.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"

namespace {

std::string Shown(const std::string& name, uint8_t ansi) {
  InstallFakeHost();
  DoorSession.Ansi = ansi;
  ShowFile(name);
  return TakeOutput();
}

TEST(ShowFile, PicksTheKindByTheCallersColour) {
  const std::string dir = MakeScratchDir();
  WriteScratchFile(dir + "/both.ans", "ANSI");
  WriteScratchFile(dir + "/both.asc", "PLAIN");
  WriteScratchFile(dir + "/plain.asc", "ONLY PLAIN");
  WriteScratchFile(dir + "/colour.ans", "ONLY ANSI");
  EXPECT_EQ(Shown(dir + "/both", 1), "ANSI");
  EXPECT_EQ(Shown(dir + "/both", 0), "PLAIN");
  EXPECT_EQ(Shown(dir + "/both", 2), "PLAIN");
  EXPECT_EQ(Shown(dir + "/plain", 1), "ONLY PLAIN");
  EXPECT_EQ(Shown(dir + "/colour", 0), "");
  EXPECT_EQ(Shown(dir + "/none", 1), "");
}

TEST(ShowFile, ANameWithAFullStopIsTakenAsGiven) {
  const std::string dir = MakeScratchDir();
  WriteScratchFile(dir + "/title1.asc", "fallback");
  EXPECT_EQ(Shown(dir + "/title1.ans", 1), "") << "no .asc is tried";
  WriteScratchFile(dir + "/title1.ans", "title");
  EXPECT_EQ(Shown(dir + "/title1.ans", 0), "title");
  ASSERT_EQ(mkdir((dir + "/game.d").c_str(), 0755), 0);
  WriteScratchFile(dir + "/game.d/title", "bare");
  WriteScratchFile(dir + "/game.d/title.ans", "not this");
  EXPECT_EQ(Shown(dir + "/game.d/title", 1), "bare");
}

TEST(ShowFile, EveryByteGoesOutUnchanged) {
  const std::string dir = MakeScratchDir();
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string art = "|14no codes|CR\n" + std::string("\x1b[1;33m\xDB\xC4\x1A") +
                          "after eof\n" + all + std::string(20000, '\xB0');
  WriteScratchFile(dir + "/art.ans", art);
  EXPECT_EQ(Shown(dir + "/art.ans", 1), art);
}

TEST(ShowFile, ADirectoryIsNoPicture) {
  const std::string dir = MakeScratchDir();
  ASSERT_EQ(mkdir((dir + "/title.ans").c_str(), 0755), 0);
  WriteScratchFile(dir + "/title.asc", "plain");
  EXPECT_EQ(Shown(dir + "/title", 1), "plain");
  EXPECT_EQ(Shown(dir + "/title.ans", 1), "");
}

TEST(ShowFile, AReadErrorEndsTheProcess) {
  // Reading the start of the process's own memory fails with an I/O error.
  const std::string dir = MakeScratchDir();
  ASSERT_EQ(symlink("/proc/self/mem", (dir + "/broken.ans").c_str()), 0);
  InstallFakeHost();
  try {
    ShowFile(dir + "/broken.ans");
    ADD_FAILURE() << "a read error must end the process";
  } catch (const SessionEnded& ended) {
    EXPECT_NE(ended.code, 0);
  }
}

}  // namespace
