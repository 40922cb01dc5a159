#include "store/own_record.h"

#include <fcntl.h>

#include <algorithm>
#include <string>

#include "door/output.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/caller.h"
#include "store/own_merge.h"
#include "store/state.h"
#include "store/files.h"
#include "store/records.h"
#include "store/session_end.h"

namespace {

std::string PlayerPath() { return DataPath(kPlayerFile); }

int64_t OwnIndex() { return int64_t{GameSession.PlayerNumber} - 1; }

bool HaveBase() {
  return GameSession.BaseNumber == GameSession.PlayerNumber && GameSession.BasePath == PlayerPath();
}

void SetBase(const PlayerBytes& bytes) {
  GameSession.BaseNumber = GameSession.PlayerNumber;
  GameSession.BasePath = PlayerPath();
  GameSession.Base = bytes;
}

// The record as the caller's screen shows it right now. Unlike a save at the
// end of a command, the whores' rates are left as they are: redrawing them
// here would change the game's random sequence with every key wait.
PlayerRecord ShownRecord() { return StoredRecordOf(GameSession.Player); }

bool AlreadyStored(const PlayerRecord& player) {
  return HaveBase() && GameSession.Base == EncodePlayer(player);
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

PlayerBytes ReadOwnPlace(RecordFile& players) {
  const int64_t index = OwnIndex();
  if (index < 0 || index >= RecordCount(players)) EndLostSession(players);
  PlayerBytes there{};
  SeekRecord(players, index);
  ReadRecord(players, there.data());
  if (!PlaceIsStillOurs(DecodePlayer(there.data()))) EndLostSession(players);
  return there;
}

// What other nodes did is told at his next key wait; his screen shows the
// merged figures from now on.
void Adopt(const PlayerRecord& base, const PlayerRecord& on_disk, const PlayerRecord& merged) {
  if (RivalsChanged(base, on_disk)) {
    GameSession.RivalsActed = true;
    GameSession.RivalsCashChange += int64_t{on_disk.Cash} - int64_t{base.Cash};
  }
  // A debt the game has not settled yet stays in memory, unstored, as it was.
  const int32_t unsettled = std::min(GameSession.Player.Cash, 0);
  GameSession.Player = merged;
  GameSession.Player.Cash = AddCash(merged.Cash, unsettled);
}

// His changes since the base, laid on his record as the held file has it now;
// written only when that differs from the file.
void MergeIntoPlace(RecordFile& players, const PlayerRecord& mine) {
  const PlayerBytes there = ReadOwnPlace(players);
  const PlayerRecord on_disk = DecodePlayer(there.data());
  const PlayerRecord base = HaveBase() ? DecodePlayer(GameSession.Base.data()) : on_disk;
  const PlayerRecord merged = MergeOwnRecord(base, mine, on_disk);
  const PlayerBytes bytes = EncodePlayer(merged);
  if (bytes != there) {
    SeekRecord(players, OwnIndex());
    WriteRecord(players, bytes.data());
  }
  SetBase(bytes);
  Adopt(base, on_disk, DecodePlayer(bytes.data()));
}

}  // namespace

PlayerRecord StoredRecordOf(PlayerRecord player) {
  RaiseNegativeCash(player);
  SetKey(player, CallerKey());
  player.LastDay = SessionDay();
  player.TimeLeft = StoredTimeLeft(GameSession.TimeLeft);
  return player;
}

uint8_t SessionDay() { return GameSession.Day != 0 ? GameSession.Day : TodayDay(); }

void RememberOwnRecord(const PlayerRecord& as_read) { SetBase(EncodePlayer(as_read)); }

int16_t StoredTimeLeft(int16_t time_left) { return time_left < 0 ? int16_t{0} : time_left; }

void CheckOwnPlace(RecordFile& players) { ReadOwnPlace(players); }

void AdoptOwnRecordIn(RecordFile& players) {
  const PlayerBytes there = ReadOwnPlace(players);
  const PlayerRecord on_disk = DecodePlayer(there.data());
  const PlayerRecord base = HaveBase() ? DecodePlayer(GameSession.Base.data()) : on_disk;
  const PlayerRecord merged = MergeOwnRecord(base, ShownRecord(), on_disk);
  // The file as it stands is the base now: what he changed and has not
  // stored stays in the session's record, for the step's store to lay on it.
  SetBase(there);
  Adopt(base, on_disk, merged);
}

void StoreOwnRecordIn(RecordFile& players) {
  const PlayerRecord shown = ShownRecord();
  if (!AlreadyStored(shown)) MergeIntoPlace(players, shown);
}

void WriteOwnRecord(const PlayerRecord& mine) {
  RecordFile file;
  OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeExclusive);
  MergeIntoPlace(file, mine);
  CloseRecordFile(file);
}

void StoreOwnRecord() {
  if (GameSession.PlayerNumber < 1) return;
  const PlayerRecord shown = ShownRecord();
  if (!AlreadyStored(shown)) WriteOwnRecord(shown);
}

bool RefreshOwnRecord() {
  if (GameSession.PlayerNumber < 1 || !HaveBase() || HoldsRecordFile()) return true;
  const PlayerRecord shown = ShownRecord();
  if (!AlreadyStored(shown)) {
    WriteOwnRecord(shown);
    return true;
  }
  // One short look: a node busy with the file now is looked past again
  // shortly, and a file that cannot be had now is no reason to end his call.
  PlayerBytes there{};
  RecordFile file;
  const StoreStatus opened =
      OpenRecords(file, kPlayerFile, kPlayerRecordSize, false, O_RDWR, kLockOnce);
  if (!opened.ok()) return opened.code != kLockDenied;
  const bool read = ReadRecordAt(file, OwnIndex(), there.data()).ok();
  CloseRecordFile(file);
  // Changed since his last store: the exclusive merge adopts it (and ends the
  // session as any store does when his place is gone).
  if (read && there != GameSession.Base) WriteOwnRecord(shown);
  return true;
}

void StoreCallerBeforeSend() {
  // A step under way holds the player file and stores the caller itself
  // before it lets go; opening the file again here would wait on our own lock.
  if (HoldsRecordFile()) return;
  StoreOwnRecord();
}
