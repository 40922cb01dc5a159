#include "door/platform.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "door/scratch_testing.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Another node's reader, holding a shared lock through its own open file.
int HoldSharedLock(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  EXPECT_EQ(fcntl(fd, F_OFD_SETLK, &lock), 0);
  return fd;
}

class PosixLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeDoorScratchDir();
    path_ = dir_ + "/kordavin.ply";
    WriteDoorScratchFile(path_, "");
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

// Readers on other nodes overlap one another for a while (one takes over
// before the last lets go); a save must wait them out, not fail at once.
TEST_F(PosixLockTest, AnExclusiveLockWaitsOutReadersThatOverlapForAWhile) {
  int first = HoldSharedLock(path_);
  std::thread readers([&] {
    for (int i = 0; i < 6; ++i) {  // always one holder, handing over every 5 ms
      usleep(5000);
      int next = HoldSharedLock(path_);
      close(first);
      first = next;
    }
    close(first);
  });
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(posix_.LockFile(fd_, true), kLockGranted);
  EXPECT_GE(MsSince(start), 20) << "it had to wait for the readers";
  readers.join();
}

TEST_F(PosixLockTest, AReaderThatStaysIsReportedDeniedAfterATenthOfASecond) {
  const int other = HoldSharedLock(path_);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(posix_.LockFile(fd_, true), kLockDenied);
  const int64_t waited = MsSince(start);
  EXPECT_GE(waited, 100);
  EXPECT_LT(waited, 400);
  EXPECT_EQ(posix_.LockFile(fd_, false), kLockGranted) << "readers share";
  close(other);
}

}  // namespace
