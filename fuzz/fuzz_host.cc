#include "fuzz/fuzz_host.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"

FuzzHostState FuzzHost;

namespace {

constexpr size_t kTailKept = 512;

int FuzzReadByte(int timeout_ms) {
  if (FuzzHost.input.empty()) return kHungUp;
  int byte = FuzzHost.input.front();
  FuzzHost.input.pop_front();
  if (byte == kNoByte) FuzzHost.now_ms += timeout_ms > 0 ? timeout_ms : 1;
  return byte;
}

bool FuzzWriteBytes(const char* data, size_t length) {
  FuzzHost.output_bytes += length;
  FuzzHost.output_tail.append(data, length);
  if (FuzzHost.output_tail.size() > 2 * kTailKept) {
    FuzzHost.output_tail.erase(0, FuzzHost.output_tail.size() - kTailKept);
  }
  return true;
}

// A fixed afternoon, so the session clock never runs out under the fuzzer.
LocalClock FuzzNow() {
  int64_t seconds = FuzzHost.now_ms / 1000;
  return LocalClock{2026, 12, 8, 14 + static_cast<int>(seconds / 3600 % 8),
                    static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)};
}

int64_t FuzzMonotonicMs() { return FuzzHost.now_ms; }

void FuzzSleepMs(int ms) {
  if (ms > 0) FuzzHost.now_ms += ms;
}

void FuzzSeedRandom(uint32_t) {}

int32_t FuzzRandom(int32_t n) {
  if (n <= 0) return 0;
  FuzzHost.random_state = FuzzHost.random_state * 1103515245u + 12345u;
  return static_cast<int32_t>((FuzzHost.random_state >> 8) % static_cast<uint32_t>(n));
}

int FuzzLockFile(int, bool) { return kLockGranted; }

void FuzzExitSlot(int code) { throw FuzzExit{code}; }

bool FuzzOpenCallerHandle(int) { return true; }

void FuzzWriteLastBytes(const char* data, size_t length) { FuzzWriteBytes(data, length); }

// No wake-up channel: the door looks each second, as where a file system
// makes none.
bool FuzzOpenWakeChannel(const char*) { return false; }

void FuzzCloseWakeChannel() {}

void FuzzWake(const char*) {}

}  // namespace

void InstallFuzzHost(const std::string& program_dir) {
  Host = Platform{FuzzReadByte,   FuzzWriteBytes, FuzzNow,      FuzzMonotonicMs, FuzzSleepMs,
                  FuzzSeedRandom, FuzzRandom,     FuzzLockFile, FuzzExitSlot,
                  FuzzOpenCallerHandle, FuzzWriteLastBytes, FuzzOpenWakeChannel,
                  FuzzCloseWakeChannel, FuzzWake};
  FlushOutput();
  FuzzHost = FuzzHostState{};
  ResetDoorSession();
  ResetKeyboard();
  CurrentColor = 7;
  DoorSession.Ansi = 1;
  DoorSession.Node = 1;
  DoorSession.ProgramDir = program_dir + "/";
  StartTimer(120);
}

namespace {

// Memory-backed where there is one: a file rewritten for every input costs
// milliseconds on a disk and would starve the fuzzer. Plain bytes rather than
// strings, because the exit handler runs after static strings are destroyed.
char scratch_dir[] = "/dev/shm/kordavin-fuzz-XXXXXX";
char fallback_dir[] = "/tmp/kordavin-fuzz-XXXXXX";
const char* made_dir = nullptr;

// Files of a run that ended in a finding stay behind with it; a clean run
// leaves nothing behind.
void RemoveScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(made_dir, ignored);
}

}  // namespace

const std::string& FuzzScratchDir() {
  static const std::string dir = [] {
    made_dir = mkdtemp(scratch_dir);
    if (made_dir == nullptr) made_dir = mkdtemp(fallback_dir);
    FuzzCheck(made_dir != nullptr, "cannot make a scratch directory");
    std::atexit(RemoveScratchDir);
    return std::string(made_dir);
  }();
  return dir;
}

void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  FuzzCheck(fd >= 0, "cannot write a scratch file");
  size_t written = 0;
  while (written < size) {
    ssize_t n = write(fd, data + written, size - written);
    FuzzCheck(n > 0, "cannot write a scratch file");
    written += static_cast<size_t>(n);
  }
  close(fd);
}

void FuzzCheck(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}
