#include "store/caller.h"

#include "door/session.h"
#include "door/text.h"

namespace {

// A handle equal to the real name tells nothing the real name does not, and
// keeps the record where the board put it.
bool DropFileGivesHandle() {
  return !DoorSession.Alias.empty() && DoorSession.Alias != DoorSession.RealName;
}

uint8_t KindOf(uint8_t stored) {
  return stored == kKeyedByHandle ? kKeyedByHandle : kKeyedByRealName;
}

}  // namespace

PlayerKey CallerKey() {
  if (!DoorSession.RealNamesOnly && DropFileGivesHandle()) {
    return PlayerKey{CutText(DoorSession.Alias, kAliasCapacity), kKeyedByHandle};
  }
  return PlayerKey{CutText(DoorSession.RealName, kAliasCapacity), kKeyedByRealName};
}

std::string CallerName() { return CallerKey().Name; }

bool NameIsShown(uint8_t kind, bool board_gives_handles) {
  // On a board whose drop files give handles, a name still keyed as a real
  // name is one from before the game went over to handles: it is what its
  // caller gave the sysop, not what he chose to be known by.
  return kind == kKeyedByHandle || !board_gives_handles;
}

std::string ShownName(const PlayerRecord& player) {
  const bool handles = CallerKey().Kind == kKeyedByHandle;
  return NameIsShown(player.KeyKind, handles) ? player.BbsAlias : "(unknown)";
}

bool CallerFormerKey(PlayerKey& former) {
  if (!DropFileGivesHandle()) return false;
  if (DoorSession.RealNamesOnly) {
    former = PlayerKey{CutText(DoorSession.Alias, kAliasCapacity), kKeyedByHandle};
  } else {
    former = PlayerKey{CutText(DoorSession.RealName, kAliasCapacity), kKeyedByRealName};
  }
  return true;
}

PlayerKey KeyOf(const PlayerRecord& player) {
  return PlayerKey{player.BbsAlias, KindOf(player.KeyKind)};
}

// Byte for byte: "alice", " alice" and "alice " are three of the board's
// accounts, and the game never merges two of them.
bool HoldsKey(const PlayerRecord& player, const PlayerKey& key) {
  return player.BbsAlias == key.Name && KindOf(player.KeyKind) == key.Kind;
}

void SetKey(PlayerRecord& player, const PlayerKey& key) {
  player.BbsAlias = key.Name;
  player.KeyKind = key.Kind;
}

bool IsAddressedTo(const NewsMessage& message, const PlayerKey& key) {
  return !message.To.empty() && message.To == key.Name &&
         KindOf(message.ToKind) == key.Kind;
}
