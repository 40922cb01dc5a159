#include "store/step.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "door/platform.h"
#include "door/posix_platform.h"
#include "store/records_testing.h"

namespace {

constexpr int16_t kNode = 2;

// The files a step can take, in the lock order, as a test makes them.
struct FileCase {
  StepFile which;
  const char* name;
  size_t record_size;
};
constexpr FileCase kFiles[] = {{StepFile::kConfig, kConfigFile, kGameConfigSize},
                               {StepFile::kPlayers, kPlayerFile, kPlayerRecordSize},
                               {StepFile::kNews, kNewsFile, kNewsMessageSize},
                               {StepFile::kPresence, "kordavin.2", kNodeRecordSize}};

// Whether another open file description finds path's records locked.
bool LockedElsewhere(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock probe {};
  probe.l_type = F_RDLCK;
  probe.l_whence = SEEK_SET;
  probe.l_len = kRecordLockSpan;
  const bool locked = fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  close(fd);
  return locked;
}

bool HangupsHeld() {
  sigset_t mask;
  sigprocmask(SIG_BLOCK, nullptr, &mask);
  return sigismember(&mask, SIGHUP) == 1;
}

// One zeroed record in each file, so every counter starts at 0.
void WriteStepFiles() {
  for (const FileCase& file : kFiles) {
    WriteRecordsTestFile(file.name, std::string(file.record_size, '\0'));
  }
}

// The counter at the start of a file's first record.
int32_t CounterIn(const char* name) {
  const std::string bytes = ReadRecordsTestFile(name);
  int32_t counter = -1;
  if (bytes.size() >= sizeof counter) std::memcpy(&counter, bytes.data(), sizeof counter);
  return counter;
}

// Adds one to the counter at the start of which's first record.
bool Count(StoreStep& step, StepFile which) {
  std::vector<uint8_t> record(step.File(which).record_size);
  if (!ReadRecordAt(step.File(which), 0, record.data()).ok()) return false;
  int32_t counter = 0;
  std::memcpy(&counter, record.data(), sizeof counter);
  ++counter;
  std::memcpy(record.data(), &counter, sizeof counter);
  return step.Write(which, 0, record.data()).ok();
}

TEST(StoreStepLockOrder, TakesInOrderRefusesAnEarlierFileAndWritesNothingOnRefusal) {
  const std::string dir = MakeRecordsTestDir();
  WriteStepFiles();
  const Platform fake = Host;
  Host = PosixPlatform();
  StoreStep step;
  ASSERT_TRUE(step.Take(StepFile::kPlayers).ok());
  // kordavin.cfg comes first: taken now, it could wait on a node that waits on us.
  EXPECT_EQ(step.Take(StepFile::kConfig).code, kErrBadPosition);
  EXPECT_FALSE(LockedElsewhere(step.PathOf(StepFile::kConfig)));
  ASSERT_TRUE(step.Take(StepFile::kNews).ok());
  // Asking again for a file already passed keeps the lock it holds.
  EXPECT_EQ(step.Take(StepFile::kPlayers).code, kErrBadPosition);
  ASSERT_TRUE(step.Take(StepFile::kPresence, kNode).ok());
  // Locks alone write nothing and hold no hang-ups; the first write does.
  for (const FileCase& file : kFiles) {
    EXPECT_EQ(LockedElsewhere(dir + "/" + file.name), file.which != StepFile::kConfig);
    EXPECT_EQ(CounterIn(file.name), 0);
  }
  EXPECT_FALSE(HangupsHeld());
  ASSERT_TRUE(Count(step, StepFile::kPresence));
  EXPECT_TRUE(HangupsHeld());
  step.End();
  EXPECT_FALSE(HangupsHeld());
  for (const FileCase& file : kFiles) EXPECT_FALSE(LockedElsewhere(dir + "/" + file.name));
  Host = fake;
}

// Two nodes, each in its own process with the real locks, take overlapping
// sets of files as fast as they can: neither is ever refused, and no count
// is lost to the other's write.
TEST(StoreStepLockOrder, TwoProcessesTakingOverlappingSetsNeverDeadlock) {
  MakeRecordsTestDir();
  WriteStepFiles();
  constexpr int kRounds = 40;
  const std::vector<std::vector<StepFile>> sets = {
      {StepFile::kConfig, StepFile::kPlayers, StepFile::kNews},
      {StepFile::kPlayers, StepFile::kNews, StepFile::kPresence}};
  int gate[2];
  ASSERT_EQ(pipe(gate), 0);
  std::vector<pid_t> children;
  for (const std::vector<StepFile>& set : sets) {
    const pid_t pid = fork();
    if (pid == 0) {
      close(gate[1]);
      char go;
      (void)!read(gate[0], &go, 1);
      Host = PosixPlatform();
      for (int round = 0; round < kRounds; ++round) {
        StoreStep step;
        for (StepFile which : set) {
          if (!step.Take(which, kNode).ok()) _exit(1);
        }
        for (StepFile which : set) {
          if (!Count(step, which)) _exit(2);
        }
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  close(gate[0]);
  close(gate[1]);
  for (const pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const int32_t expected[] = {kRounds, 2 * kRounds, 2 * kRounds, kRounds};
  for (const FileCase& file : kFiles) {
    EXPECT_EQ(CounterIn(file.name), expected[static_cast<int>(file.which)]) << file.name;
  }
}

}  // namespace
