// Reading the data files a proof left behind, and the proofs' sizes.
#pragma once

#include <string>
#include <vector>

#include "store/records.h"

// The number in the environment variable, or the fallback when it is unset
// or not a positive number.
int ProofSize(const char* variable, int fallback);

std::vector<PlayerRecord> ReadPlayerFile(const std::string& dir);
std::vector<NewsMessage> ReadNewsFile(const std::string& dir);
// Names of the presence files (kordavin.<node>) in dir.
std::vector<std::string> PresenceFiles(const std::string& dir);
// Every file name in dir.
std::vector<std::string> FilesIn(const std::string& dir);
