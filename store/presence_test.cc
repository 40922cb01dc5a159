#include "store/presence.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "door/fake_host_testing.h"
#include "door/platform.h"
#include "door/posix_platform.h"
#include "door/session.h"
#include "store/files.h"
#include "store/records_testing.h"
#include "store/state.h"

namespace {

bool FileIsLive(const std::string& name) {
  const int fd = open((DoorSession.ProgramDir + name).c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool live = PresenceIsLive(fd);
  close(fd);
  return live;
}

// A session of another process: it writes its presence for the node as the
// door does, holds it, and waits to be ended. One that ignores SIGTERM
// stands for a door hung where the signal cannot reach it.
pid_t StartOtherSession(int node, const std::string& name, int16_t number, bool ignores_term) {
  const std::string path = DoorSession.ProgramDir + NodeFileName(node);
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t child = fork();
  if (child != 0) {
    close(ready[1]);
    char byte = 0;
    if (read(ready[0], &byte, 1) != 1) ADD_FAILURE() << "the other session did not start";
    close(ready[0]);
    return child;
  }
  if (ignores_term) signal(SIGTERM, SIG_IGN);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT, 0666);
  NodePresence presence{NodeRecord{name, 0, ""}, static_cast<uint32_t>(getpid()), number};
  const NodeFileBytes block = EncodePresence(presence);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_start = static_cast<off_t>(kLivenessByte);
  lock.l_len = 1;
  if (pwrite(fd, block.data(), block.size(), 0) != static_cast<ssize_t>(block.size()) ||
      fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    _exit(3);
  }
  if (write(ready[1], "r", 1) != 1) _exit(4);
  for (;;) pause();
}

int EndingSignal(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFSIGNALED(status)) return 0;
  return WTERMSIG(status);
}

class PresenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeRecordsTestDir();
    // Older sessions are given real time to go.
    Host.SleepMs = PosixPlatform().SleepMs;
    DoorSession.Node = 2;
    GameSession.Player.Name = "Slick";
    GameSession.PlayerNumber = 4;
  }
};

TEST_F(PresenceTest, HoldsNameProcessAndPlayerInOneLiveBlockUntilErased) {
  DoorSession.Node = 12;
  WriteRecordsTestFile("kordavin.12", std::string(300, 'x'));  // left by a dropped caller
  EXPECT_FALSE(FileIsLive("kordavin.12"));
  WriteNodeRecord(0, "");
  const std::string bytes = ReadRecordsTestFile("kordavin.12");
  ASSERT_EQ(bytes.size(), kNodeFileSize);
  EXPECT_EQ(bytes.substr(0, kNodeRecordSize), RecordsTestBytes(EncodeNode(NodeRecord{"Slick", 0, ""})));
  const uint32_t pid = static_cast<uint32_t>(getpid());
  const std::string spare = {static_cast<char>(pid & 0xFF), static_cast<char>((pid >> 8) & 0xFF),
                             static_cast<char>((pid >> 16) & 0xFF), static_cast<char>(pid >> 24),
                             4, 0};
  EXPECT_EQ(bytes.substr(kNodeRecordSize), spare + std::string(10, '\0'));
  EXPECT_TRUE(FileIsLive("kordavin.12"));

  EraseNodeRecord();
  EXPECT_FALSE(RecordsTestFileExists("kordavin.12"));
  EraseNodeRecord();  // already gone: nothing to report
  EXPECT_EQ(TakeOutput(), "");
}

TEST_F(PresenceTest, OrphanOnThisNodeAndSamePlayerElsewhereAreEndedOthersLeftAlone) {
  const pid_t orphan = StartOtherSession(2, "Someone", 9, false);
  const pid_t same_player = StartOtherSession(3, "Slick", 4, false);
  const pid_t same_name_other_player = StartOtherSession(5, "Slick", 7, false);
  const pid_t stranger = StartOtherSession(6, "Big Al", 4, false);
  EXPECT_TRUE(FileIsLive("kordavin.2"));

  EndOlderSessions("Slick", 4);
  EXPECT_EQ(EndingSignal(orphan), SIGTERM);
  EXPECT_EQ(EndingSignal(same_player), SIGTERM);
  EXPECT_FALSE(FileIsLive("kordavin.2"));
  EXPECT_FALSE(FileIsLive("kordavin.3"));
  EXPECT_TRUE(FileIsLive("kordavin.5"));
  EXPECT_TRUE(FileIsLive("kordavin.6"));

  kill(same_name_other_player, SIGKILL);
  kill(stranger, SIGKILL);
  EXPECT_EQ(EndingSignal(same_name_other_player), SIGKILL);
  EXPECT_EQ(EndingSignal(stranger), SIGKILL);
  EXPECT_FALSE(FileIsLive("kordavin.5")) << "the kernel let go of a killed session's lock";
}

TEST_F(PresenceTest, ASessionThatIgnoresTheEndIsKilled) {
  const pid_t stuck = StartOtherSession(2, "Slick", 4, true);
  EndOlderSessions("Slick", 4);
  EXPECT_EQ(EndingSignal(stuck), SIGKILL);
  EXPECT_FALSE(FileIsLive("kordavin.2"));
}

// A presence file no session holds names nobody, whatever pid it carries:
// nothing is signalled on its word.
TEST_F(PresenceTest, AFileLeftBehindEndsNothing) {
  const pid_t bystander = StartOtherSession(7, "Other", 1, false);
  NodePresence left{NodeRecord{"Slick", 0, ""}, static_cast<uint32_t>(bystander), 4};
  const NodeFileBytes block = EncodePresence(left);
  WriteRecordsTestFile("kordavin.3", RecordsTestBytes(block));
  WriteRecordsTestFile("kordavin.2", RecordsTestBytes(block));
  EndOlderSessions("Slick", 4);
  EXPECT_EQ(waitpid(bystander, nullptr, WNOHANG), 0) << "a stranger's process was ended";
  kill(bystander, SIGKILL);
  EXPECT_EQ(EndingSignal(bystander), SIGKILL);
}

}  // namespace
