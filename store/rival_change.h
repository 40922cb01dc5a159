// A change to another player's record made on the record as it is on disk
// at that moment, not on a copy read before the caller's last key.
#pragma once

#include <cstdint>
#include <functional>

#include "store/records.h"

// Reads player number (1-based) under an exclusive lock on kordavin.ply and
// hands the record to change, which alters it and returns whether it is to
// be written; it is then written in place and the file closed. A number with
// no whole record behind it is handed over as an empty record and never
// written. Returns whether the record was written. change must not write to
// the caller: the file is still held while it runs.
bool ChangeRival(int16_t number, const std::function<bool(PlayerRecord& rival)>& change);
