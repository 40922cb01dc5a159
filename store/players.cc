// The player file: finding the caller, saving him, and the single-record
// read and the append that actions against rivals and joining need.
#include "store/players.h"

#include <algorithm>

#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/own_record.h"
#include "store/rules.h"
#include "store/shared_data.h"
#include "store/state.h"

namespace {

void RecomputeWhoreRates(PlayerRecord& player) {
  int count = std::min<int>(player.WhoreCount, kMaxWhores);
  for (int k = 0; k < count; ++k) {
    player.WhoreRate[k] = WhoreRateFor(Random(kWhoreRateDraw), player.HouseStreet,
                                       player.WhoreDays[k], player.ClothesLevel);
  }
}

// The first record from the file's start that holds key, read into found;
// its 0-based index, or -1.
int64_t FindKeyedPlayer(RecordFile& file, const PlayerKey& key, PlayerRecord& found) {
  int64_t at = -1;
  if (file.fd < 0) return at;  // no player file yet: nobody in it
  SeekRecord(file, 0);
  // Player numbers stop at kMostPlayerNumber; records past it can never be saved
  // back to their own place, so the scan does not reach them.
  ScanRecords(file, kMostPlayerNumber, [&](int64_t index, const uint8_t* record) {
    PlayerRecord player = DecodePlayer(record);
    if (!HoldsKey(player, key)) return true;
    found = std::move(player);
    at = index;
    return false;
  });
  return at;
}

// The caller's record keyed by his other name takes his key now, and his
// unread news and a won game's winner line follow it. The record and the news
// move under the player file's exclusive lock: another node of the same caller waits
// and then finds the record under the new key, a rival change waits and then
// addresses its news to the new key, and the check that nobody holds the new
// key cannot go stale before the write.
int64_t CarryCallerOver(const PlayerKey& former) {
  const PlayerKey key = CallerKey();
  std::string carried_from;  // the name the record was keyed by, once carried
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  PlayerRecord player;
  int64_t index = FindKeyedPlayer(file, key, player);
  if (index < 0) {
    index = FindKeyedPlayer(file, former, player);
    if (index >= 0) {
      const std::string old_name = player.BbsAlias;
      SetKey(player, key);
      const PlayerBytes bytes = EncodePlayer(player);
      // The record goes last: a hang-up before it leaves the record to be
      // carried over at the next call, and what already moved stays moved.
      ReaddressNews(former, key);
      SeekRecord(file, index);
      WriteRecord(file, bytes.data());
      carried_from = old_name;
    }
  }
  CloseRecordFile(file);
  // kordavin.cfg comes before kordavin.ply in every node's lock order (the
  // purchase of the bar holds it while it saves the buyer), so the winner's
  // line follows once the player file is let go.
  if (!carried_from.empty()) ReaddressWinner(player.Name, carried_from, key);
  if (index >= 0) GameSession.Player = player;
  return index;
}

}  // namespace

bool LoadPlayer() {
  GameSession.PlayerNumber = -1;
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared);
  int64_t index = FindKeyedPlayer(file, CallerKey(), GameSession.Player);
  CloseRecordFile(file);
  PlayerKey former;
  if (index < 0 && CallerFormerKey(former)) index = CarryCallerOver(former);
  if (index >= 0) GameSession.PlayerNumber = static_cast<int32_t>(index + 1);
  return GameSession.PlayerNumber != -1;
}

void SavePlayer() {
  PlayerRecord& player = GameSession.Player;
  RecomputeWhoreRates(player);
  // The end of a command settles what is left of a debt: none is carried on.
  player = StoredRecordOf(player);
  WriteOwnRecord(player);
}

void ReadPlayer(int32_t number, PlayerRecord& player) {
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared);
  SeekRecord(file, int64_t{number} - 1);
  PlayerBytes bytes{};
  ReadRecord(file, bytes.data());
  CloseRecordFile(file);
  player = DecodePlayer(bytes.data());
}

int32_t AppendPlayer(const PlayerRecord& player) {
  PlayerBytes bytes = EncodePlayer(player);
  RecordFile file;
  // Counting and writing under one exclusive open: two callers joining at
  // the same moment each get a record of their own.
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  int64_t count = RecordCount(file);
  // A number past the presence file's 16 bits would wrap; such a file takes no more.
  SeekRecord(file, count < kMostPlayerNumber ? count : -1);
  WriteRecord(file, bytes.data());
  CloseRecordFile(file);
  return static_cast<int32_t>(count + 1);
}

int32_t JoinPlayer(const PlayerRecord& player, PlayerRecord& joined, bool& found) {
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  // The same caller may have joined on another node while this one typed
  // his pimp name: he gets that player, never a second record.
  int64_t index = FindKeyedPlayer(file, KeyOf(player), joined);
  found = index >= 0;
  if (!found) {
    index = RecordCount(file);
    SeekRecord(file, index < kMostPlayerNumber ? index : -1);
    const PlayerBytes bytes = EncodePlayer(player);
    WriteRecord(file, bytes.data());
    joined = player;
  }
  CloseRecordFile(file);
  return static_cast<int32_t>(index + 1);
}

int32_t CountPlayerRecords() {
  RecordFile file;
  if (!OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared)) return 0;
  int64_t count = std::min(RecordCount(file), kMostPlayerNumber);
  CloseRecordFile(file);
  return static_cast<int32_t>(count);
}

int64_t ScanPlayers(const std::function<bool(int64_t index, const PlayerRecord& player)>& visit) {
  RecordFile file;
  if (!OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared)) return 0;
  const int64_t count = RecordCount(file);
  ScanRecords(file, count, [&visit](int64_t index, const uint8_t* record) {
    return visit(index, DecodePlayer(record));
  });
  return count;
}

int64_t ScanStandings(int64_t first,
                      const std::function<bool(int64_t index, const PlayerStanding& standing)>& visit) {
  RecordFile file;
  if (!OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared)) return 0;
  const int64_t count = RecordCount(file);
  if (first < 0 || first >= count) return count;
  SeekRecord(file, first);
  ScanRecords(file, count - first, [&visit](int64_t index, const uint8_t* record) {
    return visit(index, PeekStanding(record));
  });
  return count;
}
