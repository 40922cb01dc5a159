// rename-caller: carries a caller's player over to a new BBS name before he
// calls again, as the door itself does at his first call after it reads
// handles: the record's key, his unread news and a won game's winner line.
#include <string>
#include <vector>

#include "door/text.h"
#include "store/caller.h"
#include "sysop/datafiles.h"
#include "sysop/field_text.h"
#include "sysop/nodes.h"
#include "sysop/sysop.h"

namespace {

// The record OLD names: one still keyed by that real name first, since
// carrying those over is what the command is for; else one whose handle it is.
int64_t FindOldCaller(const std::vector<PlayerRecord>& players, const std::string& old_name) {
  for (const uint8_t kind : {kKeyedByRealName, kKeyedByHandle}) {
    for (size_t i = 0; i < players.size(); ++i) {
      if (HoldsKey(players[i], PlayerKey{old_name, kind})) return static_cast<int64_t>(i);
    }
  }
  return -1;
}

int64_t FindHandle(const std::vector<PlayerRecord>& players, const std::string& name) {
  for (size_t i = 0; i < players.size(); ++i) {
    if (HoldsKey(players[i], PlayerKey{name, kKeyedByHandle})) return static_cast<int64_t>(i);
  }
  return -1;
}

bool ReadLockedPlayers(LockedFile& file, std::vector<PlayerRecord>& players,
                       std::string& error) {
  int64_t leftover = 0;
  const int64_t count = CountLockedRecords(file, leftover);
  PlayerBytes bytes{};
  for (int64_t i = 0; i < count; ++i) {
    if (!ReadLockedRecord(file, i, bytes.data(), error)) return false;
    players.push_back(DecodePlayer(bytes.data()));
  }
  return true;
}

// Returns the messages readdressed, or -1 with error set.
int ReaddressNewsFile(const std::string& dir, const PlayerKey& from, const PlayerKey& to,
                      std::string& error) {
  LockedFile file;
  bool missing = false;
  if (!OpenLocked(dir + kNewsFile, kNewsMessageSize, true, file, missing, error)) return missing ? 0 : -1;
  int64_t leftover = 0;
  const int64_t count = CountLockedRecords(file, leftover);
  int moved = 0;
  NewsBytes bytes{};
  for (int64_t i = 0; i < count; ++i) {
    if (!ReadLockedRecord(file, i, bytes.data(), error)) moved = -1;
    if (moved < 0) break;
    NewsMessage message = DecodeNews(bytes.data());
    if (!IsAddressedTo(message, from)) continue;
    message.To = to.Name;
    message.ToKind = to.Kind;
    bytes = EncodeNews(message);
    if (!WriteLockedRecord(file, i, bytes.data(), error)) moved = -1;
    if (moved < 0) break;
    ++moved;
  }
  CloseLocked(file);
  return moved;
}

bool ReaddressWinnerFile(const std::string& dir, const PlayerRecord& player,
                         const std::string& new_name, std::string& error) {
  LockedFile file;
  bool missing = false;
  if (!OpenLocked(dir + kConfigFile, kGameConfigSize, true, file, missing, error)) return missing;
  int64_t leftover = 0;
  bool ok = true;
  ConfigBytes bytes{};
  if (CountLockedRecords(file, leftover) >= 1 &&
      (ok = ReadLockedRecord(file, 0, bytes.data(), error))) {
    GameConfig config = DecodeConfig(bytes.data());
    if (!config.WinnerName.empty() && config.WinnerName == player.Name &&
        config.WinnerAlias == player.BbsAlias) {
      config.WinnerAlias = new_name;
      config.WinnerKind = kKeyedByHandle;
      bytes = EncodeConfig(config);
      ok = WriteLockedRecord(file, 0, bytes.data(), error);
    }
  }
  CloseLocked(file);
  return ok;
}

// A session of the player would store his old key back over the new one, or
// end at his next key when it finds the place taken.
int RefuseWhileHeIsOn(const SysopRequest& request, int64_t number, const PlayerRecord& player,
                      SysopIo& io) {
  if (request.force) return kSysopOk;
  for (const PresenceFile& file : FindPresenceFiles(request.dir)) {
    if (!file.live) continue;
    const bool him = file.player_number == number ||
                     (file.player_number == 0 && file.name == player.Name);
    if (!him) continue;
    io.err << "kordavin-sysop: " << FieldText(player.Name) << " is playing on node " << file.node
           << "; nothing changed (use --force to change files anyway)\n";
    return kSysopRefused;
  }
  return kSysopOk;
}

// winner receives the player as he was keyed before, once his record is
// carried over: the winner's line follows after the player file is let go.
int RenameLocked(const SysopRequest& request, LockedFile& file, SysopIo& io,
                 PlayerRecord& winner) {
  const std::string old_name = CutText(request.operands[0], kAliasCapacity);
  const std::string new_name = CutText(request.operands[1], kAliasCapacity);
  std::vector<PlayerRecord> players;
  std::string error;
  if (!ReadLockedPlayers(file, players, error)) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  const int64_t index = FindOldCaller(players, old_name);
  if (index < 0) {
    io.err << "kordavin-sysop: no player is keyed by '" << FieldText(old_name) << "'\n";
    return kSysopRefused;
  }
  PlayerRecord player = players[static_cast<size_t>(index)];
  const int64_t taken = FindHandle(players, new_name);
  if (taken >= 0 && taken != index) {
    io.err << "kordavin-sysop: player " << taken + 1 << " already has the handle '"
           << FieldText(new_name) << "'; nothing changed\n";
    return kSysopRefused;
  }
  const int guard = RefuseWhileHeIsOn(request, index + 1, player, io);
  if (guard != kSysopOk) return guard;
  const PlayerKey from = KeyOf(player);
  const PlayerKey to{new_name, kKeyedByHandle};
  // The record last, as the door does: a failure before it leaves the
  // player to be carried over again, with what already moved kept.
  const int moved = ReaddressNewsFile(request.dir, from, to, error);
  if (moved < 0) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  winner = player;
  SetKey(player, to);
  const PlayerBytes bytes = EncodePlayer(player);
  if (!WriteLockedRecord(file, index, bytes.data(), error)) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  io.out << "player " << index + 1 << " (" << FieldText(player.Name) << "): '"
         << FieldText(from.Name) << "' -> handle '" << FieldText(new_name) << "', " << moved
         << " news message" << (moved == 1 ? "" : "s") << " readdressed\n";
  return kSysopOk;
}

}  // namespace

int RenameCallerCommand(const SysopRequest& request, SysopIo& io) {
  if (request.operands[1].empty()) {
    io.err << "kordavin-sysop: the new name is empty\n";
    return kSysopUsage;
  }
  LockedFile file;
  bool missing = false;
  std::string error;
  // The player file stays locked to the end: a caller arriving meanwhile
  // finds his record either under the old key or under the new one.
  if (!OpenLocked(request.dir + kPlayerFile, kPlayerRecordSize, true, file, missing, error)) {
    io.err << "kordavin-sysop: " << (missing ? "there are no players" : error) << "\n";
    return kSysopRefused;
  }
  PlayerRecord winner;
  const int result = RenameLocked(request, file, io, winner);
  CloseLocked(file);
  // kordavin.cfg comes before kordavin.ply in every node's lock order (the
  // purchase of the bar holds it while it saves the buyer), so it is never
  // taken with the player file held.
  if (result != kSysopOk) return result;
  const std::string new_name = CutText(request.operands[1], kAliasCapacity);
  if (!ReaddressWinnerFile(request.dir, winner, new_name, error)) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  return kSysopOk;
}
