// The caller's own record, kept on disk as the screen shows it: stored
// before any output leaves the door and before every key wait whenever it
// changed, so that hanging up never undoes an outcome already shown nor
// gives back what was spent. Every store is a merge (store/own_merge.h):
// what another node did to him meanwhile stands, and becomes his.
#pragma once

#include <cstdint>

#include "store/files.h"
#include "store/records.h"

// The door's BeforeSend slot: stores the caller's record when it differs
// from what was last stored. Inside a step (a data file held) it does
// nothing: the step stores the caller itself before it lets go.
void StoreCallerBeforeSend();

// The time left that a record may hold: never below 0. A stake that takes
// more than was left overspends the day; stored negative, it would read back
// as a day never begun.
int16_t StoredTimeLeft(int16_t time_left);

// Brings player to what the caller's stored record holds - no cash below 0,
// the caller's key, the session's day and the time left now. Every write of
// the caller's own record is built here.
PlayerRecord StoredRecordOf(PlayerRecord player);

// Stores GameSession.Player as the screen shows it (cash, whores, items,
// GameSession.TimeLeft, the session's day, the caller's alias) when it
// differs from what this session last stored. Draws no random number, sends
// nothing, and touches no file when nothing changed. Called by the door
// before it blocks for a key.
void StoreOwnRecord();

// While he waits at a prompt, woken by the node that changed his record:
// when another node changed it since his last store, adopts it, so that what
// he decides next is decided on his cash and whores as they stand, not on
// figures a thief has since changed.
// Reads under a shared lock; writes nothing unless he had changes unstored.
// False when another node held the file: he is to be looked at again shortly.
bool RefreshOwnRecord();

// Merges mine onto the caller's place, under one exclusive lock with the
// check that the place still holds this caller's player, and makes the
// merged record GameSession.Player. A place now holding someone else or
// nothing is never written: the session ends with a notice instead.
void WriteOwnRecord(const PlayerRecord& mine);

// The record as the daily login read it: the base of the session's first store.
void RememberOwnRecord(const PlayerRecord& as_read);

// The day of the month the session's day began, which every store keeps as
// LastDay: a session that plays on past midnight still belongs to the day
// whose night is paid at the next call. Today until the daily login.
uint8_t SessionDay();

// For a step that holds kordavin.ply exclusively: ends the session, writing
// nothing, when the caller's place no longer holds his player. Called before
// the step writes anything, so that it writes all or nothing.
void CheckOwnPlace(RecordFile& players);
// For a step that holds kordavin.ply exclusively: CheckOwnPlace, then makes
// his record as the held file has it (with his own unstored changes laid on
// it) the session's, so that the step decides on what he holds now, not on
// what a thief has taken since. Writes nothing: the step stores him.
void AdoptOwnRecordIn(RecordFile& players);
// Merges the caller's record as the screen shows it into the held file when
// it changed; CheckOwnPlace has been called under the same lock.
void StoreOwnRecordIn(RecordFile& players);
