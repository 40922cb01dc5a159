#include "store/data_files.h"
#include "store/own_record.h"

#include <string>

#include "door/output.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/state.h"

namespace {


// What was last written, and where; only a change is written again.
struct StoredRecord {
  std::string Path;
  int16_t Number = -1;
  PlayerBytes Bytes{};
};
StoredRecord last_stored;
bool held_for_store = false;

std::string PlayerPath() { return DataPath(kPlayerFile); }

// The record as the caller's screen shows it right now. Unlike a save at the
// end of a command, the whores' rates are left as they are: redrawing them
// here would change the game's random sequence with every key wait.
PlayerBytes ShownRecord() {
  PlayerRecord player = GameSession.Player;
  if (player.Cash < 0) player.Cash = 0;
  SetKey(player, CallerKey());
  player.LastDay = TodayDay();
  player.TimeLeft = GameSession.TimeLeft;
  return EncodePlayer(player);
}

// The place was emptied by a new game or taken by another player: whatever
// this session holds belongs to a game that is gone.
[[noreturn]] void EndLostSession(RecordFile& file) {
  CloseRecordFile(file);
  if (held_for_store) {
    held_for_store = false;
    ReleaseHangupSignals();
  }
  DoorSession.BeforeWait = nullptr;
  WriteLine("|CR|12The streets have changed while you were out. Call back to start again.");
  EndSession();
}

bool PlaceIsStillOurs(const PlayerRecord& there) {
  return HoldsKey(there, CallerKey()) && there.Name == GameSession.Player.Name;
}

}  // namespace

void WriteOwnRecord(const PlayerBytes& bytes) {
  const int64_t index = int64_t{GameSession.PlayerNumber} - 1;
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  if (index < 0 || index >= RecordCount(file)) EndLostSession(file);
  PlayerBytes there{};
  SeekRecord(file, index);
  ReadRecord(file, there.data());
  if (!PlaceIsStillOurs(DecodePlayer(there.data()))) EndLostSession(file);
  SeekRecord(file, index);
  WriteRecord(file, bytes.data());
  CloseRecordFile(file);
  last_stored = StoredRecord{PlayerPath(), GameSession.PlayerNumber, bytes};
}

void StoreOwnRecord() {
  if (GameSession.PlayerNumber < 1) return;
  const PlayerBytes shown = ShownRecord();
  if (last_stored.Number == GameSession.PlayerNumber && last_stored.Bytes == shown &&
      last_stored.Path == PlayerPath()) {
    return;
  }
  // What the caller is owed goes out first, with hang-ups let in: a send to
  // a stalled line may block, and the caller who drops it must end the door.
  SendPendingOutput();
  // The screen already shows this record: a hang-up that comes while it is
  // being stored is let in only once it is on disk.
  HoldHangupSignals();
  held_for_store = true;
  WriteOwnRecord(shown);
  held_for_store = false;
  ReleaseHangupSignals();
}
