// Scratch directories and files for the door layer's file tests.
#pragma once

#include <string>

// Makes a fresh empty directory under the system's temporary directory and
// returns its path without a trailing "/".
std::string MakeDoorScratchDir();

// Writes the bytes to the file, creating or truncating it; fails the running
// test when that is not possible.
void WriteDoorScratchFile(const std::string& path, const std::string& bytes);
