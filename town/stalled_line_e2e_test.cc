// Callers whose lines take nothing in (a stalled modem, a frozen client) while
// the door has a long roster or a long list of news for them: another node
// joins, posts news and saves all the same.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>

#include "door/pty_testing.h"
#include "store/records.h"

namespace {

constexpr int kWait = 15000;
constexpr int kFillers = 150;
constexpr int kPendingNews = 600;
const char* kToday = "2026-12-08 14:00:00";

PlayerRecord Player(const std::string& name, const std::string& alias) {
  PlayerRecord player = NewPlayer();
  player.Name = name;
  player.BbsAlias = alias;
  player.LastDay = 8;
  player.TimeLeft = 250;
  return player;
}

// Every roster row as long as a name can be, so a roster is many pages.
std::string FillerName(int n) {
  std::string name = "Pimp With A Long Name No " + std::to_string(n);
  name.resize(30, '.');
  return name;
}

std::string PlayerFile() {
  std::string bytes;
  for (const PlayerRecord& p : {Player("Stalled", "Stalled Real"), Player("Lister", "Roster Real")}) {
    const PlayerBytes record = EncodePlayer(p);
    bytes.append(record.begin(), record.end());
  }
  for (int n = 1; n <= kFillers; ++n) {
    const PlayerBytes record = EncodePlayer(Player(FillerName(n), "Filler " + std::to_string(n)));
    bytes.append(record.begin(), record.end());
  }
  return bytes;
}

std::string NewsFile() {
  std::string bytes;
  for (int n = 0; n < kPendingNews; ++n) {
    NewsMessage message;
    message.To = "Stalled Real";
    message.Line1 = std::string(77, 'a' + static_cast<char>(n % 26));
    message.Line2 = std::string(77, 'z');
    const NewsBytes record = EncodeNews(message);
    bytes.append(record.begin(), record.end());
  }
  return bytes;
}

class StalledLineE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (FakeTimeLibrary().empty()) GTEST_SKIP() << "libfaketime is not installed";
    dir_ = MakeDoorDir();
    WriteDoorFile(dir_, "kordavin.ply", PlayerFile());
    WriteDoorFile(dir_, "kordavin.msg", NewsFile());
    WriteDoorFile(dir_, "kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
  }
  void TearDown() override {
    for (DoorRun& run : runs_) StopDoor(run);
    if (!dir_.empty()) RemoveDoorDir(dir_);
  }

  DoorRun& Call(const std::string& name, int node) {
    const std::string drop = "node" + std::to_string(node) + ".door32.sys";
    WriteDoorFile(dir_, drop, Door32For(name));
    DoorRun& run = runs_.emplace_back();
    EXPECT_TRUE(StartDoor(run, dir_, {dir_ + "/" + drop, std::to_string(node)}, kToday));
    return run;
  }

  // Waits for text after the mark, then sends keys.
  void Answer(DoorRun& run, size_t& mark, const std::string& text, const std::string& keys) {
    ASSERT_TRUE(WaitForOutput(run, text, kWait, mark))
        << "waiting for: " << text << "\n" << run.output.substr(mark);
    mark = run.output.find(text, mark) + text.size();
    SendKeys(run, keys);
  }

  // Still running, with output the caller has not taken in.
  static bool StillStalled(DoorRun& run) {
    int status = 0;
    if (waitpid(run.pid, &status, WNOHANG) != 0) return false;
    pollfd unread{run.master, POLLIN, 0};
    return poll(&unread, 1, 0) == 1;
  }

  std::string dir_;
  std::deque<DoorRun> runs_;
};

TEST_F(StalledLineE2eTest, OtherNodesJoinPostAndSaveWhileLinesAreStalled) {
  // Node 1 gets his 600 messages at start-up and never reads them.
  DoorRun& news_reader = Call("Stalled Real", 1);
  size_t news_mark = 0;
  Answer(news_reader, news_mark, "Do you want ANSI graphics? [Y/N] ", "n");

  // Node 3 asks for the roster again and again and stops reading.
  DoorRun& lister = Call("Roster Real", 3);
  size_t list_mark = 0;
  Answer(lister, list_mark, "Do you want ANSI graphics? [Y/N] ", "n");
  Answer(lister, list_mark, "[1ST & MAIN]: ", "");
  std::string rosters;
  for (int n = 0; n < 15; ++n) rosters += "ey0\r";
  SendKeys(lister, rosters);
  usleep(1500 * 1000);  // both fill their lines and block

  DoorRun& bob = Call("Bob Real", 2);
  size_t mark = 0;
  Answer(bob, mark, "Do you want ANSI graphics? [Y/N] ", "n");
  Answer(bob, mark, "Would you like to play? [Y/N] ", "y");
  Answer(bob, mark, "Enter your Pimp Name : ", "Bob\r");
  Answer(bob, mark, "for online documentation.", "\r");
  Answer(bob, mark, "[1ST & MAIN]: ", "e");
  Answer(bob, mark, "Show Roster [Y/N] ", "n");
  Answer(bob, mark, "[PIMP ROSTER]: ", "3\r");
  Answer(bob, mark, "Bulletin Board Alias : Filler 1", "");
  Answer(bob, mark, "[1ST & MAIN]: ", "q");
  Answer(bob, mark, "Are you sure you want to quit? [Y/N] ", "y");
  Answer(bob, mark, "[-*-]", "\r");
  EXPECT_EQ(WaitForExit(bob, kWait), 0);
  EXPECT_EQ(bob.output.find("ERROR: Unable to"), std::string::npos) << bob.output;

  EXPECT_TRUE(StillStalled(news_reader)) << "node 1 never blocked on its line";
  EXPECT_TRUE(StillStalled(lister)) << "node 3 never blocked on its line";

  // Node 1 hangs up in the middle of his list: not one message is lost.
  kill(news_reader.pid, SIGHUP);
  WaitForExit(news_reader, kWait);
  std::ifstream in(dir_ + "/kordavin.msg", std::ios::binary);
  const std::string news((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int unread = 0;
  for (size_t at = 0; at + kNewsMessageSize <= news.size(); at += kNewsMessageSize) {
    const NewsMessage message = DecodeNews(reinterpret_cast<const uint8_t*>(news.data() + at));
    if (message.To == "Stalled Real" && message.Line1 != "DELETED") ++unread;
  }
  EXPECT_EQ(unread, kPendingNews);
}

// A caller on a pty who types help requests ahead and never reads again is
// let go about a minute after his last read, however many keys wait, as on a
// socket. The door's clock runs ten times as fast here: its minute is six
// seconds.
TEST_F(StalledLineE2eTest, APtyCallerWhoTypedAheadAndStoppedReadingIsLetGoWithinAMinute) {
  WriteDoorFile(dir_, "fast.door32.sys", Door32For("Roster Real"));
  DoorRun& caller = runs_.emplace_back();
  ASSERT_TRUE(StartDoor(caller, dir_, {dir_ + "/fast.door32.sys", "4"}, std::string(kToday) + " x10"));
  size_t mark = 0;
  Answer(caller, mark, "Do you want ANSI graphics? [Y/N] ", "n");
  Answer(caller, mark, "[1ST & MAIN]: ", std::string(400, '?'));
  const auto last_read = std::chrono::steady_clock::now();
  int status = 0;
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() - last_read < std::chrono::seconds(30)) {
    ended = waitpid(caller.pid, &status, WNOHANG) == caller.pid;
    usleep(10 * 1000);
  }
  const auto took = std::chrono::steady_clock::now() - last_read;
  ASSERT_TRUE(ended && WIFEXITED(status)) << "still blocked in its write";
  caller.exited = true;
  EXPECT_EQ(WEXITSTATUS(status), 1) << "a line that takes nothing is a lost caller";
  EXPECT_GE(took, std::chrono::seconds(5)) << "the door gave up before its minute";
  EXPECT_LT(took, std::chrono::seconds(11)) << "the door waited more than one minute of its clock";
}

}  // namespace
