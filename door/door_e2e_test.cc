// The real door in a pseudo-terminal: what a BBS and its caller see.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "door/e2e_testing.h"

namespace {

const std::string kAnsiQuestion = "\x1b[H\x1b[2JDo you want ANSI graphics? [Y/N] ";

std::string Fixture(const std::string& name) {
  return ReadWholeFile(std::string(KORDAVIN_DROPFILES_DIR) + "/" + name);
}

class DoorE2eTest : public RealDoorTest {
 protected:
  bool NeedsFakeTime() const override { return false; }

  // Starts the door with a fixture under the name a BBS gives it.
  void StartWith(const std::string& fixture, const std::string& name, const char* node = "1") {
    WriteDoorFile(dir_, name, Fixture(fixture));
    ASSERT_TRUE(StartDoor(run_, dir_, {dir_ + "/" + name, node}));
  }

  DoorRun& run_ = runs_.emplace_back();
};

TEST_F(DoorE2eTest, WithoutArgumentsTheUsageScreenAndExitZero) {
  ASSERT_TRUE(StartDoor(run_, dir_, {}));
  EXPECT_EQ(WaitForExit(run_, 5000), 0);
  EXPECT_EQ(run_.output,
            "\r\nKORDAVIN ERROR : No command line switches defined.\r\n\r\n"
            "Proper Command Line Samples\r\n---------------------------\r\n"
            "KORDAVIN [path and filename of drop file] [node number]\r\n"
            "kordavin /bbs/door32.sys 1\r\nkordavin /bbs/door.sys 1\r\n"
            "kordavin /bbs/dorinfo1.def 1\r\nkordavin /bbs/chain.txt 1\r\n\r\n"
            "Please refer to KORDAVIN.DOC for further information.\r\n");
}

TEST_F(DoorE2eTest, ADropFileIsReportedBeforeABadNode) {
  ASSERT_TRUE(StartDoor(run_, dir_, {dir_ + "/missing/DOOR.SYS", "0"}));
  EXPECT_EQ(WaitForExit(run_, 5000), 0);
  EXPECT_NE(run_.output.find("KORDAVIN ERROR : Drop file not found.\r\n"), std::string::npos);
  StopDoor(run_);
  StartWith("lf_DOOR32.SYS", "DOOR32.SYS", "abc");
  EXPECT_EQ(WaitForExit(run_, 5000), 0);
  EXPECT_NE(run_.output.find("KORDAVIN ERROR : Invalid node number specified.\r\n"),
            std::string::npos);
}

TEST_F(DoorE2eTest, EveryDropFileKindReachesTheAnsiQuestion) {
  struct Case {
    const char* fixture;
    const char* name;
  } cases[] = {
      {"synchronet_DOOR32.SYS", "DOOR32.SYS"}, {"enigma_door32.sys", "door32.sys"},
      {"maximus_Door.Sys", "Door.Sys"},        {"lf_DOOR.SYS", "DOOR.SYS"},
      {"crlf_chain.txt", "chain.txt"},         {"synchronet_DORINFO1.DEF", "DORINFO1.DEF"},
      {"crlf_dorinfo1.def", "Dorinfo1.Def"},
  };
  for (const Case& c : cases) {
    StartWith(c.fixture, c.name);
    EXPECT_TRUE(WaitForOutput(run_, kAnsiQuestion, 5000)) << c.name << ": " << run_.output;
    EXPECT_EQ(run_.output.find("ERROR"), std::string::npos) << c.name;
    StopDoor(run_);
  }
}

TEST_F(DoorE2eTest, SigtermAtAPromptResetsTheColourEndsTheLineAndExitsZero) {
  StartWith("synchronet_DOOR32.SYS", "DOOR32.SYS");
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, 5000));
  size_t before = run_.output.size();
  kill(run_.pid, SIGTERM);
  EXPECT_EQ(WaitForExit(run_, 2000), 0);
  EXPECT_EQ(run_.output.substr(before), "\x1b[0;37m\x1b[40m\r\n")
      << "the drop file asked for ANSI, so the colour is reset";
}

TEST_F(DoorE2eTest, SighupAndAClosedTerminalEndAtOnce) {
  StartWith("synchronet_DOOR32.SYS", "DOOR32.SYS");
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, 5000));
  kill(run_.pid, SIGHUP);
  EXPECT_EQ(WaitForExit(run_, 1000), 0);
  StopDoor(run_);

  StartWith("synchronet_DOOR32.SYS", "DOOR32.SYS");
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, 5000));
  pid_t pid = run_.pid;
  close(run_.master);  // the caller's line drops: reads give EIO
  run_.master = -1;
  int status = 0;
  for (int waited = 0; waited < 1000 && waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
    usleep(10000);
  }
  run_.exited = true;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(DoorE2eTest, EndOfInputOnAPipeEndsTheSession) {
  WriteDoorFile(dir_, "DOOR32.SYS", Fixture("synchronet_DOOR32.SYS"));
  std::string command = "cd " + dir_ + " && ./kordavin DOOR32.SYS 1 </dev/null >out.txt 2>&1";
  auto started = std::chrono::steady_clock::now();
  int status = std::system(command.c_str());
  auto took = std::chrono::steady_clock::now() - started;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_LT(took, std::chrono::seconds(1));
  const std::string text = DoorFile("out.txt");
  EXPECT_EQ(text, kAnsiQuestion + "\x1b[0;37m\x1b[40m\r\n");
}

TEST_F(DoorE2eTest, AnIdleCallerCostsNoCpu) {
  StartWith("synchronet_DOOR32.SYS", "DOOR32.SYS");
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, 5000));
  long before = CpuMs(run_.pid);
  usleep(3 * 1000 * 1000);
  long used = CpuMs(run_.pid) - before;
  EXPECT_GE(before, 0);
  EXPECT_LE(used, 20) << "ms of CPU in 3 s idle";
}

TEST_F(DoorE2eTest, KeysInEveryEnterStyleAnswerTheQuestion) {
  StartWith("synchronet_DOOR32.SYS", "DOOR32.SYS");
  ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, 5000));
  SendKeys(run_, "x\x1b[Ay");
  EXPECT_TRUE(WaitForOutput(run_, kAnsiQuestion + "Y\r\n", 3000)) << run_.output;
}

// A host whose callers' terminals speak UTF-8 says so with --utf8, or in the
// BBSDEV.DRP its environment names: the title's box drawing arrives as UTF-8,
// never as the code page's single bytes.
TEST_F(DoorE2eTest, EitherWayOfAskingForUtf8SendsTheTitleInUtf8) {
  WriteDoorFile(dir_, "BBSDEV.DRP", Fixture("enigma_BBSDEV.DRP"));
  WriteDoorFile(dir_, "DOOR32.SYS", Fixture("synchronet_DOOR32.SYS"));
  for (const bool by_switch : {true, false}) {
    SCOPED_TRACE(by_switch ? "--utf8" : "BBSDEV_DRP");
    std::vector<std::string> args = {dir_ + "/DOOR32.SYS", "1"};
    if (by_switch) {
      args.push_back("--utf8");
    } else {
      setenv("BBSDEV_DRP", (dir_ + "/BBSDEV.DRP").c_str(), 1);
    }
    const bool started = StartDoor(run_, dir_, args);
    unsetenv("BBSDEV_DRP");
    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitForOutput(run_, kAnsiQuestion, 5000)) << run_.output;
    SendKeys(run_, "y");
    EXPECT_TRUE(WaitForOutput(run_, "\xE2\x95\x94\xE2\x95\x90", 5000)) << "the picture's corner";
    SendKeys(run_, "\r");
    EXPECT_TRUE(WaitForOutput(run_, "\x1b[1;34m\x1b[40m\xE2\x94\x8C\xE2\x94\x80", 5000))
        << "the version box, its colour unchanged";
    EXPECT_EQ(run_.output.find("\xC9\xCD"), std::string::npos) << "a CP437 byte went out raw";
    StopDoor(run_);
  }
}

}  // namespace
