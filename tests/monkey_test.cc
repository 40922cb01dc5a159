// A key monkey: callers of the real program who type nothing but noise -
// random bytes, escape-sequence fragments, NULs, DELs, huge numbers, overlong
// lines - for thousands of keys, then hang up. Whatever they send, the door
// must not crash, spin, leave a record out of range, or outlive the hang-up
// by more than a second.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "door/e2e_testing.h"
#include "store/validate.h"

namespace {

const char* kToday = "2026-12-08 14:00:00";
constexpr int kStartWaitMs = 20000;
// An idle door waits in poll; anything near a whole core is a spin.
constexpr long kMostIdleCpuMs = 500;
constexpr int kIdleWatchMs = 2000;
constexpr int kHangUpExitMs = 1000;

// CI sizes; KORDAVIN_MONKEY_KEYS and KORDAVIN_MONKEY_CALLERS ask for more.
constexpr int kKeysPerCaller = 6000;
constexpr int kCallers = 12;

int EnvOr(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// One burst of noise. The letters are weighted up so the monkey gets past the
// first prompts into the menus, the casino and the selection prompts.
std::string AnyNoise(std::mt19937& random) {
  static const char* kFragments[] = {
      "\x1b",          "\x1b[",        "\x1bO",          "\x1b[A",     "\x1b[D",
      "\x1bOB",        "\x1b[5~",      "\x1b[3~",        "\x1b[1;5C",  "\x1b[?25h",
      "\x1b[99999999999999999999~",    "\x1b[;;;;;;;;;;;;;;;;;;;;;;;;m", "\x1b\x1b\x1b",
      "\r",            "\n",           "\r\n",           "\n\r",       "\b",
      "\x7f",          " ",            "\x03",           "\x1a",       "\x11\x13",
  };
  static const char* kNumbers[] = {
      "99999999999999999999\r", "2147483647\r", "2147483648\r", "-2147483648\r",
      "-2147483649\r",          "4294967296\r", "0\r",          "-1\r",
      "--5\r",                  "5-\r",         "1\r",          "99\r",
  };
  static const std::string kLetters = "abcdefghijklmnoprstuvwxyzABCDEFGHIJKLMNOPRSTUVWXYZ0123456789?";
  switch (random() % 16) {
    case 0:
    case 1: {
      std::string bytes;
      for (unsigned n = random() % 8 + 1; n > 0; --n) bytes += static_cast<char>(random() % 256);
      return bytes;
    }
    case 2:
      return std::string(1, '\0') + static_cast<char>(random() % 256);
    case 3:
    case 4:
      return kFragments[random() % std::size(kFragments)];
    case 5:
      return kNumbers[random() % std::size(kNumbers)];
    case 6:
      if (random() % 8 == 0) return std::string(256 + random() % 256, static_cast<char>('A' + random() % 26)) + "\r";
      return std::string(1 + random() % 30, '9') + "\r";
    default:
      return std::string(1, kLetters[random() % kLetters.size()]);
  }
}

// Quitting is left out, so that a caller takes his whole budget of keys; the
// game still ends some sessions itself (a refused join, the day spent).
std::string Noise(std::mt19937& random) {
  std::string burst = AnyNoise(random);
  for (char& c : burst) {
    if (c == 'q' || c == 'Q') c = 'x';
  }
  return burst;
}

// Writes the bytes while reading whatever the door sends, so neither side can
// block the other on a full pty. False once the door has gone.
bool Feed(DoorRun& run, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    pollfd watch{run.master, POLLIN | POLLOUT, 0};
    if (poll(&watch, 1, 1000) < 0) return false;
    if (watch.revents & POLLIN) {
      char buffer[4096];
      ssize_t got = read(run.master, buffer, sizeof buffer);
      if (got <= 0) return false;
      run.output.append(buffer, static_cast<size_t>(got));
      if (run.output.size() > (1u << 20)) run.output.erase(0, run.output.size() - 65536);
    } else if (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) {
      return false;
    } else if (watch.revents & POLLOUT) {
      ssize_t put = write(run.master, bytes.data() + sent, bytes.size() - sent);
      if (put <= 0) return false;
      sent += static_cast<size_t>(put);
    }
  }
  return true;
}

// Reads until the door has been silent for quiet_ms; false once it has gone.
bool WaitForQuiet(DoorRun& run, int quiet_ms, int limit_ms) {
  const int64_t limit = NowMs() + limit_ms;
  int64_t last = NowMs();
  while (NowMs() - last < quiet_ms && NowMs() < limit) {
    const size_t before = run.output.size();
    if (!WaitForOutput(run, "\x01\x02never sent", 50, run.output.size())) {
      WaitForExit(run, 0);
      if (run.exited) return false;
    }
    if (run.output.size() != before) last = NowMs();
  }
  return true;
}

// Reads for ms while sending nothing; false once the door has gone.
bool Linger(DoorRun& run, int ms) {
  WaitForOutput(run, "\x01\x02never sent", ms, run.output.size());
  WaitForExit(run, 0);
  return !run.exited;
}

bool HasSanitizerReport(const std::string& output) {
  return output.find("runtime error") != std::string::npos ||
         output.find("Sanitizer") != std::string::npos;
}

struct MonkeyTotals {
  int callers = 0;
  long keys = 0;
  int ended_by_themselves = 0;
  int hung_up = 0;
};

// Half the callers join as a player would before the noise starts, so the
// noise reaches the menus, the casino and the rival prompts; the other half
// are noise from the ANSI question on.
void JoinProperly(DoorRun& run) {
  SendKeys(run, "n");
  ASSERT_TRUE(WaitForOutput(run, "Would you like to play? [Y/N] ", kStartWaitMs)) << run.output;
  SendKeys(run, "y");
  ASSERT_TRUE(WaitForOutput(run, "Enter your Pimp Name : ", kStartWaitMs)) << run.output;
  SendKeys(run, "Monkey Business\r");
  ASSERT_TRUE(WaitForOutput(run, "for online documentation.", kStartWaitMs)) << run.output;
  SendKeys(run, "\r");
  ASSERT_TRUE(WaitForOutput(run, "[1ST & MAIN]: ", kStartWaitMs)) << run.output;
}

// A door waiting for a key uses next to no CPU, and the caller's hang-up
// (the pty master closed: SIGHUP and EIO) ends it with code 0 at once.
void CheckIdleAndHangUp(DoorRun& run) {
  const long before = CpuMs(run.pid);
  WaitForOutput(run, "\x01\x02never sent", kIdleWatchMs, run.output.size());
  const long idle = CpuMs(run.pid) - before;
  EXPECT_LT(idle, kMostIdleCpuMs) << "the door used CPU while waiting for a key";
  EXPECT_FALSE(HasSanitizerReport(run.output)) << run.output;
  close(run.master);
  run.master = -1;
  const int64_t hung_up_at = NowMs();
  const int code = WaitForExit(run, kHangUpExitMs + 200);
  const int64_t took = NowMs() - hung_up_at;
  EXPECT_EQ(code, 0) << "the door did not end with code 0 after the hang-up";
  EXPECT_LE(took, kHangUpExitMs) << "the door outlived the hang-up";
}

std::string LastOf(const std::string& output) {
  return output.substr(output.size() > 2000 ? output.size() - 2000 : 0);
}

struct MonkeyCaller {
  int number = 0;
  DoorRun run;
  bool started = false;
};

// Doors are started from the test's main thread only, before the other
// caller's thread runs: a fork while another thread holds the allocator's
// lock would leave the child stuck before it ever ran the door.
void StartMonkey(const std::string& dir, MonkeyCaller& caller) {
  const std::string drop = "monkey" + std::to_string(caller.number) + ".door32.sys";
  WriteDoorFile(dir, drop, Door32For("Monkey " + std::to_string(caller.number)));
  const std::string node = std::to_string(1 + caller.number % 5);
  ASSERT_TRUE(StartDoor(caller.run, dir, {dir + "/" + drop, node}, kToday));
  ASSERT_TRUE(WaitForOutput(caller.run, "Do you want ANSI graphics? [Y/N] ", kStartWaitMs))
      << caller.run.output;
  caller.started = true;
}

// One caller: noise until the budget is spent or the game ends the session
// itself (a refused join, the day spent), then the hang-up.
void PlayCaller(MonkeyCaller& caller, int keys, MonkeyTotals& totals) {
  if (!caller.started) return;
  const unsigned seed = 1000u + static_cast<unsigned>(caller.number);
  SCOPED_TRACE("caller " + std::to_string(caller.number) + ", seed " + std::to_string(seed));
  DoorRun& run = caller.run;
  if (caller.number % 2 == 0) JoinProperly(run);
  std::mt19937 random(seed);
  long sent = 0;
  bool alive = true;
  while (alive && sent < keys) {
    const std::string burst = Noise(random);
    alive = Feed(run, burst);
    if (alive) sent += static_cast<long>(burst.size());
    // A lone ESC becomes a key only when nothing follows it for a moment.
    if (alive && burst == "\x1b" && random() % 2 == 0) alive = Linger(run, 150);
  }
  totals.keys += sent;
  ++totals.callers;
  if (alive) alive = WaitForQuiet(run, 500, 30000);
  if (alive) {
    CheckIdleAndHangUp(run);
    ++totals.hung_up;
  } else {
    EXPECT_EQ(WaitForExit(run, 5000), 0) << "the door ended without exit code 0 (wait status "
                                         << run.exit_status << "):\n" << LastOf(run.output);
    ++totals.ended_by_themselves;
  }
  EXPECT_FALSE(HasSanitizerReport(run.output)) << LastOf(run.output);
}

class KeyMonkey : public RealDoorTest {};

// Callers come two at a time, on different nodes, so one can see, examine
// and page the other while both type noise.
TEST_F(KeyMonkey, NoiseNeverCrashesSpinsOrDamagesRecordsAndHangUpEndsTheDoor) {
  const int callers = EnvOr("KORDAVIN_MONKEY_CALLERS", kCallers);
  const int keys = EnvOr("KORDAVIN_MONKEY_KEYS", kKeysPerCaller);
  MonkeyTotals first, second;
  const int64_t started = NowMs();
  for (int number = 1; number <= callers; number += 2) {
    MonkeyCaller one, two;
    one.number = number;
    two.number = number + 1;
    StartMonkey(dir_, one);
    if (two.number <= callers) StartMonkey(dir_, two);
    std::thread other;
    if (two.started) other = std::thread(PlayCaller, std::ref(two), keys, std::ref(second));
    PlayCaller(one, keys, first);
    if (other.joinable()) other.join();
    StopDoor(one.run);
    StopDoor(two.run);
    for (const DataProblem& problem : FindDataProblems(dir_)) {
      ADD_FAILURE() << "after caller " << number << ": " << problem.file << " record "
                    << problem.record << ": " << problem.what;
    }
  }
  MonkeyTotals all{first.callers + second.callers, first.keys + second.keys,
                   first.ended_by_themselves + second.ended_by_themselves,
                   first.hung_up + second.hung_up};
  std::cout << "key monkey: " << all.callers << " callers, " << all.keys << " keys sent, "
            << all.hung_up << " hung up, " << all.ended_by_themselves << " ended by the game, "
            << (NowMs() - started) / 1000 << " s\n";
  RecordProperty("monkey_keys", static_cast<int>(all.keys));
  EXPECT_EQ(all.callers, callers);
}

}  // namespace
