#include "door/dropfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/session.h"

namespace {

const std::string kFixtures = KORDAVIN_DROPFILES_DIR;

struct Caller {
  std::string bbs_name;
  uint8_t comm_type;
  int32_t comm_handle;
  int32_t baud;
  bool local;
  int32_t user_record;
  std::string real_name;
  std::string alias;
  int32_t security;
  uint16_t minutes;
  uint8_t ansi;
  uint8_t screen_length;
};

// Reads through the name rules, as start-up does, on a fresh session.
DropFileResult ReadFresh(const std::string& path) {
  InstallFakeHost();
  return ReadDropFile(path);
}

void ExpectSession(const Caller& want, const std::string& file) {
  SCOPED_TRACE(file);
  EXPECT_EQ(DoorSession.BbsName, want.bbs_name);
  EXPECT_EQ(DoorSession.CommType, want.comm_type);
  EXPECT_EQ(DoorSession.CommHandle, want.comm_handle);
  EXPECT_EQ(DoorSession.Baud, want.baud);
  EXPECT_EQ(DoorSession.LocalMode, want.local);
  EXPECT_EQ(DoorSession.UserRecord, want.user_record);
  EXPECT_EQ(DoorSession.RealName, want.real_name);
  EXPECT_EQ(DoorSession.Alias, want.alias);
  EXPECT_EQ(DoorSession.Security, want.security);
  EXPECT_EQ(DoorSession.CallMinutes, want.minutes);
  EXPECT_EQ(DoorSession.Ansi, want.ansi);
  EXPECT_EQ(DoorSession.ScreenLength, want.screen_length);
  EXPECT_EQ(DoorSession.EndMinute - DoorSession.StartMinute, want.minutes)
      << "the session clock starts with the drop file's minutes";
}

void ExpectFixtures(const Caller& want, std::initializer_list<const char*> files) {
  for (const char* file : files) {
    ASSERT_EQ(ReadFresh(kFixtures + "/" + file), Ok) << file;
    ExpectSession(want, file);
  }
}

TEST(DoorSys, ThirtyOneAndFiftyTwoLineLayouts) {
  ExpectFixtures({"", 0, 1, 57600, false, 0, "Jane Doe", "jdoe", 90, 45, 1, 25},
                 {"maximus_Door.Sys", "maximus_lf_door.sys"});
  ExpectFixtures({"", 0, 0, 19200, true, 0, "Bob Smith", "", 55, 60, 1, 23},
                 {"lf_DOOR.SYS", "crlf_door.sys", "cr_Door.Sys"});
}

TEST(DoorSys, AFileEndingAfterTheMinutesIsStillRead) {
  ExpectFixtures({"", 0, 0, 19200, true, 0, "Bob Smith", "", 55, 60, 0, 0},
                 {"short_DOOR.SYS"});
}

TEST(DoorSys, PortAndGraphicsLines) {
  const std::string dir = MakeScratchDir();
  struct Case {
    const char* port;
    const char* graphics;
    int32_t handle;
    uint8_t ansi;
  } cases[] = {
      {"COM0:", "GR", 0, 1},     {"COM0", "GR", 0, 1},    {"COM0:STDIO", "GR", 0, 1},
      {"COM1:", "NG", 1, 0},     {"COM2", "gr", 2, 0},    {"COM12:", "GR ", 12, 0},
      {"com3:", " GR", 3, 0},    {"", "", 0, 0},          {"COMX:", "RIP", 0, 0},
  };
  for (const Case& c : cases) {
    std::string text = std::string(c.port) + "\n9600\n";
    for (int line = 3; line <= 19; ++line) text += "5\n";
    text += std::string(c.graphics) + "\n";
    WriteScratchFile(dir + "/DOOR.SYS", text);
    ASSERT_EQ(ReadFresh(dir + "/DOOR.SYS"), Ok);
    EXPECT_EQ(DoorSession.CommHandle, c.handle) << "port line " << c.port;
    EXPECT_EQ(DoorSession.LocalMode, c.handle == 0) << "port line " << c.port;
    EXPECT_EQ(DoorSession.Ansi, c.ansi) << "graphics line " << c.graphics;
  }
}

TEST(ChainTxt, FieldsAndSecondsToMinutes) {
  ExpectFixtures({"", 0, 2, 28800, false, 0, "Robert Brown", "Slick", 60, 59, 1, 25},
                 {"lf_CHAIN.TXT", "crlf_chain.txt"});
  const std::string dir = MakeScratchDir();
  std::string text;
  for (int line = 1; line <= 14; ++line) text += "\n";
  text += "0\n-119\n";
  WriteScratchFile(dir + "/chain.txt", text);
  ASSERT_EQ(ReadFresh(dir + "/chain.txt"), Ok);
  EXPECT_TRUE(DoorSession.LocalMode) << "remote flag 0 means local";
  EXPECT_EQ(DoorSession.CallMinutes, 0) << "-119 / 60 is -1: no time, not 65535 minutes";
}

TEST(DorinfoDef, NamesAreJoinedAndCopiedToTheAlias) {
  ExpectFixtures({"", 0, 0, 38400, true, 0, "JANE DOE", "JANE DOE", 90, 45, 1, 24},
                 {"synchronet_DORINFO1.DEF"});
  // Bytes above 127 are kept; blanks after the first and the last name are
  // not, so one blank stands between them.
  ExpectFixtures({"", 0, 1, 2400, false, 0, "J\x8Frgen M\x9Aller", "J\x8Frgen M\x9Aller",
                  20, 33, 1, 24},
                 {"crlf_dorinfo1.def", "lf_DORINFO1.DEF"});
  const std::string dir = MakeScratchDir();
  WriteScratchFile(dir + "/dorinfo2.def",
                       "B\nS\nO\nCOM\n \n\n" + std::string(40, 'F') + "\n" +
                           std::string(10, 'L') + "\n");
  ASSERT_EQ(ReadFresh(dir + "/dorinfo2.def"), Ok);
  EXPECT_EQ(DoorSession.RealName, std::string(30, 'F'));
  EXPECT_EQ(DoorSession.CommHandle, 0);
  EXPECT_EQ(DoorSession.Baud, 0);
  WriteScratchFile(dir + "/dorinfo3.def", "B\nS\nO\nCOM4\n\n\nAnn\nLee\n");
  ASSERT_EQ(ReadFresh(dir + "/dorinfo3.def"), Ok);
  EXPECT_EQ(DoorSession.RealName, "Ann Lee");
  EXPECT_EQ(DoorSession.CommHandle, 4);
  EXPECT_EQ(DoorSession.CallMinutes, 0);
}

TEST(Door32Sys, EveryFieldOfTheFormat) {
  ExpectFixtures({"Synchronet BBS for Linux  Version 3.20a", 0, -1, 38400, true, 42,
                  "Jane Doe", "Jane Doe", 90, 45, 1, 24},
                 {"synchronet_DOOR32.SYS"});
  ExpectFixtures({"Test Board", 2, -1, 115200, false, 7, "Jane Doe", "jdoe", 10, 546, 1, 24},
                 {"enigma_door32.sys"});
  // 70000 minutes keep their low 16 bits; names keep their trailing blanks
  // and bytes above 127; a trailing empty line changes nothing.
  ExpectFixtures({"Mystic BBS v1.12 \xB3 Linux", 2, 5, 115200, false, 12, "R\x8A" "na Fox  ",
                  "\xDB" "Fox\xDB ", 30, 4464, 1, 24},
                 {"lf_DOOR32.SYS", "crlf_door32.sys"});
  ExpectFixtures({"Synchronet BBS for Linux  Version 3.22a", 2, 16, 38400, false, 2, "Mary Major",
                  "Raven", 50, 239, 1, 24},
                 {"synchronet_socket_DOOR32.SYS"});
  // Blanks around every number and name, as packages and hand-written files
  // leave them: a socket handle read as 0 would put the caller on a dead
  // line. A name is kept as the board wrote it: "  Ann " is not "Ann",
  // whom a board may know as another caller.
  ExpectFixtures({"Board", 2, 16, 38400, false, 7, "  Ann ", "\tAnn  ", 10, 45, 1, 24},
                 {"blanks_DOOR32.SYS"});
}

TEST(Door32Sys, LongLinesAreCutAndNumbersKeepTheirWidth) {
  const std::string dir = MakeScratchDir();
  WriteScratchFile(dir + "/door32.sys", "258\n7x\n9600\n" + std::string(300, 'B') + "\n1\n" +
                                                std::string(31, 'N') + "\n" +
                                                std::string(5000, 'A') + "\n10\n65537\n258\n");
  ASSERT_EQ(ReadFresh(dir + "/door32.sys"), Ok);
  EXPECT_EQ(DoorSession.CommType, 2);
  EXPECT_EQ(DoorSession.CommHandle, 0);
  EXPECT_EQ(DoorSession.BbsName, std::string(255, 'B'));
  EXPECT_EQ(DoorSession.RealName, std::string(30, 'N'));
  EXPECT_EQ(DoorSession.Alias, std::string(30, 'A'));
  EXPECT_EQ(DoorSession.Security, 10);
  EXPECT_EQ(DoorSession.CallMinutes, 1);
  EXPECT_EQ(DoorSession.Ansi, 2);
}

// A BBS that has given the caller more than his time writes a negative count:
// cut to 16 bits it would become weeks of play.
TEST(ReadDropFile, NegativeMinutesAreNoTime) {
  const std::string dir = MakeScratchDir();
  std::string door_sys;
  for (int line = 1; line <= 18; ++line) door_sys += "\n";
  const std::pair<std::string, std::string> files[] = {
      {"door32.sys", "2\n-1\n0\nBoard\n1\nAnn\nAnn\n1\n-5\n1\n"},
      {"door.sys", door_sys + "-1\n"},
      {"dorinfo1.def", "\n\n\nCOM0\n0\n\nAnn\nLee\n\n1\n1\n-30000\n"},
      {"chain.txt", std::string(15, '\n') + "-61\n"},
  };
  for (const auto& [name, text] : files) {
    WriteScratchFile(dir + "/" + name, text);
    ASSERT_EQ(ReadFresh(dir + "/" + name), Ok) << name;
    EXPECT_EQ(DoorSession.CallMinutes, 0) << name;
    EXPECT_EQ(MinutesLeft(), 0) << name;
  }
}

// Puts a DOOR32.SYS-shaped file at the path; which values come out tells
// which reader the name chose.
void PlantDoor32(const std::string& path) {
  WriteScratchFile(path, "2\n77\n1200\nBoard\n3\nAnn Lee\nannie\n20\n45\n1\n1\n");
}

TEST(ReadDropFile, TheNameChoosesTheReader) {
  const std::string dir = MakeScratchDir();
  mkdir((dir + "/chain.txt.d").c_str(), 0755);
  mkdir((dir + "/Door.Sys.dir").c_str(), 0755);
  PlantDoor32(dir + "/chain.txt.d/door32.sys");
  PlantDoor32(dir + "/Door.Sys.dir/door32.sys");
  PlantDoor32(dir + "/door.sys.bak");
  PlantDoor32(dir + "/DoOr32.SyS");
  PlantDoor32(dir + "/Dorinfo1.def");

  ASSERT_EQ(ReadFresh(dir + "/DoOr32.SyS"), Ok);
  EXPECT_EQ(DoorSession.CommHandle, 77) << "read as DOOR32.SYS";
  EXPECT_EQ(DoorSession.Alias, "annie");

  ASSERT_EQ(ReadFresh(dir + "/chain.txt.d/door32.sys"), Ok);
  EXPECT_EQ(DoorSession.RealName, "1200") << "read as CHAIN.TXT: real name on line 3";
  EXPECT_EQ(DoorSession.Alias, "77");

  ASSERT_EQ(ReadFresh(dir + "/Door.Sys.dir/door32.sys"), Ok);
  EXPECT_EQ(DoorSession.CommHandle, 2) << "read as DOOR.SYS: port on line 1";
  EXPECT_EQ(DoorSession.Baud, 77);

  ASSERT_EQ(ReadFresh(dir + "/door.sys.bak"), Ok);
  EXPECT_EQ(DoorSession.Baud, 77) << "read as DOOR.SYS";

  ASSERT_EQ(ReadFresh(dir + "/Dorinfo1.def"), Ok);
  EXPECT_EQ(DoorSession.RealName, "annie 20") << "read as DORINFO: names on lines 7 and 8";
  EXPECT_EQ(DoorSession.Alias, "annie 20");
}

TEST(ReadDropFile, FailuresAndWhatTheyLeave) {
  const std::string dir = MakeScratchDir();
  PlantDoor32(dir + "/exitinfo.bbs");
  EXPECT_EQ(ReadFresh(dir + "/exitinfo.bbs"), UnknownType);
  EXPECT_EQ(DoorSession.RealName, "");
  EXPECT_EQ(ReadFresh(dir + "/DOOR32.SYS"), NotFound);
  EXPECT_EQ(ReadFresh("/bbs/door.sys.bak"), NotFound);
  EXPECT_EQ(ReadFresh(""), UnknownType);

  // A directory opens but cannot be read: an I/O error, and the clock is not
  // started from it.
  mkdir((dir + "/dorinfo1.def").c_str(), 0755);
  InstallFakeHost();
  const int16_t end_before = DoorSession.EndMinute;
  EXPECT_EQ(ReadDropFile(dir + "/dorinfo1.def"), ReadError);
  EXPECT_EQ(DoorSession.EndMinute, end_before);
  EXPECT_EQ(ReadDoorSys(dir + "/missing"), NotFound);
  EXPECT_EQ(ReadChainTxt(dir + "/missing"), NotFound);
  EXPECT_EQ(ReadDorinfoDef(dir + "/missing"), NotFound);
  EXPECT_EQ(ReadDoor32Sys(dir + "/missing"), NotFound);
}

TEST(ReadDropFile, AnEmptyFileGivesEmptyFieldsAndZeroMinutes) {
  const std::string dir = MakeScratchDir();
  WriteScratchFile(dir + "/door32.sys", "");
  ASSERT_EQ(ReadFresh(dir + "/door32.sys"), Ok);
  EXPECT_EQ(DoorSession.RealName, "");
  EXPECT_EQ(DoorSession.CallMinutes, 0);
  EXPECT_EQ(DoorSession.EndMinute, DoorSession.StartMinute);
  EXPECT_TRUE(DoorSession.LocalMode);
}

}  // namespace

namespace {

// BBSDEV.DRP describes the caller's terminal beside the drop file; only a
// UTF-8 line 12 turns translation on, and a file that is not there changes
// nothing.
TEST(BbsdevDrp, TheEncodingAndScreenSizeAreRead) {
  InstallFakeHost();
  ASSERT_EQ(ReadBbsdevDrp(kFixtures + "/enigma_BBSDEV.DRP"), Ok);
  EXPECT_TRUE(DoorSession.Utf8);
  EXPECT_EQ(DoorSession.ScreenWidth, 132);
  EXPECT_EQ(DoorSession.ScreenLength, 50);

  const std::string dir = MakeScratchDir();
  for (const char* encoding : {"IBM437", "utf-16", ""}) {
    InstallFakeHost();
    WriteScratchFile(dir + "/BBSDEV.DRP", std::string("1.0\r\nstdio\r\n-1\r\nann\r\nk\r\n0\r\n"
                                                          "x\r\nY\r\n\r\n\r\n\r\n") + encoding);
    ASSERT_EQ(ReadBbsdevDrp(dir + "/BBSDEV.DRP"), Ok);
    EXPECT_FALSE(DoorSession.Utf8) << encoding;
    EXPECT_EQ(DoorSession.ScreenWidth, 80) << "a width of 0 is no width";
    EXPECT_EQ(DoorSession.ScreenLength, 24);
  }
  EXPECT_EQ(ReadBbsdevDrp(dir + "/absent.drp"), NotFound);
  EXPECT_FALSE(DoorSession.Utf8);
}

}  // namespace
