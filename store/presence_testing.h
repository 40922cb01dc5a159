// Test support for presence files: the liveness lock a running session
// holds, taken from an open file of the test's own.
#pragma once

#include <string>

// Holds the liveness lock of the file at path until ReleasePresence(path).
void HoldPresence(const std::string& path);
void ReleasePresence(const std::string& path);
