// Scratch directories and files for tests. A directory made here is removed
// with everything in it when the test that made it ends, or when the program
// ends if no test was running, so a run leaves nothing behind in /tmp.
#pragma once

#include <string>

// When a directory outlives its test, its path printed: where what the door
// left there is the clue to a failure, or the figures a sysop asked for.
enum class KeepScratch { kNever, kIfTestFails, kAlways };

// Makes a fresh empty directory under the system's temporary directory and
// returns its path without a trailing "/"; `kind` names it for whoever
// finds one kept after a failure.
std::string MakeScratchDir(const std::string& kind = "door",
                           KeepScratch keep = KeepScratch::kNever);

// Writes the bytes to the file, creating or truncating it; fails the running
// test when that is not possible.
void WriteScratchFile(const std::string& path, const std::string& bytes);

// The whole file, byte for byte; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
