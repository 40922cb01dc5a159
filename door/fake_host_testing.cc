#include "door/fake_host_testing.h"

#include <gtest/gtest.h>

#include <ctime>

#include "door/input.h"
#include "door/output.h"
#include "door/session.h"
#include "store/session_end.h"

FakeHostState Fake;

namespace {

// A session that keeps waiting on an empty queue is a broken test, not a
// reason to hang the test run.
constexpr int kMostReads = 5000000;

int FakeReadByte(int timeout_ms) {
  if (++Fake.reads > kMostReads) throw SessionEnded{-1};
  if (Fake.before_read) Fake.before_read();
  if (!Fake.input.empty()) {
    int byte = Fake.input.front();
    Fake.input.pop_front();
    return byte;
  }
  int64_t wait = timeout_ms > 0 ? timeout_ms : 0;  // a look without waiting takes no time
  // A wake-up now comes before a key still to come.
  const bool key_now = !Fake.timed_input.empty() && Fake.timed_input.front().first <= Fake.now_ms;
  if (Fake.woken && !key_now) {
    Fake.woken = false;
    return kWoken;
  }
  if (!Fake.timed_input.empty()) {
    auto [at_ms, byte] = Fake.timed_input.front();
    if (at_ms <= Fake.now_ms + wait) {
      Fake.timed_input.pop_front();
      if (at_ms > Fake.now_ms) Fake.now_ms = at_ms;
      return byte;
    }
  }
  Fake.now_ms += wait;
  return kNoByte;
}

bool FakeWriteBytes(const char* data, size_t length) {
  if (Fake.line_gone) return false;
  Fake.output.append(data, length);
  return true;
}

void FakeWriteLastBytes(const char* data, size_t length) { FakeWriteBytes(data, length); }

LocalClock ClockPlusMs(LocalClock start, int64_t ms) {
  tm base{};
  base.tm_year = start.Year - 1900;
  base.tm_mon = start.Month - 1;
  base.tm_mday = start.Day;
  base.tm_hour = start.Hour;
  base.tm_min = start.Minute;
  base.tm_sec = start.Second;
  time_t when = timegm(&base) + static_cast<time_t>(ms / 1000);
  tm out{};
  gmtime_r(&when, &out);
  return LocalClock{out.tm_year + 1900, out.tm_mon + 1, out.tm_mday,
                    out.tm_hour,        out.tm_min,     out.tm_sec};
}

LocalClock FakeNowSlot() { return ClockPlusMs(Fake.start, Fake.now_ms); }

int64_t FakeMonotonicMs() { return Fake.now_ms; }

void FakeSleepMs(int ms) {
  Fake.sleeps.push_back(ms);
  if (ms > 0) Fake.now_ms += ms;
}

void FakeSeedRandom(uint32_t) {}

int32_t FakeRandom(int32_t n) {
  Fake.asked.push_back(n);
  if (!Fake.draws.empty()) {
    int32_t draw = Fake.draws.front();
    Fake.draws.pop_front();
    if (draw < 0 || (n > 0 && draw >= n)) {
      ADD_FAILURE() << "scripted draw " << draw << " is outside Random(" << n << ")";
      return 0;
    }
    return draw;
  }
  if (n <= 0) return 0;
  Fake.fallback_state = Fake.fallback_state * 1103515245u + 12345u;
  return static_cast<int32_t>((Fake.fallback_state >> 8) % static_cast<uint32_t>(n));
}

int FakeLockFile(int, bool) {
  ++Fake.lock_calls;
  if (Fake.lock_denials > 0) {
    --Fake.lock_denials;
    return kLockDenied;
  }
  return kLockGranted;
}

void FakeExit(int code) { throw SessionEnded{code}; }

bool FakeOpenCallerHandle(int handle) {
  Fake.opened_handles.push_back(handle);
  return Fake.caller_reachable;
}

bool FakeOpenWakeChannel(const char* path) {
  Fake.wake_channel = Fake.wake_channels_work ? path : "";
  return Fake.wake_channels_work;
}

void FakeCloseWakeChannel() { Fake.wake_channel.clear(); }

void FakeWake(const char* path) {
  Fake.wakes.emplace_back(path);
  if (!Fake.wake_channel.empty() && Fake.wake_channel == path) Fake.woken = true;
}

}  // namespace

void InstallFakeHost(const std::string& program_dir) {
  Host = Platform{FakeReadByte, FakeWriteBytes, FakeNowSlot,  FakeMonotonicMs, FakeSleepMs,
                  FakeSeedRandom, FakeRandom,   FakeLockFile, FakeExit,
                  FakeOpenCallerHandle, FakeWriteLastBytes, FakeOpenWakeChannel,
                  FakeCloseWakeChannel, FakeWake};
  ForgetCurrentLine();
  FlushOutput();  // bytes a previous test left half-written go nowhere
  Fake = FakeHostState{};
  ResetDoorSession();
  ResetKeyboard();
  CurrentColor = 7;
  ForgetCurrentLine();
  DoorSession.Ansi = 1;
  DoorSession.Node = 1;
  DoorSession.ProgramDir =
      program_dir.empty() || program_dir.back() != '/' ? program_dir + "/" : program_dir;
  StartTimer(120);  // a running clock, so waits do not end the session at once
  // The caller is told of a failed file operation as the door program tells him.
  SetStoreRefusalHandler(EndOnStoreRefusal);
}

void QueueKeys(const std::string& text) {
  for (char c : text) Fake.input.push_back(static_cast<uint8_t>(c));
}

void QueueKeyAt(int64_t at_ms, int byte) { Fake.timed_input.emplace_back(at_ms, byte); }

void QueueDraws(std::initializer_list<int32_t> draws) {
  for (int32_t draw : draws) Fake.draws.push_back(draw);
}

std::string TakeOutput() {
  FlushOutput();
  std::string out;
  out.swap(Fake.output);
  return out;
}

LocalClock FakeNow() { return FakeNowSlot(); }

void SetFakeNow(LocalClock when) {
  Fake.start = ClockPlusMs(when, -(Fake.now_ms / 1000) * 1000);
  StartTimer(120);
}
