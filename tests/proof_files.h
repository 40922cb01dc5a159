// What a proof left behind in its door directory, and the proofs' sizes.
#pragma once

#include <string>
#include <vector>

#include "store/records_testing.h"

// The number in the environment variable, or the fallback when it is unset
// or not a positive number.
int ProofSize(const char* variable, int fallback);

// Names of the presence files (kordavin.<node>) in dir.
std::vector<std::string> PresenceFiles(const std::string& dir);
// Every file name in dir.
std::vector<std::string> FilesIn(const std::string& dir);
