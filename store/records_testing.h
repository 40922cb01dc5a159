// Test support for the data-file tests: a scratch program directory behind
// the fake host, and whole files in it by bare name.
#pragma once

#include <string>

// A new scratch directory installed as the program directory, with the fake
// host and a fresh GameSession. Returns the path without a trailing "/".
std::string MakeRecordsTestDir();

void WriteRecordsTestFile(const std::string& name, const std::string& bytes);
std::string ReadRecordsTestFile(const std::string& name);
bool RecordsTestFileExists(const std::string& name);

// The bytes of an encoded record as a string, for building whole files.
template <typename Bytes>
std::string RecordsTestBytes(const Bytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
