// The player file: finding the caller, saving him, and the single-record
// reads and writes that actions against rivals and joining need.
#include <algorithm>
#include <limits>

#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/files.h"
#include "store/own_record.h"
#include "store/state.h"
#include "store/store.h"

namespace {

constexpr const char* kPlayerFile = "kordavin.ply";
constexpr int64_t kMaxPlayerNumber = std::numeric_limits<int16_t>::max();

void RecomputeWhoreRates(PlayerRecord& player) {
  int count = std::min<int>(player.WhoreCount, kMaxWhores);
  for (int k = 0; k < count; ++k) {
    player.WhoreRate[k] = Random(100) + 200 + player.HouseStreet * 20 +
                          player.WhoreDays[k] * 10 + player.ClothesLevel * 100;
  }
}

void WritePlayerAt(int64_t index, const PlayerRecord& player) {
  PlayerBytes bytes = EncodePlayer(player);
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  SeekRecord(file, index);
  WriteRecord(file, bytes.data());
  CloseRecordFile(file);
}

}  // namespace

bool LoadPlayer() {
  GameSession.PlayerNumber = -1;
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared);
  // Player numbers are 16-bit; records past that range can never be saved
  // back to their own place, so the scan does not reach them.
  ScanRecords(file, kMaxPlayerNumber, [](int64_t index, const uint8_t* record) {
    PlayerRecord player = DecodePlayer(record);
    if (player.BbsAlias != DoorSession.RealName) return true;
    GameSession.Player = player;
    GameSession.PlayerNumber = static_cast<int16_t>(index + 1);
    return false;
  });
  CloseRecordFile(file);
  return GameSession.PlayerNumber != -1;
}

void SavePlayer() {
  PlayerRecord& player = GameSession.Player;
  RecomputeWhoreRates(player);
  if (player.Cash < 0) player.Cash = 0;
  player.BbsAlias = CutText(DoorSession.RealName, 50);
  player.LastDay = TodayDay();
  player.TimeLeft = StoredTimeLeft(GameSession.TimeLeft);
  WriteOwnRecord(EncodePlayer(player));
}

void ReadPlayer(int16_t number, PlayerRecord& player) {
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared);
  SeekRecord(file, int64_t{number} - 1);
  PlayerBytes bytes{};
  ReadRecord(file, bytes.data());
  CloseRecordFile(file);
  player = DecodePlayer(bytes.data());
}

void WritePlayer(int16_t number, const PlayerRecord& player) {
  // Cash on disk is never negative, whoever wrote the record.
  PlayerRecord stored = player;
  if (stored.Cash < 0) stored.Cash = 0;
  WritePlayerAt(int64_t{number} - 1, stored);
}

int16_t AppendPlayer(const PlayerRecord& player) {
  PlayerBytes bytes = EncodePlayer(player);
  RecordFile file;
  // Counting and writing under one exclusive open: two callers joining at
  // the same moment each get a record of their own.
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  int64_t count = RecordCount(file);
  // A number past the 16-bit range would wrap; such a file takes no more.
  SeekRecord(file, count < kMaxPlayerNumber ? count : -1);
  WriteRecord(file, bytes.data());
  CloseRecordFile(file);
  return static_cast<int16_t>(count + 1);
}

int16_t CountPlayerRecords() {
  RecordFile file;
  if (!OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared)) return 0;
  int64_t count = std::min(RecordCount(file), kMaxPlayerNumber);
  CloseRecordFile(file);
  return static_cast<int16_t>(count);
}
