// Runs the real door binary in a pseudo-terminal, from a temporary directory
// holding a copy of the program and its data files, as a BBS would.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "door/scratch_testing.h"

struct DoorRun {
  pid_t pid = -1;
  int master = -1;      // the caller's side of the pty
  std::string output;   // every byte the door has sent so far
  int exit_status = -1; // wait status once reaped
  bool exited = false;
};

// A fresh scratch directory with the built program, kordavin.dat and title1.ans.
std::string MakeDoorDir(KeepScratch keep = KeepScratch::kNever);
// Removes a directory made by MakeDoorDir before its test ends.
void RemoveDoorDir(const std::string& dir);
// Writes a file into the directory.
void WriteDoorFile(const std::string& dir, const std::string& name, const std::string& bytes);
// A DOOR32.SYS for a caller with this name and minutes, ANSI emulation 1.
std::string Door32For(const std::string& real_name, int minutes = 60);

// Starts dir/kordavin with the arguments; fake_time, when not empty, pins the
// clock with libfaketime (e.g. "2026-12-08 14:00:00").
bool StartDoor(DoorRun& run, const std::string& dir, const std::vector<std::string>& args,
               const std::string& fake_time = "");
// Starts dir/kordavin as a BBS that hands over the caller's socket does:
// door_socket becomes descriptor handle in the door, stdio_fd (unless -1) its
// standard input and output. run.master is caller, the test's end, through
// which the other calls below then talk. Every other descriptor of the test
// must be close-on-exec, or the door holds the line open after the test hangs up.
bool StartDoorOnSocket(DoorRun& run, const std::string& dir, const std::vector<std::string>& args,
                       int caller, int door_socket, int handle, int stdio_fd,
                       const std::string& fake_time = "");
void SendKeys(DoorRun& run, const std::string& keys);
// Reads output until it contains needle (searching from `from`); false on timeout or exit.
bool WaitForOutput(DoorRun& run, const std::string& needle, int timeout_ms, size_t from = 0);
// Waits for the process to end; its exit code, or -1 on timeout / a signal.
int WaitForExit(DoorRun& run, int timeout_ms);
// Kills the process if it still runs and closes the pty.
void StopDoor(DoorRun& run);
// CPU time (user + system) the process has used, in milliseconds.
long CpuMs(pid_t pid);
// The path of libfaketime, or empty when it is not installed.
std::string FakeTimeLibrary();

// Reads what the door sends within timeout_ms into run.output; false once the
// pty has closed.
bool ReadDoorOutput(DoorRun& run, int timeout_ms);
// Waits for the process to end like WaitForExit, and gives the CPU time
// (user + system, milliseconds) it used over its whole life, taken as it is
// reaped so that nothing after the exit is missed.
int WaitForExitWithCpu(DoorRun& run, int timeout_ms, long& cpu_ms);
// StartDoor, safe to call while other threads of the test run: everything
// is prepared before the fork, and the child only changes directory and
// executes the program.
bool StartDoorFromThread(DoorRun& run, const std::string& dir, const std::vector<std::string>& args,
                         const std::string& fake_time = "");
