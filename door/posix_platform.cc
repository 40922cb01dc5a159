#include "door/posix_platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include "door/patient_send.h"
#include "door/socket_link.h"
#include "door/terminal.h"
#include "door/wake_channel.h"

namespace {

// Bytes already read from stdin but not yet handed out; a paste or an escape
// sequence arrives in one read.
unsigned char input_buffer[256];
ssize_t input_length = 0;
ssize_t input_next = 0;

std::mt19937 generator{1};

int PosixReadByte(int timeout_ms) {
  if (input_next < input_length) return input_buffer[input_next++];
  EnterRawMode();
  // A caller who has stopped reading is gone, whatever keys he typed ahead.
  if (LineHasStalled()) return kHungUp;
  bool woken = false;
  int ready = PollLineOrWake(STDIN_FILENO, KeyWaitMs(timeout_ms < 0 ? 0 : timeout_ms), woken);
  if (ready == 0) return LineHasStalled() ? kHungUp : kNoByte;
  if (ready < 0) return errno == EINTR ? kNoByte : kHungUp;
  if (woken) return kWoken;
  ssize_t got = read(STDIN_FILENO, input_buffer, sizeof input_buffer);
  if (got > 0) {
    input_length = got;
    input_next = 1;
    return input_buffer[0];
  }
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return kNoByte;
  return kHungUp;  // end of input, or EIO once the pty has closed
}

// Standard output's open file description may be the BBS's too, so it is
// never switched to non-blocking. A write to a terminal or a pipe blocks as
// ever, but a timer breaks it off every second, so that its patience is
// looked at; a socket is sent to one non-blocking call at a time.
int stdout_fd = -1;
TrySend stdout_send = nullptr;
timer_t write_timer{};
bool write_timer_armed = false;

// Only with the door's own SIGALRM handler in place: the signal's default
// would end the process.
bool AlarmIsHandled() {
  struct sigaction current {};
  return sigaction(SIGALRM, nullptr, &current) == 0 && current.sa_handler != SIG_DFL &&
         current.sa_handler != SIG_IGN;
}

ssize_t WriteWithinASecond(int fd, const char* data, size_t length) {
  if (!write_timer_armed) return write(fd, data, length);
  itimerspec wake{};
  wake.it_value.tv_sec = 1;
  timer_settime(write_timer, 0, &wake, nullptr);
  const ssize_t sent = write(fd, data, length);
  const itimerspec off{};
  timer_settime(write_timer, 0, &off, nullptr);
  return sent;
}

void OpenStandardOutput() {
  stdout_fd = STDOUT_FILENO;
  stdout_send = WriteWithinASecond;
  struct stat info {};
  if (fstat(STDOUT_FILENO, &info) == 0 && S_ISSOCK(info.st_mode)) {
    stdout_send = SendToSocketNow;
    return;
  }
  sigevent alarm_me{};
  alarm_me.sigev_notify = SIGEV_SIGNAL;
  alarm_me.sigev_signo = SIGALRM;
  write_timer_armed =
      AlarmIsHandled() && timer_create(CLOCK_MONOTONIC, &alarm_me, &write_timer) == 0;
}

bool PosixWriteBytes(const char* data, size_t length) {
  EnterRawMode();
  if (stdout_send == nullptr) OpenStandardOutput();
  return SendPatiently(stdout_fd, data, length, stdout_send);
}

// A 32-bit clock runs out in January 2038 and would send every player back
// to 1901; 32-bit ARM builds must ask for the 64-bit one.
static_assert(sizeof(time_t) >= 8, "build with -D_TIME_BITS=64 -D_FILE_OFFSET_BITS=64");

LocalClock PosixNow() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return LocalClock{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,      local.tm_sec};
}

int64_t PosixMonotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void PosixSleepMs(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void PosixSeedRandom(uint32_t seed) { generator.seed(seed); }

int32_t PosixRandom(int32_t n) {
  if (n <= 0) return 0;
  std::uniform_int_distribution<int32_t> pick(0, n - 1);
  return pick(generator);
}

// Other nodes hold a lock only for the few reads or the one write of an
// operation. Asking again every millisecond for a short while finds the gap
// between them; a single try leaves a save that needs the file to itself
// behind a steady stream of overlapping readers (every node scanning the
// players) until its retries run out and the caller is thrown out.
constexpr int kLockPollMs = 1;
constexpr int64_t kLockPatienceMs = 100;
// The records are locked as the bytes before this offset; the byte at it is
// a turnstile every node passes on its way in. A node that wants the file
// to itself keeps the turnstile shut while it waits for the readers inside
// to finish, so new readers queue behind it instead of starving it.
constexpr off_t kTurnstile = kRecordLockSpan;

int TryLockRange(int fd, short type, off_t start, off_t length) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = length;
  if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return kLockGranted;
  if (errno == EAGAIN || errno == EACCES) return kLockDenied;
  return errno;
}

int PollLockRange(int fd, short type, off_t start, off_t length, int64_t give_up) {
  for (;;) {
    const int result = TryLockRange(fd, type, start, length);
    if (result != kLockDenied || PosixMonotonicMs() >= give_up) return result;
    PosixSleepMs(kLockPollMs);
  }
}

int PosixLockFile(int fd, bool exclusive) {
  const int64_t give_up = PosixMonotonicMs() + kLockPatienceMs;
  const int entered = PollLockRange(fd, F_WRLCK, kTurnstile, 1, give_up);
  if (entered != kLockGranted) return entered;
  const int result =
      PollLockRange(fd, exclusive ? F_WRLCK : F_RDLCK, 0, kTurnstile, give_up);
  TryLockRange(fd, F_UNLCK, kTurnstile, 1);
  return result;
}

void PosixExit(int code) {
  CloseWakeChannel();
  RestoreTerminal();
  std::exit(code);
}

}  // namespace

Platform PosixPlatform() {
  return Platform{PosixReadByte,   PosixWriteBytes, PosixNow,      PosixMonotonicMs,
                  PosixSleepMs,    PosixSeedRandom, PosixRandom,   PosixLockFile,
                  PosixExit,       OpenCallerHandle, WriteLastBytes,
                  OpenWakeChannel, CloseWakeChannel, WakeChannelAt};
}

Platform Host = PosixPlatform();
