// The purchase of the bar ends the game for everybody, so it is decided on
// the configuration as it is under its exclusive lock: of two callers buying
// at the same moment on two nodes, the first to take the lock wins and the
// other finds the winner already named.
#pragma once

#include <cstdint>
#include <string_view>

#include "store/caller.h"
#include "store/records.h"

// Under the configuration's exclusive lock, with hang-ups held: when
// kordavin.cfg names no winner yet, stores the caller's record and names him
// the winner (his pimp name and BBS name) with the reroll day, and returns
// true. Otherwise writes nothing and returns false. Either way config ends
// holding what the file holds. Never sends anything: the lock is held.
bool RecordWinner(std::string_view pimp, const PlayerKey& alias, uint8_t reroll_day,
                  GameConfig& config);
