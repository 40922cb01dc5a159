// A fake Host for in-process tests: queued key bytes, captured output, a clock
// that ticks only when the program waits or sleeps, scripted random draws and
// locks that can be denied, and a wake-up channel. Exit throws SessionEnded so a test can see the end.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "door/platform.h"

struct SessionEnded {
  int code;
};

struct FakeHostState {
  std::deque<int> input;          // bytes for ReadByte; kHungUp ends the session
  std::deque<std::pair<int64_t, int>> timed_input;  // (ms, byte): arrives at that time
  std::string output;             // every byte written
  int64_t now_ms = 0;             // milliseconds since the start clock
  LocalClock start{2026, 12, 8, 14, 0, 0};  // local time at now_ms = 0
  std::deque<int32_t> draws;      // scripted Random results, used first
  std::vector<int32_t> asked;     // the n of every Random(n) call, in order
  uint32_t fallback_state = 1;    // deterministic generator once draws run out
  int lock_denials = 0;           // the next this many LockFile calls are denied
  int lock_calls = 0;             // LockFile calls made
  std::vector<int> sleeps;        // every SleepMs argument
  int reads = 0;                  // ReadByte calls made
  bool line_gone = false;         // WriteBytes fails, as on a dropped line
  // Runs at every ReadByte, before a byte is taken: what another node does
  // while this caller looks at his screen.
  std::function<void()> before_read;
  bool caller_reachable = true;   // what OpenCallerHandle answers
  std::vector<int> opened_handles;  // every OpenCallerHandle argument
  bool wake_channels_work = false;  // what OpenWakeChannel answers; off: the door looks each second
  std::string wake_channel;       // the path of the channel this session holds, empty for none
  bool woken = false;             // a wake-up waits for ReadByte
  std::vector<std::string> wakes; // every Wake path, in order
};

extern FakeHostState Fake;

// Replaces Host with the fake, resets DoorSession (Ansi 1, node 1, ProgramDir =
// dir with a trailing "/"), CurrentColor and the keyboard, and clears Fake.
void InstallFakeHost(const std::string& program_dir = "/tmp/");

// Queues the bytes of text as keys.
void QueueKeys(const std::string& text);

// Queues one byte that arrives when the fake clock reaches at_ms.
void QueueKeyAt(int64_t at_ms, int byte);

// Queues scripted random draws.
void QueueDraws(std::initializer_list<int32_t> draws);

// Returns the output captured so far and clears it.
std::string TakeOutput();

// The fake local time now.
LocalClock FakeNow();

// Sets the fake local date and time (the monotonic clock runs on) and
// restarts the session clock with 120 minutes from then.
void SetFakeNow(LocalClock when);
