#include "sysop/nodes.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "store/presence_testing.h"
#include "sysop/sysop_testing.h"

namespace {

const char kNodesHeader[] = "node\tname\tstate\n";

void WritePresence(const std::string& dir, int node, const std::string& name) {
  const NodeBytes record = EncodeNode(NodeRecord{name, 0, ""});
  std::string bytes(reinterpret_cast<const char*>(record.data()), record.size());
  WriteSysopTestFile(dir, "kordavin." + std::to_string(node), bytes + std::string(16, '\0'));
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

TEST(SysopNodes, LiveMeansADoorOfThisDirectoryRunsOnThatNode) {
  const std::string dir = MakeSysopTestDir();
  const std::string other = MakeSysopTestDir();
  const std::string proc = MakeSysopTestProc();
  AddSysopTestProcess(proc, 101, {dir + "kordavin", "/bbs/DOOR.SYS", "1"}, dir + "kordavin");
  // Started by a relative name; the program file tells where it lives.
  AddSysopTestProcess(proc, 102, {"./kordavin", "DOOR.SYS", "03"}, dir + "kordavin (deleted)");
  // Another door directory, another program, the wrong argument count.
  AddSysopTestProcess(proc, 103, {other + "kordavin", "DOOR.SYS", "4"}, other + "kordavin");
  AddSysopTestProcess(proc, 104, {"/bin/sleep", "DOOR.SYS", "5"}, "/bin/sleep");
  AddSysopTestProcess(proc, 105, {dir + "kordavin", "6"}, dir + "kordavin");
  // Another user's door: its program file cannot be looked at, so its
  // command line decides, and a relative name gives the benefit of doubt.
  AddSysopTestProcess(proc, 106, {"kordavin", "DOOR.SYS", "7"}, "");
  AddSysopTestProcess(proc, 107, {other + "kordavin", "DOOR.SYS", "8"}, "");
  AddSysopTestProcess(proc, 108, {dir + "kordavin", "DOOR.SYS", "0"}, dir + "kordavin");
  AddSysopTestProcess(proc, 109, {dir + "kordavin", "--real-names", "DOOR.SYS", "9"},
                      dir + "kordavin");
  EXPECT_EQ(LiveDoorNodes(dir, proc), (std::set<int>{1, 3, 7, 9}));
  EXPECT_EQ(LiveDoorNodes(other, proc), (std::set<int>{4, 7, 8}));
}

TEST(SysopNodes, ListsPresenceFilesAndCleansOnlyStaleOnes) {
  const std::string dir = MakeSysopTestDir();
  const std::string proc = MakeSysopTestProc();
  WritePresence(dir, 2, "Slick");
  WritePresence(dir, 10, "Big Al");
  WritePresence(dir, 1, "On Line");
  WriteSysopTestFile(dir, "kordavin.03", "not a presence file");
  WriteSysopTestFile(dir, "kordavin.2.new", "a node writing its file");
  AddSysopTestProcess(proc, 200, {dir + "kordavin", "DOOR.SYS", "1"}, dir + "kordavin");
  // Live is the session's lock on its file, not a process seen on the node.
  HoldPresence(dir + "kordavin.1");
  AddSysopTestProcess(proc, 201, {dir + "kordavin", "DOOR.SYS", "2"}, dir + "kordavin");

  SysopTestRun run = RunSysopForTest(dir, {"nodes"}, proc);
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, std::string(kNodesHeader) + "1\tOn Line\tlive\n2\tSlick\tstale\n"
                                                 "10\tBig Al\tstale\n");

  // A caller is on: the sysop must say so before anything is removed.
  run = RunSysopForTest(dir, {"nodes", "--clean"}, proc);
  EXPECT_EQ(run.code, kSysopRefused);
  EXPECT_TRUE(Exists(dir + "kordavin.2"));

  run = RunSysopForTest(dir, {"nodes", "--clean", "--force"}, proc);
  EXPECT_EQ(run.code, kSysopOk);
  EXPECT_EQ(run.out, std::string(kNodesHeader) + "1\tOn Line\tlive\n2\tSlick\tstale\n"
                                                 "10\tBig Al\tstale\n"
                                                 "removed kordavin.2\nremoved kordavin.10\n");
  EXPECT_TRUE(Exists(dir + "kordavin.1"));
  EXPECT_FALSE(Exists(dir + "kordavin.2"));
  EXPECT_TRUE(Exists(dir + "kordavin.03"));
  EXPECT_TRUE(Exists(dir + "kordavin.2.new"));

  // The session on node 1 dies: its file is stale from that moment on.
  ReleasePresence(dir + "kordavin.1");
  run = RunSysopForTest(dir, {"nodes"}, proc);
  EXPECT_EQ(run.out, std::string(kNodesHeader) + "1\tOn Line\tstale\n");
}

TEST(SysopNodes, EveryChangingCommandRefusesWhileACallerPlays) {
  const std::string dir = MakeSysopTestDir();
  const std::string proc = MakeSysopTestProc();
  WriteSysopTestPlayers(dir, {SysopTestPlayer("Pimp", "P", 100, 0)});
  WriteSysopTestNews(dir, {SysopTestNews("P", "hello")});
  WriteSysopTestFile(dir, "kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
  // No presence file yet: a caller still joining changes files all the same.
  AddSysopTestProcess(proc, 300, {dir + "kordavin", "DOOR.SYS", "2"}, dir + "kordavin");
  AddSysopTestProcess(proc, 301, {dir + "kordavin", "DOOR.SYS", "4"}, dir + "kordavin");
  const std::string players = ReadSysopTestFile(dir, "kordavin.ply");
  const std::string news = ReadSysopTestFile(dir, "kordavin.msg");

  const std::vector<std::vector<std::string>> changes = {
      {"edit", "1", "cash=5"}, {"news", "--clear"}, {"reset", "--yes"}, {"check", "--repair"}};
  for (const auto& change : changes) {
    SysopTestRun run = RunSysopForTest(dir, change, proc);
    EXPECT_EQ(run.code, kSysopRefused) << change[0];
    EXPECT_EQ(run.err, "kordavin-sysop: a caller is playing on node 2, 4; nothing changed"
                       " (use --force to change files anyway)\n");
  }
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.ply"), players);
  EXPECT_EQ(ReadSysopTestFile(dir, "kordavin.msg"), news);

  // Reading is always allowed, and --force lets the sysop through.
  EXPECT_EQ(RunSysopForTest(dir, {"list"}, proc).code, kSysopOk);
  EXPECT_EQ(RunSysopForTest(dir, {"news"}, proc).code, kSysopOk);
  EXPECT_EQ(RunSysopForTest(dir, {"edit", "1", "cash=5", "--force"}, proc).code, kSysopOk);
}

// The league's files are not the game's: league send runs while a caller
// plays. Sending what was sent already is --again, and --force, its old
// name, still means that to league send alone.
TEST(SysopNodes, LeagueSendDoesNotWaitForCallersAndSendsAgainOnlyWhenAsked) {
  const std::string dir = MakeSysopTestDir();
  const std::string other = MakeSysopTestDir();
  const std::string proc = MakeSysopTestProc();
  AddSysopTestProcess(proc, 300, {dir + "kordavin", "DOOR.SYS", "2"}, dir + "kordavin");
  ASSERT_EQ(RunSysopForTest(dir, {"league", "keygen"}).code, kSysopOk);
  const std::string printed = RunSysopForTest(other, {"league", "keygen"}).out;
  const std::string key = printed.substr(printed.find(": ") + 2, 64);
  ASSERT_EQ(RunSysopForTest(dir, {"league", "init", "league=PIMPNET", "league-name=Pimp Net",
                                  "board=1", "board-name=One", "address=21:1/100",
                                  "outbound=" + dir + "out", "inbound=" + dir + "in"})
                .code,
            kSysopOk);
  ASSERT_EQ(RunSysopForTest(dir, {"league", "add", "2", "21:1/200", key, "Two"}).code, kSysopOk);

  EXPECT_NE(RunSysopForTest(dir, {"league", "send"}, proc).out.find("queued"), std::string::npos);
  // What board 2 is still owed is offered again, but nothing new is made.
  EXPECT_EQ(RunSysopForTest(dir, {"league", "send"}, proc).out.rfind("nothing new to send\n", 0), 0u);
  for (const char* again : {"--again", "--force"}) {
    EXPECT_NE(RunSysopForTest(dir, {"league", "send", again}, proc).out.find("queued"),
              std::string::npos)
        << again;
  }
  EXPECT_EQ(RunSysopForTest(dir, {"league", "show", "--again"}).err,
            "kordavin-sysop: --again applies to league send only\n");
  EXPECT_EQ(RunSysopForTest(dir, {"edit", "1", "cash=5", "--again"}).code, kSysopUsage);
}

// A real process: a copy of sleep named as the door, beside the data files,
// whose second argument is read as the node.
TEST(SysopNodes, FindsARealRunningDoorProcess) {
  const std::string dir = MakeSysopTestDir();
  std::filesystem::copy_file("/bin/sleep", dir + "kordavin");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl((dir + "kordavin").c_str(), "kordavin", "30", "9", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::set<int> live;
  for (int tries = 0; tries < 100 && live.empty(); ++tries) {
    live = LiveDoorNodes(dir, "/proc");
    if (live.empty()) usleep(20000);
  }
  EXPECT_EQ(live, std::set<int>{9});
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(LiveDoorNodes(dir, "/proc").empty());
}

}  // namespace
