#include "door/platform.h"
#include "door/posix_platform.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "door/scratch_testing.h"
#include "door/wake_channel.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Another node's reader, holding a shared lock through its own open file.
int HoldSharedLock(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  EXPECT_EQ(PosixPlatform().LockFile(fd, false), kLockGranted);
  return fd;
}

class PosixLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeScratchDir();
    path_ = dir_ + "/kordavin.ply";
    WriteScratchFile(path_, "");
    fd_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
  }
  void TearDown() override {
    close(fd_);
    std::filesystem::remove_all(dir_);
  }

  std::string dir_, path_;
  int fd_ = -1;
  Platform posix_ = PosixPlatform();
};

// A reader in the middle of a scan finishes it; a save waits for that
// rather than failing at once.
TEST_F(PosixLockTest, AnExclusiveLockWaitsForAReaderToFinish) {
  const int reader = HoldSharedLock(path_);
  std::thread finish([&] {
    usleep(30 * 1000);
    close(reader);
  });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(posix_.LockFile(fd_, true), kLockGranted);
  EXPECT_GE(MsSince(start), 20) << "it had to wait for the reader";
  finish.join();
}

TEST_F(PosixLockTest, AReaderThatStaysIsReportedDeniedAfterATenthOfASecond) {
  const int other = HoldSharedLock(path_);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(posix_.LockFile(fd_, true), kLockDenied);
  const int64_t waited = MsSince(start);
  EXPECT_GE(waited, 90);
  EXPECT_LT(waited, 400);
  EXPECT_EQ(posix_.LockFile(fd_, false), kLockGranted) << "readers share";
  close(other);
}

// Readers that come back again and again, each overlapping the next, never
// leave the file free by themselves; a save must still get its turn.
TEST_F(PosixLockTest, ASaveGetsInAheadOfReadersThatKeepComing) {
  std::atomic<bool> stop{false};
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r) {
    readers.emplace_back([&, r] {
      usleep(static_cast<useconds_t>(r * 1000));
      while (!stop) {
        const int fd = open(path_.c_str(), O_RDWR | O_CLOEXEC);
        if (posix_.LockFile(fd, false) == kLockGranted) usleep(3000);
        close(fd);
      }
    });
  }
  usleep(20 * 1000);
  int granted = 0;
  for (int i = 0; i < 10; ++i) {
    if (posix_.LockFile(fd_, true) == kLockGranted) ++granted;
    struct flock unlock {};
    unlock.l_type = F_UNLCK;
    unlock.l_whence = SEEK_SET;
    fcntl(fd_, F_OFD_SETLK, &unlock);
    usleep(2000);
  }
  stop = true;
  for (std::thread& t : readers) t.join();
  EXPECT_EQ(granted, 10);
}

}  // namespace

// The wake-up channel: a wake reaches its holder, one at a path nobody holds
// (a door killed, or never there) costs the sender nothing, and a session
// that ends removes its channel's name but never a newer session's.
TEST(PosixWakeChannelTest, WakesItsHolderAndCostsNothingWhereNobodyHoldsIt) {
  const std::string dir = MakeScratchDir();
  const std::string path = dir + "/kordavin.w7";
  const Platform posix = PosixPlatform();
  int line[2];
  ASSERT_EQ(pipe(line), 0);  // the caller's line, with no key on it
  ASSERT_TRUE(posix.OpenWakeChannel(path.c_str()));
  posix.Wake(path.c_str());
  posix.Wake(path.c_str());
  bool woken = false;
  EXPECT_EQ(PollLineOrWake(line[0], 1000, woken), 1);
  EXPECT_TRUE(woken);
  EXPECT_EQ(PollLineOrWake(line[0], 0, woken), 0) << "both wake-ups were taken at once";
  ASSERT_EQ(write(line[1], "k", 1), 1);
  posix.Wake(path.c_str());
  EXPECT_EQ(PollLineOrWake(line[0], 0, woken), 2);
  EXPECT_FALSE(woken) << "a key comes before a wake-up";
  close(line[0]);
  close(line[1]);

  // A newer session has made its own channel at the path since.
  ASSERT_EQ(unlink(path.c_str()), 0);
  ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
  posix.CloseWakeChannel();
  ASSERT_TRUE(std::filesystem::exists(path)) << "a newer session's channel stays";
  const auto start = Clock::now();
  posix.Wake(path.c_str());  // left behind: nobody holds it
  posix.Wake((dir + "/kordavin.w8").c_str());  // never made
  WriteScratchFile(dir + "/kordavin.w9", "");
  posix.Wake((dir + "/kordavin.w9").c_str());  // not a channel
  EXPECT_LT(MsSince(start), 50);
  EXPECT_EQ(std::filesystem::file_size(dir + "/kordavin.w9"), 0u);

  ASSERT_TRUE(posix.OpenWakeChannel(path.c_str())) << "a channel left behind is made anew";
  posix.CloseWakeChannel();
  EXPECT_FALSE(std::filesystem::exists(path));
}
