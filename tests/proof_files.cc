#include "tests/proof_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

int ProofSize(const char* variable, int fallback) {
  const char* text = std::getenv(variable);
  if (text == nullptr) return fallback;
  const int value = std::atoi(text);
  return value > 0 ? value : fallback;
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ignored)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> PresenceFiles(const std::string& dir) {
  static const std::regex kPresence("kordavin\\.[0-9]+");
  std::vector<std::string> names;
  for (const std::string& name : FilesIn(dir)) {
    if (std::regex_match(name, kPresence)) names.push_back(name);
  }
  return names;
}
