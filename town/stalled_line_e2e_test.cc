// Callers whose lines take nothing in (a stalled modem, a frozen client) while
// the door has a long roster or a long list of news for them: another node
// joins, posts news and saves all the same.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>

#include "door/e2e_testing.h"
#include "store/records.h"
#include "store/records_testing.h"

namespace {

constexpr int kWait = 15000;
constexpr int kFillers = 150;
constexpr int kPendingNews = 600;

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
  std::vector<PlayerRecord> players{Player("Stalled", "Stalled Real"), Player("Lister", "Roster Real")};
  for (int n = 1; n <= kFillers; ++n) {
    players.push_back(Player(FillerName(n), "Filler " + std::to_string(n)));
  }
  return PlayerFileBytes(players);
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

class StalledLineE2eTest : public RealDoorTest {
 protected:
  void SetUp() override {
    wait_ms_ = kWait;
    RealDoorTest::SetUp();
    if (IsSkipped()) return;
    WriteDoorFile(dir_, "kordavin.ply", PlayerFile());
    WriteDoorFile(dir_, "kordavin.msg", NewsFile());
    WriteDoorFile(dir_, "kordavin.cfg", std::string(kGameConfigFileSize, '\0'));
  }

  // Still running, with output the caller has not taken in.
  static bool StillStalled(DoorRun& run) {
    int status = 0;
    if (waitpid(run.pid, &status, WNOHANG) != 0) return false;
    pollfd unread{run.master, POLLIN, 0};
    return poll(&unread, 1, 0) == 1;
  }
};

TEST_F(StalledLineE2eTest, OtherNodesJoinPostAndSaveWhileLinesAreStalled) {
  // Node 1 gets his 600 messages at start-up and never reads them.
  DoorRun& news_reader = StartCaller("Stalled Real", 1);
  size_t news_mark = 0;
  AnswerAfter(news_reader, news_mark, "Do you want ANSI graphics? [Y/N] ", "n");

  // Node 3 asks for the roster again and again and stops reading.
  DoorRun& lister = StartCaller("Roster Real", 3);
  size_t list_mark = 0;
  AnswerAfter(lister, list_mark, "Do you want ANSI graphics? [Y/N] ", "n");
  AnswerAfter(lister, list_mark, "[1ST & MAIN]: ", "");
  std::string rosters;
  for (int n = 0; n < 15; ++n) rosters += "ey0\r";
  SendKeys(lister, rosters);
  usleep(1500 * 1000);  // both fill their lines and block

  DoorRun& bob = StartCaller("Bob Real", 2);
  size_t mark = 0;
  AnswerAfter(bob, mark, "Do you want ANSI graphics? [Y/N] ", "n");
  AnswerAfter(bob, mark, "Would you like to play? [Y/N] ", "y");
  AnswerAfter(bob, mark, "Enter your Pimp Name : ", "Bob\r");
  AnswerAfter(bob, mark, "for online documentation.", "\r");
  AnswerAfter(bob, mark, "[1ST & MAIN]: ", "e");
  AnswerAfter(bob, mark, "Show Roster [Y/N] ", "n");
  AnswerAfter(bob, mark, "[PIMP ROSTER]: ", "3\r");
  AnswerAfter(bob, mark, "Bulletin Board Alias : Filler 1", "");
  AnswerAfter(bob, mark, "[1ST & MAIN]: ", "q");
  AnswerAfter(bob, mark, "Are you sure you want to quit? [Y/N] ", "y");
  AnswerAfter(bob, mark, "[-*-]", "\r");
  EXPECT_EQ(WaitForExit(bob, kWait), 0);
  EXPECT_EQ(bob.output.find("ERROR: Unable to"), std::string::npos) << bob.output;

  EXPECT_TRUE(StillStalled(news_reader)) << "node 1 never blocked on its line";
  EXPECT_TRUE(StillStalled(lister)) << "node 3 never blocked on its line";

  // Node 1 hangs up in the middle of his list: not one message is lost.
  kill(news_reader.pid, SIGHUP);
  WaitForExit(news_reader, kWait);
  int unread = 0;
  for (const NewsMessage& message : ReadNewsFile(dir_)) {
    unread += message.To == "Stalled Real" && message.Line1 != "DELETED";
  }
  EXPECT_EQ(unread, kPendingNews);
}

// A caller on a pty who types help requests ahead and never reads again is
// let go about a minute after his last read, however many keys wait, as on a
// socket. The door's clock runs ten times as fast here: its minute is six
// seconds.
TEST_F(StalledLineE2eTest, APtyCallerWhoTypedAheadAndStoppedReadingIsLetGoWithinAMinute) {
  DoorRun& caller = StartCaller("Roster Real", 4, std::string(kE2eToday) + " x10");
  size_t mark = 0;
  AnswerAfter(caller, mark, "Do you want ANSI graphics? [Y/N] ", "n");
  AnswerAfter(caller, mark, "[1ST & MAIN]: ", std::string(400, '?'));
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
