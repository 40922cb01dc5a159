// The door's only ways out to the operating system: the caller's terminal or
// socket, the clock, sleep, randomness, file locks, the wake-up channels
// between doors and process exit. Production code calls
// these through `Host`; tests replace the pointers with fakes (queued keys,
// captured bytes, a ticking clock, scripted draws, denied locks).
#pragma once

#include <cstddef>
#include <cstdint>

// Local calendar date and time of day.
struct LocalClock {
  int Year;    // e.g. 2026
  int Month;   // 1..12
  int Day;     // 1..31
  int Hour;    // 0..23
  int Minute;  // 0..59
  int Second;  // 0..59
};

// ReadByte results other than a byte 0..255.
constexpr int kNoByte = -1;  // nothing arrived before the timeout
constexpr int kHungUp = -2;  // end of input or a read error: the caller is gone
constexpr int kWoken = -3;   // no byte waited, but another door woke this one

// Lock results; the values are the I/O codes the record files report.
constexpr int kLockGranted = 0;
constexpr int kLockDenied = 5;

// LockFile locks a record file as the bytes before kRecordLockSpan, with a
// turnstile byte at kRecordLockSpan. A session holds kLivenessByte of its
// presence file for its whole life, past both, so that no record lock ever
// meets it and the kernel lets go of it when the process dies.
constexpr int64_t kRecordLockSpan = int64_t{1} << 40;
constexpr int64_t kLivenessByte = kRecordLockSpan + 1;

struct Platform {
  // Waits at most timeout_ms (0 = just look) for one byte from the caller.
  int (*ReadByte)(int timeout_ms);
  // Sends every byte, or returns false when the caller can no longer be reached.
  bool (*WriteBytes)(const char* data, size_t length);
  // The local date and time of day.
  LocalClock (*Now)();
  // Milliseconds on a clock that never jumps; used for waits, not for dates.
  int64_t (*MonotonicMs)();
  // Sleeps for the given milliseconds.
  void (*SleepMs)(int ms);
  // Seeds the game's single random generator.
  void (*SeedRandom)(uint32_t seed);
  // A uniform integer 0..n-1 (0 when n <= 0).
  int32_t (*Random)(int32_t n);
  // Takes an open-file-description lock on the whole file, shared or
  // exclusive, waiting at most a tenth of a second for other nodes to let go.
  // kLockGranted, kLockDenied, or another I/O code.
  int (*LockFile)(int fd, bool exclusive);
  // Ends the process. The POSIX default never returns; test fakes may throw.
  void (*Exit)(int code);
  // Takes the telnet socket a BBS hands over by descriptor as the caller's
  // connection, so ReadByte and WriteBytes go through it; when the handle is
  // no caller's socket, standard I/O stays. False when neither reaches a
  // caller.
  bool (*OpenCallerHandle)(int handle);
  // Sends what the caller's line takes at once and drops the rest, never
  // waiting: the last bytes of a session whose caller has gone.
  void (*WriteLastBytes)(const char* data, size_t length);
  // Makes a new channel at path (in place of whatever the path held) that
  // other processes wake this one through; ReadByte watches it beside the
  // caller's line from then on and answers kWoken when it was woken. False
  // when the file system can make none.
  bool (*OpenWakeChannel)(const char* path);
  // Closes this process's channel and removes its name, unless a newer
  // session has made its own at the path since.
  void (*CloseWakeChannel)();
  // Wakes the process whose channel is at path, never waiting: no file, a
  // channel nobody holds any more or anything else at the path costs a
  // failed open and nothing more.
  void (*Wake)(const char* path);
};

// The process-wide platform; starts as the POSIX implementation
// (door/posix_platform.h).
extern Platform Host;

// Random(n) as the game's rules state it: a uniform integer 0..n-1.
int32_t Random(int32_t n);
