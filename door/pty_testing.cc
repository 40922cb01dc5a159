#include "door/pty_testing.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Reads what is there within timeout_ms; false once the pty has closed.
bool ReadSome(DoorRun& run, int timeout_ms) {
  pollfd watch{run.master, POLLIN, 0};
  if (poll(&watch, 1, timeout_ms) <= 0) return true;
  char buffer[4096];
  ssize_t got = read(run.master, buffer, sizeof buffer);
  if (got <= 0) return false;
  run.output.append(buffer, static_cast<size_t>(got));
  return true;
}

bool Reap(DoorRun& run, bool block) {
  if (run.exited) return true;
  int status = 0;
  pid_t done = waitpid(run.pid, &status, block ? 0 : WNOHANG);
  if (done != run.pid) return false;
  run.exited = true;
  run.exit_status = status;
  return true;
}

}  // namespace

std::string MakeDoorDir(KeepScratch keep) {
  const std::string dir = MakeScratchDir("door", keep);
  fs::path binary = KORDAVIN_BINARY;
  fs::copy_file(binary, dir + "/kordavin");
  for (const char* name : {"kordavin.dat", "title1.ans"}) {
    fs::path source = binary.parent_path() / name;
    if (fs::exists(source)) fs::copy_file(source, dir + "/" + name);
  }
  return dir;
}

void RemoveDoorDir(const std::string& dir) {
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

void WriteDoorFile(const std::string& dir, const std::string& name, const std::string& bytes) {
  WriteScratchFile(dir + "/" + name, bytes);
}

std::string Door32For(const std::string& real_name, int minutes) {
  std::ostringstream text;
  text << "0\r\n-1\r\n38400\r\nTest BBS\r\n1\r\n" << real_name << "\r\n" << real_name
       << "\r\n10\r\n" << minutes << "\r\n1\r\n1\r\n";
  return text.str();
}

std::string FakeTimeLibrary() {
  for (const char* path : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                           "/usr/lib/faketime/libfaketime.so.1"}) {
    if (access(path, R_OK) == 0) return path;
  }
  return "";
}

namespace {

// In the child: the clock pinned when asked, then the program.
[[noreturn]] void ExecDoor(const std::string& dir, const std::vector<std::string>& args,
                           const std::string& fake_time) {
  if (chdir(dir.c_str()) != 0) _exit(120);
  if (!fake_time.empty()) {
    setenv("LD_PRELOAD", FakeTimeLibrary().c_str(), 1);
    setenv("FAKETIME", ("@" + fake_time).c_str(), 1);
    setenv("FAKETIME_DONT_RESET", "1", 1);
    setenv("FAKETIME_NO_CACHE", "1", 1);
    // A sanitizer build wants its runtime first; the preloaded clock is harmless.
    std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    setenv("ASAN_OPTIONS", (asan + ":verify_asan_link_order=0").c_str(), 1);
  }
  std::vector<char*> argv;
  std::string program = dir + "/kordavin";
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(121);
}

}  // namespace

bool StartDoor(DoorRun& run, const std::string& dir, const std::vector<std::string>& args,
               const std::string& fake_time) {
  winsize size{25, 80, 0, 0};
  run = DoorRun{};
  run.pid = forkpty(&run.master, nullptr, nullptr, &size);
  if (run.pid < 0) return false;
  if (run.pid == 0) ExecDoor(dir, args, fake_time);
  return true;
}

bool StartDoorOnSocket(DoorRun& run, const std::string& dir, const std::vector<std::string>& args,
                       int caller, int door_socket, int handle, int stdio_fd,
                       const std::string& fake_time) {
  run = DoorRun{};
  run.master = caller;
  run.pid = fork();
  if (run.pid < 0) return false;
  if (run.pid == 0) {
    if (dup2(door_socket, handle) < 0) _exit(122);
    if (stdio_fd >= 0 && (dup2(stdio_fd, STDIN_FILENO) < 0 || dup2(stdio_fd, STDOUT_FILENO) < 0)) {
      _exit(123);
    }
    ExecDoor(dir, args, fake_time);
  }
  return true;
}

void SendKeys(DoorRun& run, const std::string& keys) {
  size_t sent = 0;
  while (sent < keys.size()) {
    ssize_t n = write(run.master, keys.data() + sent, keys.size() - sent);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

bool WaitForOutput(DoorRun& run, const std::string& needle, int timeout_ms, size_t from) {
  int64_t deadline = NowMs() + timeout_ms;
  for (;;) {
    if (run.output.find(needle, from) != std::string::npos) return true;
    int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    if (!ReadSome(run, static_cast<int>(left < 50 ? left : 50))) {
      return run.output.find(needle, from) != std::string::npos;
    }
  }
}

int WaitForExit(DoorRun& run, int timeout_ms) {
  int64_t deadline = NowMs() + timeout_ms;
  while (!Reap(run, false)) {
    if (NowMs() >= deadline) return -1;
    if (!ReadSome(run, 20)) usleep(5000);
  }
  while (ReadSome(run, 0) && run.master >= 0) {
    pollfd watch{run.master, POLLIN, 0};
    if (poll(&watch, 1, 0) <= 0) break;
  }
  return WIFEXITED(run.exit_status) ? WEXITSTATUS(run.exit_status) : -1;
}

void StopDoor(DoorRun& run) {
  if (run.pid > 0 && !Reap(run, false)) {
    kill(run.pid, SIGKILL);
    Reap(run, true);
  }
  if (run.master >= 0) close(run.master);
  run.master = -1;
}

long CpuMs(pid_t pid) {
  const std::string text = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  size_t close_paren = text.rfind(')');
  if (close_paren == std::string::npos) return -1;
  std::istringstream fields(text.substr(close_paren + 2));
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return (utime + stime) * 1000 / sysconf(_SC_CLK_TCK);
}

bool ReadDoorOutput(DoorRun& run, int timeout_ms) { return ReadSome(run, timeout_ms); }

int WaitForExitWithCpu(DoorRun& run, int timeout_ms, long& cpu_ms) {
  cpu_ms = -1;
  int64_t deadline = NowMs() + timeout_ms;
  while (!run.exited) {
    int status = 0;
    rusage usage{};
    pid_t done = wait4(run.pid, &status, WNOHANG, &usage);
    if (done == run.pid) {
      run.exited = true;
      run.exit_status = status;
      // time_t is wider than long where 32-bit ARM has 64-bit time.
      cpu_ms = static_cast<long>((usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
                                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000);
      break;
    }
    if (NowMs() >= deadline) return -1;
    if (run.master < 0 || !ReadSome(run, 5)) usleep(2000);
  }
  return WIFEXITED(run.exit_status) ? WEXITSTATUS(run.exit_status) : -1;
}

namespace {

// The environment of a door whose clock is pinned: libfaketime preloaded.
std::vector<std::string> FakeTimeEnvironment(const std::string& fake_time) {
  std::vector<std::string> env;
  std::string asan;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    if (text.rfind("ASAN_OPTIONS=", 0) == 0) {
      asan = text.substr(13);
    } else if (text.rfind("LD_PRELOAD=", 0) != 0 && text.rfind("FAKETIME", 0) != 0) {
      env.push_back(text);
    }
  }
  env.push_back("LD_PRELOAD=" + FakeTimeLibrary());
  env.push_back("FAKETIME=@" + fake_time);
  env.push_back("FAKETIME_DONT_RESET=1");
  env.push_back("FAKETIME_NO_CACHE=1");
  // A sanitizer build wants its runtime first; the preloaded clock is harmless.
  env.push_back("ASAN_OPTIONS=" + asan + ":verify_asan_link_order=0");
  return env;
}

}  // namespace

bool StartDoorFromThread(DoorRun& run, const std::string& dir, const std::vector<std::string>& args,
                         const std::string& fake_time) {
  // Another thread may hold the allocator's lock at the moment of the fork;
  // the child must not allocate, so its strings are made here.
  std::string program = dir + "/kordavin";
  std::vector<std::string> copies = args;
  std::vector<char*> argv{program.data()};
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_copies;
  if (!fake_time.empty()) env_copies = FakeTimeEnvironment(fake_time);
  std::vector<char*> envp;
  for (std::string& entry : env_copies) envp.push_back(entry.data());
  envp.push_back(nullptr);
  winsize size{25, 80, 0, 0};
  run = DoorRun{};
  run.pid = forkpty(&run.master, nullptr, nullptr, &size);
  if (run.pid < 0) return false;
  if (run.pid == 0) {
    // Other threads' lines are open here too; a door holding one would keep
    // that caller's line alive after the test hangs it up.
    close_range(3, ~0U, 0);
    if (chdir(dir.c_str()) != 0) _exit(120);
    execve(program.c_str(), argv.data(), fake_time.empty() ? environ : envp.data());
    _exit(121);
  }
  return true;
}
