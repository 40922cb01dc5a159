// rename-caller: carries a caller's player over to a new BBS name before he
// calls again, as the door itself does at his first call after it reads
// handles: the record's key, his unread news and a won game's winner line.
#include <optional>
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

// A message addressed to the player, and its slot.
struct AddressedNews {
  int64_t slot;
  NewsMessage message;
};

// The news addressed to from; false with error set when a slot cannot be read.
bool NewsOf(StoreStep& step, const PlayerKey& from, std::vector<AddressedNews>& found,
            std::string& error) {
  const int64_t count = RecordCount(step.news);
  NewsBytes bytes{};
  for (int64_t i = 0; i < count; ++i) {
    if (!ReadRecordText(step.news, step.PathOf(StepFile::kNews), i, bytes.data(), error)) {
      return false;
    }
    const NewsMessage message = DecodeNews(bytes.data());
    if (IsAddressedTo(message, from)) found.push_back({i, message});
  }
  return true;
}

bool ReaddressNews(StoreStep& step, std::vector<AddressedNews>& found, const PlayerKey& to,
                   std::string& error) {
  for (AddressedNews& news : found) {
    news.message.To = to.Name;
    news.message.ToKind = to.Kind;
    const NewsBytes bytes = EncodeNews(news.message);
    if (!WriteStepRecord(step, StepFile::kNews, news.slot, bytes.data(), error)) return false;
  }
  return true;
}

// kordavin.cfg's record when it names the player as the winner; none when
// it does not, or there is no configuration.
bool WinnerLineOf(StoreStep& step, const PlayerRecord& player, std::optional<GameConfig>& won,
                  std::string& error) {
  if (RecordCount(step.config) < 1) return true;
  ConfigBytes bytes{};
  if (!ReadRecordText(step.config, step.PathOf(StepFile::kConfig), 0, bytes.data(), error)) {
    return false;
  }
  const GameConfig config = DecodeConfig(bytes.data());
  if (!config.WinnerName.empty() && config.WinnerName == player.Name &&
      config.WinnerAlias == player.BbsAlias) {
    won = config;
  }
  return true;
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

// Everything is read before the first write. Then the news, the winner's
// line, and the record last, as the door does: a write that fails before
// the record leaves the player to be carried over again, with what already
// moved kept. Returns the messages readdressed, or -1 with error set.
int CarryOver(StoreStep& step, int64_t index, const PlayerRecord& player, const PlayerKey& to,
              std::string& error) {
  std::vector<AddressedNews> news;
  std::optional<GameConfig> won;
  if (!NewsOf(step, KeyOf(player), news, error) || !WinnerLineOf(step, player, won, error)) {
    return -1;
  }
  if (!ReaddressNews(step, news, to, error)) return -1;
  if (won) {
    won->WinnerAlias = to.Name;
    won->WinnerKind = to.Kind;
    const ConfigBytes bytes = EncodeConfig(*won);
    if (!WriteStepRecord(step, StepFile::kConfig, 0, bytes.data(), error)) return -1;
  }
  PlayerRecord carried = player;
  SetKey(carried, to);
  const PlayerBytes bytes = EncodePlayer(carried);
  if (!WriteStepRecord(step, StepFile::kPlayers, index, bytes.data(), error)) return -1;
  return static_cast<int>(news.size());
}

int RenameInStep(const SysopRequest& request, StoreStep& step, SysopIo& io) {
  const std::string old_name = CutText(request.operands[0], kAliasCapacity);
  const std::string new_name = CutText(request.operands[1], kAliasCapacity);
  std::vector<PlayerRecord> players;
  std::string error;
  if (!ReadEveryPlayer(step.players, step.PathOf(StepFile::kPlayers), players, error)) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  const int64_t index = FindOldCaller(players, old_name);
  if (index < 0) {
    io.err << "kordavin-sysop: no player is keyed by '" << FieldText(old_name) << "'\n";
    return kSysopRefused;
  }
  const PlayerRecord& player = players[static_cast<size_t>(index)];
  const int64_t taken = FindHandle(players, new_name);
  if (taken >= 0 && taken != index) {
    io.err << "kordavin-sysop: player " << taken + 1 << " already has the handle '"
           << FieldText(new_name) << "'; nothing changed\n";
    return kSysopRefused;
  }
  const int guard = RefuseWhileHeIsOn(request, index + 1, player, io);
  if (guard != kSysopOk) return guard;
  const PlayerKey from = KeyOf(player);
  const int moved = CarryOver(step, index, player, PlayerKey{new_name, kKeyedByHandle}, error);
  step.End();
  if (moved < 0) {
    io.err << "kordavin-sysop: " << error << "\n";
    return kSysopRefused;
  }
  io.out << "player " << index + 1 << " (" << FieldText(player.Name) << "): '"
         << FieldText(from.Name) << "' -> handle '" << FieldText(new_name) << "', " << moved
         << " news message" << (moved == 1 ? "" : "s") << " readdressed\n";
  return kSysopOk;
}

// Takes kordavin.cfg, kordavin.ply and kordavin.msg in the store's lock
// order, before anything is written: a caller arriving meanwhile finds his
// record, his news and the winner's line all under the old key or all under
// the new one. Only the player file must be there.
bool TakeRenameFiles(StoreStep& step, SysopIo& io) {
  for (const StepFile which : {StepFile::kConfig, StepFile::kPlayers, StepFile::kNews}) {
    bool missing = false;
    std::string error;
    if (TakeStepFile(step, which, missing, error)) continue;
    if (missing && which != StepFile::kPlayers) continue;
    io.err << "kordavin-sysop: " << (missing ? "there are no players" : error) << "\n";
    return false;
  }
  return true;
}

}  // namespace

int RenameCallerCommand(const SysopRequest& request, SysopIo& io) {
  if (request.operands[1].empty()) {
    io.err << "kordavin-sysop: the new name is empty\n";
    return kSysopUsage;
  }
  StoreStep step(request.dir);
  if (!TakeRenameFiles(step, io)) return kSysopRefused;
  return RenameInStep(request, step, io);
}
