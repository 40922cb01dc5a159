#include "door/platform.h"
#include "door/posix_platform.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "door/scratch_testing.h"

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
