#include "store/own_record.h"

#include <string>

#include "door/output.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/caller.h"
#include "store/state.h"
#include "store/files.h"
#include "store/records.h"
#include "store/session_end.h"

namespace {


// What was last written, and where; only a change is written again.
struct StoredRecord {
  std::string Path;
  int16_t Number = -1;
  PlayerBytes Bytes{};
};
StoredRecord last_stored;

std::string PlayerPath() { return DataPath(kPlayerFile); }

int64_t OwnIndex() { return int64_t{GameSession.PlayerNumber} - 1; }

// The record as the caller's screen shows it right now. Unlike a save at the
// end of a command, the whores' rates are left as they are: redrawing them
// here would change the game's random sequence with every key wait.
PlayerBytes ShownRecord() {
  PlayerRecord player = GameSession.Player;
  return StoredRecordOf(player);
}

bool AlreadyStored(const PlayerBytes& bytes) {
  return last_stored.Number == GameSession.PlayerNumber && last_stored.Bytes == bytes &&
         last_stored.Path == PlayerPath();
}

// The place was emptied by a new game or taken by another player: whatever
// this session holds belongs to a game that is gone.
[[noreturn]] void EndLostSession(RecordFile& file) {
  CloseRecordFile(file);
  CloseHeldRecordFiles();
  LetHangupsIn();
  DoorSession.BeforeWait = nullptr;
  DoorSession.BeforeSend = nullptr;
  WriteLine("|CR|12The streets have changed while you were out. Call back to start again.");
  EndSession();
}

bool PlaceIsStillOurs(const PlayerRecord& there) {
  return HoldsKey(there, CallerKey()) && there.Name == GameSession.Player.Name;
}

void WriteOwnPlace(RecordFile& file, const PlayerBytes& bytes) {
  SeekRecord(file, OwnIndex());
  WriteRecord(file, bytes.data());
  last_stored = StoredRecord{PlayerPath(), GameSession.PlayerNumber, bytes};
}

}  // namespace

PlayerBytes StoredRecordOf(PlayerRecord& player) {
  RaiseNegativeCash(player);
  SetKey(player, CallerKey());
  player.LastDay = TodayDay();
  player.TimeLeft = StoredTimeLeft(GameSession.TimeLeft);
  return EncodePlayer(player);
}

int16_t StoredTimeLeft(int16_t time_left) { return time_left < 0 ? int16_t{0} : time_left; }

void CheckOwnPlace(RecordFile& players) {
  const int64_t index = OwnIndex();
  if (index < 0 || index >= RecordCount(players)) EndLostSession(players);
  PlayerBytes there{};
  SeekRecord(players, index);
  ReadRecord(players, there.data());
  if (!PlaceIsStillOurs(DecodePlayer(there.data()))) EndLostSession(players);
}

void StoreOwnRecordIn(RecordFile& players) {
  const PlayerBytes shown = ShownRecord();
  if (!AlreadyStored(shown)) WriteOwnPlace(players, shown);
}

void WriteOwnRecord(const PlayerBytes& bytes) {
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  CheckOwnPlace(file);
  WriteOwnPlace(file, bytes);
  CloseRecordFile(file);
}

void StoreOwnRecord() {
  if (GameSession.PlayerNumber < 1) return;
  const PlayerBytes shown = ShownRecord();
  if (!AlreadyStored(shown)) WriteOwnRecord(shown);
}

void StoreCallerBeforeSend() {
  // A step under way holds the player file and stores the caller itself
  // before it lets go; opening the file again here would wait on our own lock.
  if (HoldsRecordFile()) return;
  StoreOwnRecord();
}
