// Who the caller is to the game. Boards ask for real names at sign-up for the
// sysop's eyes only, so a player is known by his handle wherever the drop
// file gives one; the real name keys him only where it is the one name the
// board hands over, or where the sysop asks for real names. A record keeps
// the kind of name it is keyed by, and a handle never finds a record keyed
// by a real name: choosing another caller's real name as a handle gets
// nobody his game or his news.
#pragma once

#include <string>

#include "store/records.h"

struct PlayerKey {
  std::string Name;  // as stored in PlayerRecord.BbsAlias and NewsMessage.To
  uint8_t Kind = kKeyedByRealName;
};

// The caller's key: his handle (DOOR32.SYS line 7, DOOR.SYS line 36,
// CHAIN.TXT line 2) when the drop file gives one that differs from his real
// name, else his real name; always the real name when the door was started
// with the real-names switch.
PlayerKey CallerKey();
// The name other callers see: CallerKey().Name.
std::string CallerName();
// The key the caller's record had under the other kind of name, which the
// game carries over to CallerKey at his first call: false when the drop file
// gives him one name only.
bool CallerFormerKey(PlayerKey& former);

// The name the town is shown for a player: his key, unless it is a real name
// that only waits for his next call to be carried over to his handle.
std::string ShownName(const PlayerRecord& player);
// Whether a key of that kind is fit to show callers who go by handles: only
// a handle is, on a board whose drop files give them.
bool NameIsShown(uint8_t kind, bool board_gives_handles);

PlayerKey KeyOf(const PlayerRecord& player);
bool HoldsKey(const PlayerRecord& player, const PlayerKey& key);
void SetKey(PlayerRecord& player, const PlayerKey& key);
bool IsAddressedTo(const NewsMessage& message, const PlayerKey& key);
