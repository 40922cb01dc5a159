// The caller's own record, kept on disk as the screen shows it: stored
// before any output leaves the door and before every key wait whenever it
// changed, so that hanging up never undoes an outcome already shown nor
// gives back what was spent.
#pragma once

#include "store/files.h"
#include "store/records.h"

// Stores GameSession.Player as the screen shows it (cash, whores, items,
// GameSession.TimeLeft, today's day, the caller's alias) when it differs from
// what this session last stored. Draws no random number, sends nothing, and
// touches no file when nothing changed. Called by the door before it blocks
// for a key.
void StoreOwnRecord();

// Writes the encoded record to the caller's place, under one exclusive lock
// with the check that the place still holds this caller's player. A place
// now holding someone else or nothing is never written: the session ends
// with a notice instead.
void WriteOwnRecord(const PlayerBytes& bytes);

// For a step that holds kordavin.ply exclusively: ends the session, writing
// nothing, when the caller's place no longer holds his player. Called before
// the step writes anything, so that it writes all or nothing.
void CheckOwnPlace(RecordFile& players);
// Writes the caller's record as the screen shows it into the held file when
// it changed; CheckOwnPlace has been called under the same lock.
void StoreOwnRecordIn(RecordFile& players);
