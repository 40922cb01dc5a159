#include "store/home_board.h"

#include <fcntl.h>

#include "store/data_files.h"
#include "store/files.h"
#include "store/presence.h"

namespace {

bool IsTagCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string BoardTagOf(std::string_view handle) {
  if (handle.empty() || handle.front() != '[') return std::string();
  const size_t close = handle.find(']');
  // A tag alone is no handle: someone is named after the tag.
  if (close == std::string_view::npos || close < 2 || close > kMostBoardTagLength + 1 ||
      close + 1 >= handle.size()) {
    return std::string();
  }
  const std::string_view tag = handle.substr(1, close - 1);
  for (char c : tag) {
    if (!IsTagCharacter(c)) return std::string();
  }
  return std::string(tag);
}

std::string HomeBoardOf(const PlayerRecord& player) { return BoardTagOf(player.BbsAlias); }

std::string HomeBoardOnNode(int node, std::string_view pimp_name) {
  bool live = false;
  const NodePresence presence = LookAtPresence(DataPath(NodeFileName(node)), live);
  if (!live || presence.PlayerNumber < 1) return std::string();
  RecordFile file;
  // Only a courtesy on a screen: a lock another node holds is not waited for.
  if (!OpenRecords(file, kPlayerFile, kPlayerRecordSize, false, O_RDONLY, kLockOnce).ok()) {
    return std::string();
  }
  PlayerBytes bytes{};
  const bool read = ReadRecordAt(file, presence.PlayerNumber - 1, bytes.data()).ok();
  CloseRecordFile(file);
  if (!read) return std::string();
  const PlayerRecord player = DecodePlayer(bytes.data());
  return player.Name == pimp_name ? HomeBoardOf(player) : std::string();
}
