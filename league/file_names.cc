#include "league/file_names.h"

#include <cstdlib>

namespace {

bool Digits(const std::string& text) {
  return !text.empty() && text.size() <= 10 &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string LeagueFileName(const std::string& league, int board, uint32_t sequence,
                           const char* extension) {
  return league + "_" + std::to_string(board) + "_" + std::to_string(sequence) + extension;
}

bool ParseLeagueFileName(const std::string& name, LeagueFileId& id) {
  const size_t dot = name.rfind('.');
  const size_t second = dot == std::string::npos ? dot : name.rfind('_', dot);
  const size_t first = second == std::string::npos || second == 0 ? std::string::npos
                                                                   : name.rfind('_', second - 1);
  if (first == std::string::npos || first == 0) return false;
  const std::string board = name.substr(first + 1, second - first - 1);
  const std::string sequence = name.substr(second + 1, dot - second - 1);
  if (!Digits(board) || !Digits(sequence)) return false;
  const unsigned long long number = std::strtoull(sequence.c_str(), nullptr, 10);
  id.league = name.substr(0, first);
  id.board = std::atoi(board.c_str());
  id.sequence = static_cast<uint32_t>(number);
  id.extension = name.substr(dot);
  return number <= UINT32_MAX && id.board >= 1 && id.board <= 255;
}
