// The caller's own record, kept on disk as the screen shows it: stored
// before every key wait whenever it changed, so that hanging up never undoes
// an outcome already shown nor gives back what was spent.
#pragma once

#include "store/records.h"

// Stores GameSession.Player as the screen shows it (cash, whores, items,
// GameSession.TimeLeft, today's day, the caller's alias) when it differs from
// what this session last stored. Draws no random number, and touches no file
// when nothing changed. Called by the door before it blocks for a key.
void StoreOwnRecord();

// Writes the encoded record to the caller's place, under one exclusive lock
// with the check that the place still holds this caller's player. A place
// now holding someone else or nothing is never written: the session ends
// with a notice instead.
void WriteOwnRecord(const PlayerBytes& bytes);
