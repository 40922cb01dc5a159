// Test support for the data-file tests: a scratch program directory behind
// the fake host, and whole files in it by bare name.
#pragma once

#include <string>
#include <vector>

#include "store/records.h"

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

// The players file and the news file of a door directory, whole records
// only, as a test reads them back; and a players file to seed one with.
std::vector<PlayerRecord> ReadPlayerFile(const std::string& dir);
std::vector<NewsMessage> ReadNewsFile(const std::string& dir);
std::string PlayerFileBytes(const std::vector<PlayerRecord>& players);
