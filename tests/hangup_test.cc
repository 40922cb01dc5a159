// Every way a caller can vanish in the middle of the game - the input ends,
// the line drops, the BBS sends a hang-up or a terminate, the output goes
// nowhere - ends the door within a second without burning CPU on the way.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>

#include "tests/proof_files.h"
#include "tests/scripted_caller.h"

namespace {

constexpr int kCaller = 1;
constexpr int kWaitMs = 20000;
constexpr int64_t kExitWithinMs = 1000;
constexpr long kMostCpuMs = 100;  // a spinning door burns about a second

// The door on pipes instead of a terminal: its output is read through
// run.master, its input is written to `input`.
struct PipedDoor {
  DoorRun run;
  int input = -1;
};

bool StartPiped(PipedDoor& door, const std::string& dir, const std::string& drop) {
  int to_door[2], from_door[2];
  if (pipe2(to_door, O_CLOEXEC) != 0) return false;
  if (pipe2(from_door, O_CLOEXEC) != 0) return false;
  const pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    dup2(to_door[0], 0);
    dup2(from_door[1], 1);
    dup2(from_door[1], 2);
    if (chdir(dir.c_str()) != 0) _exit(120);
    execl((dir + "/kordavin").c_str(), "kordavin", drop.c_str(), "1", static_cast<char*>(nullptr));
    _exit(121);
  }
  close(to_door[0]);
  close(from_door[1]);
  door.run = DoorRun{};
  door.run.pid = pid;
  door.run.master = from_door[0];
  door.input = to_door[1];
  return true;
}

void SendPiped(PipedDoor& door, const std::string& keys) {
  ASSERT_EQ(write(door.input, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

// Where in the game the caller vanishes.
struct Moment {
  const char* name;
  std::string keys;     // sent at the street prompt to get there
  std::string reached;  // the screen text that shows it is there
  std::string answer;   // a key the door answers with output
};

const Moment kMoments[] = {
    {"at the street prompt", "", "", "?"},
    {"typing a street number", "m1", "Move to Which Street [1-99] : 1", "2"},
    {"in the house price list", "$", "[Q to Quit]", " "},
};

struct HangupForm {
  const char* name;
  bool piped;
  int exit_code;  // a failed write ends at once with 1: nothing can reach the caller
  std::function<void(PipedDoor&, const Moment&)> hang_up;
};

class HangupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeDoorDir();
    std::mt19937 rng(1);
    DoorRun run;
    VisitResult joined = RunVisit(VisitPlan{dir_, kCaller, 1, 0}, rng, run);
    StopDoor(run);
    ASSERT_TRUE(joined.joined && joined.clean_end) << joined.failure << joined.output;
    WriteDoorFile(dir_, "DOOR32.SYS", Door32For(CallerAlias(kCaller)));
  }

  // Starts the returning caller and walks to the moment.
  void Reach(PipedDoor& door, bool piped, const Moment& moment) {
    if (piped) {
      ASSERT_TRUE(StartPiped(door, dir_, "DOOR32.SYS"));
    } else {
      ASSERT_TRUE(StartDoor(door.run, dir_, {dir_ + "/DOOR32.SYS", "1"}));
    }
    auto send = [&](const std::string& keys) {
      if (piped) {
        SendPiped(door, keys);
      } else {
        SendKeys(door.run, keys);
      }
    };
    ASSERT_TRUE(WaitForOutput(door.run, "[Y/N] ", kWaitMs)) << door.run.output;
    send("n");
    ASSERT_TRUE(WaitForOutput(door.run, "& MAIN]: ", kWaitMs)) << door.run.output;
    send(moment.keys);
    if (!moment.reached.empty()) {
      ASSERT_TRUE(WaitForOutput(door.run, moment.reached, kWaitMs)) << door.run.output;
    }
    usleep(50 * 1000);  // let the door settle into its wait
  }

  // Hangs up and measures how long the door takes to end and what CPU it burns.
  void Check(PipedDoor& door, const HangupForm& form, const Moment& moment) {
    const long cpu_before = CpuMs(door.run.pid);
    const auto started = std::chrono::steady_clock::now();
    form.hang_up(door, moment);
    long cpu_total = -1;
    const int code = WaitForExitWithCpu(door.run, kWaitMs, cpu_total);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(code, form.exit_code) << form.name << " " << moment.name << ", status " << door.run.exit_status;
    EXPECT_LT(took, kExitWithinMs) << form.name << " " << moment.name;
    EXPECT_LE(cpu_total - cpu_before, kMostCpuMs) << form.name << " " << moment.name;
    std::printf("hang-up: %-22s %-24s exit %d after %3lld ms, %ld ms CPU\n", form.name, moment.name,
                code, static_cast<long long>(took), cpu_total - cpu_before);
    if (door.input >= 0) close(door.input);
    StopDoor(door.run);
  }

  std::string dir_;
};

void CloseInput(PipedDoor& door, const Moment&) {
  close(door.input);
  door.input = -1;
}

void DropLine(PipedDoor& door, const Moment&) {
  close(door.run.master);
  door.run.master = -1;
}

// The reader is gone; the next thing the door writes meets a broken pipe.
void BreakOutput(PipedDoor& door, const Moment& moment) {
  close(door.run.master);
  door.run.master = -1;
  if (write(door.input, moment.answer.data(), 1) != 1) ADD_FAILURE() << "no key sent";
}

TEST_F(HangupTest, EveryHangupFormEndsTheDoorWithinASecondWithoutSpinning) {
  const HangupForm forms[] = {
      {"end of input", true, 0, CloseInput},
      {"EIO (line dropped)", false, 0, DropLine},
      {"SIGHUP", false, 0, [](PipedDoor& d, const Moment&) { kill(d.run.pid, SIGHUP); }},
      {"SIGTERM", false, 0, [](PipedDoor& d, const Moment&) { kill(d.run.pid, SIGTERM); }},
      {"EPIPE on write", true, 1, BreakOutput},
  };
  for (const HangupForm& form : forms) {
    for (const Moment& moment : kMoments) {
      PipedDoor door;
      Reach(door, form.piped, moment);
      if (HasFatalFailure()) return;
      Check(door, form, moment);
    }
  }
}

// A caller whose connection stalls stops reading: the door's writes block
// once the terminal's buffer is full. The BBS's hang-up must still end it.
TEST_F(HangupTest, AHangupEndsADoorBlockedWritingToAStalledCaller) {
  for (int signal : {SIGHUP, SIGTERM}) {
    PipedDoor door;
    Reach(door, false, kMoments[0]);
    if (HasFatalFailure()) return;
    SendKeys(door.run, std::string(300, '?'));  // about 300 KB of help screens, never read
    usleep(300 * 1000);
#if defined(__x86_64__)
    std::ifstream syscall("/proc/" + std::to_string(door.run.pid) + "/syscall");
    std::string number;
    syscall >> number;
    EXPECT_EQ(number, "1") << "the door is blocked in write()";
#endif
    const HangupForm form{signal == SIGHUP ? "SIGHUP, output stalled" : "SIGTERM, output stalled",
                          false, 0, [signal](PipedDoor& d, const Moment&) { kill(d.run.pid, signal); }};
    Check(door, form, kMoments[0]);
  }
}

}  // namespace
