#include "door/session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "door/fake_host_testing.h"
#include "door/scratch_testing.h"
#include "door/output.h"

namespace {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeHost("/tmp");
    dir_ = MakeScratchDir("session");
    drop_file_ = dir_ + "/DOOR32.SYS";
    std::ofstream(drop_file_) << "2\r\n5\r\n38400\r\nTest BBS\r\n7\r\nJane Doe\r\njdoe\r\n"
                                 "10\r\n45\r\n1\r\n3\r\n";
  }

  // Runs StartSession with the given arguments; returns the exit code, or -1
  // when the session started.
  int Start(std::vector<std::string> args) {
    args.insert(args.begin(), "/bbs/doors/kordavin/kordavin");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    try {
      StartSession(static_cast<int>(argv.size()), argv.data());
    } catch (const SessionEnded& end) {
      return end.code;
    }
    return -1;
  }

  std::string dir_;
  std::string drop_file_;
};

std::string UsageWith(const std::string& message) {
  return "\r\nKORDAVIN ERROR : " + message +
         "\r\n\r\nProper Command Line Samples\r\n---------------------------\r\n"
         "KORDAVIN [path and filename of drop file] [node number]\r\n"
         "kordavin /bbs/door32.sys 1\r\nkordavin /bbs/door.sys 1\r\n"
         "kordavin /bbs/dorinfo1.def 1\r\nkordavin /bbs/chain.txt 1\r\n\r\n"
         "Please refer to KORDAVIN.DOC for further information.\r\n";
}

TEST_F(SessionTest, UsageScreensAndTheirPrecedence) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "No command line switches defined."},
      {{"x"}, "Invalid command line switches."},
      {{"a", "b", "c"}, "Invalid command line switches."},
      {{"--real-names", "/bbs/door32.sys"}, "Invalid command line switches."},
      {{"/nowhere/door32.sys", "0"}, "Drop file not found."},
      {{"/bbs/exitinfo.bbs", "1"}, "Unknown drop file type"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Start(c.args), 0);
    EXPECT_EQ(TakeOutput(), UsageWith(c.message)) << c.message;
  }
}

TEST_F(SessionTest, BadNodeNumbersAreReportedAfterTheDropFile) {
  for (const char* node : {"0", "-3", "abc", "", "65536"}) {
    EXPECT_EQ(Start({drop_file_, node}), 0) << node;
    EXPECT_EQ(TakeOutput(), UsageWith("Invalid node number specified.")) << node;
    EXPECT_EQ(DoorSession.RealName, "Jane Doe") << "the drop file was read first";
  }
}

TEST_F(SessionTest, NodeKeepsTheLowSixteenBits) {
  EXPECT_EQ(Start({drop_file_, "65537"}), -1);
  EXPECT_FALSE(DoorSession.RealNamesOnly);
  EXPECT_EQ(Start({"--real-names", drop_file_, "65537"}), -1) << "the switch may stand first";
  EXPECT_TRUE(DoorSession.RealNamesOnly);
  EXPECT_EQ(DoorSession.Node, 1);
  EXPECT_EQ(DoorSession.ProgramDir.substr(DoorSession.ProgramDir.size() - 2), "//");
  EXPECT_EQ(TakeOutput(), "") << "nothing is written to the caller";
  EXPECT_EQ(MinutesLeft(), 45) << "the clock runs from the drop file's minutes";
}

// Only a telnet handle of 0 or more in DOOR32.SYS asks for the caller's
// socket; when neither it nor standard input reaches a caller, the port error.
TEST_F(SessionTest, ATelnetHandleOpensTheCallersConnection) {
  EXPECT_EQ(Start({drop_file_, "1"}), -1);
  EXPECT_EQ(Fake.opened_handles, std::vector<int>{5});

  Fake.caller_reachable = false;
  EXPECT_EQ(Start({drop_file_, "1"}), 0);
  EXPECT_EQ(TakeOutput(), UsageWith("Unable to open communications port"));
  EXPECT_EQ(Start({drop_file_, "0"}), 0);
  EXPECT_EQ(TakeOutput(), UsageWith("Unable to open communications port"))
      << "the connection is opened before the node number is looked at";

  Fake.opened_handles.clear();
  for (const char* first_lines : {"0\r\n5\r\n", "1\r\n5\r\n", "2\r\n-1\r\n"}) {
    std::ofstream(drop_file_) << first_lines << "38400\r\nTest BBS\r\n7\r\nJane Doe\r\n";
    EXPECT_EQ(Start({drop_file_, "1"}), -1) << first_lines;
  }
  EXPECT_TRUE(Fake.opened_handles.empty()) << "standard I/O, as the drop file says";
}

TEST(ProgramDir, KeepsTheDirectoryAndAddsASlash) {
  EXPECT_EQ(ProgramDirOf("/bbs/doors/game/run"), "/bbs/doors/game//");
  EXPECT_EQ(ProgramDirOf("/kordavin"), "//");
}

TEST(SessionClock, MidnightIsCorrectedOnce) {
  InstallFakeHost("/tmp");
  SetFakeNow({2026, 12, 8, 23, 58, 0});
  StartTimer(10);
  EXPECT_EQ(MinutesLeft(), 10);
  Fake.now_ms += 5 * 60 * 1000;  // 00:03 the next day
  EXPECT_EQ(MinutesLeft(), 5);
  EXPECT_EQ(MinutesLeft(), 5) << "the same midnight is never corrected twice";
  EXPECT_EQ(DoorSession.StartMinute, 1438 - 1440);
}

TEST(SessionClock, HugeMinuteCountsDoNotWrapIntoThePast) {
  InstallFakeHost("/tmp");
  SetFakeNow({2026, 12, 8, 23, 0, 0});
  StartTimer(65535);
  EXPECT_GT(MinutesLeft(), 20000);
  StartTimer(40000);
  EXPECT_GT(MinutesLeft(), 20000);
}

TEST(SessionClock, MinuteAndSecondOfDay) {
  InstallFakeHost("/tmp");
  SetFakeNow({2026, 12, 8, 13, 7, 9});
  EXPECT_EQ(MinuteOfDay(), 13 * 60 + 7);
  EXPECT_EQ(SecondOfDay(), 13 * 3600 + 7 * 60 + 9);
}

TEST(CloseDownTest, ResetsColourOnlyWithAnsi) {
  InstallFakeHost("/tmp");
  SetColor(14, 1);
  TakeOutput();
  CloseDown();
  EXPECT_EQ(TakeOutput(), "\x1b[0;37m\x1b[40m\r\n");
  EXPECT_EQ(CurrentColor, 7);
  DoorSession.Ansi = 0;
  CloseDown();
  EXPECT_EQ(TakeOutput(), "\r\n");
}

}  // namespace
