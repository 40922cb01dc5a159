// A change to another player's record made on the record as it is on disk
// at that moment, not on a copy read before the caller's last key.
#pragma once

#include <cstdint>
#include <functional>

#include "store/records.h"

// ChangeRivalInOneStep (store/store.h) for an action that posts its news
// itself: his record and the caller's are written in one step, the news
// after it.
bool ChangeRival(int16_t number, const std::function<bool(PlayerRecord& rival)>& change);
