// The purchase of the bar ends the game for everybody, so it is decided on
// the configuration as it is under its exclusive lock: of two callers buying
// at the same moment on two nodes, the first to take the lock wins and the
// other finds the winner already named. And it is decided on the buyer's
// record as it stands under kordavin.ply's lock: a caller robbed below the
// bar's price while he stood at the counter does not win with money he no
// longer has.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "store/caller.h"
#include "store/records.h"

enum class WinnerStep : uint8_t {
  kWon,           // he is the winner, on file
  kAlreadyWon,    // kordavin.cfg names another winner already
  kNotQualified,  // his record as it stands no longer buys the bar
};

// Under the configuration's exclusive lock, then kordavin.ply's, with
// hang-ups held: when kordavin.cfg names no winner yet and the caller's
// record as it stands (which becomes the session's) qualifies, stores it and
// names him the winner (his pimp name and BBS name) with the reroll day.
// Otherwise writes nothing. Either way config ends holding what the file
// holds. Never sends anything: the locks are held.
WinnerStep RecordWinner(std::string_view pimp, const PlayerKey& alias, uint8_t reroll_day,
                        const std::function<bool(const PlayerRecord& me)>& qualifies,
                        GameConfig& config);
