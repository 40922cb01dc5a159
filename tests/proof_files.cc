#include "tests/proof_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace {

std::string WholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <typename Record, typename Decode>
std::vector<Record> ReadRecords(const std::string& path, size_t size, Decode decode) {
  const std::string bytes = WholeFile(path);
  std::vector<Record> records;
  for (size_t at = 0; at + size <= bytes.size(); at += size) {
    records.push_back(decode(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return records;
}

}  // namespace

int ProofSize(const char* variable, int fallback) {
  const char* text = std::getenv(variable);
  if (text == nullptr) return fallback;
  const int value = std::atoi(text);
  return value > 0 ? value : fallback;
}

std::vector<PlayerRecord> ReadPlayerFile(const std::string& dir) {
  return ReadRecords<PlayerRecord>(dir + "/kordavin.ply", kPlayerRecordSize, DecodePlayer);
}

std::vector<NewsMessage> ReadNewsFile(const std::string& dir) {
  return ReadRecords<NewsMessage>(dir + "/kordavin.msg", kNewsMessageSize, DecodeNews);
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
