// A minimal Host for the fuzz targets: keys come from a queue that the target
// fills, output is only counted, the clock moves only when the door waits or
// sleeps, and an exit unwinds back to the target instead of ending the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

struct FuzzExit {
  int code;
};

struct FuzzHostState {
  std::deque<int> input;       // bytes (or kNoByte) for ReadByte; empty = hung up
  size_t output_bytes = 0;     // bytes the door has sent
  std::string output_tail;     // the last few hundred bytes sent, for checks
  int64_t now_ms = 0;          // the monotonic clock
  uint32_t random_state = 1;   // a fixed generator: a finding must replay
};

extern FuzzHostState FuzzHost;

// Replaces Host with the fuzz host and puts the door session, keyboard and
// colour back to a fresh caller's (ANSI on, node 1, 120 minutes) with its data
// files in program_dir.
void InstallFuzzHost(const std::string& program_dir);

// A fresh scratch directory for one target's files, made once per process.
const std::string& FuzzScratchDir();

// Writes the bytes to the file at path, replacing it.
void WriteFuzzFile(const std::string& path, const uint8_t* data, size_t size);

// Stops the run with a message when a promise of the code under test breaks;
// libFuzzer keeps the input that did it.
void FuzzCheck(bool holds, const char* what);
