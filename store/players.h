// The player file: finding the caller, saving him, and the single-record
// read and the append that actions against rivals and joining need.
#pragma once

#include <cstdint>
#include <functional>

#include "store/records.h"

// Finds the caller's record by his key (CallerKey), or carries his record
// over from his former key; sets GameSession.Player and PlayerNumber.
bool LoadPlayer();
void SavePlayer();
// Reads player number n (1-based) from kordavin.ply into player.
void ReadPlayer(int32_t number, PlayerRecord& player);
// Appends a new player under one exclusive lock; returns its 1-based number.
int32_t AppendPlayer(const PlayerRecord& player);
// Joins a new player unless a record with his key is there by now (the same
// caller joining on another node at the same moment): one exclusive lock
// over the look and the append. The joined record lands in joined; returns
// its 1-based number; found tells that it was there already.
int32_t JoinPlayer(const PlayerRecord& player, PlayerRecord& joined, bool& found);
// Number of whole records in kordavin.ply.
int32_t CountPlayerRecords();
// Hands every whole player record to visit, in file order with its 0-based
// index, under one shared lock, until visit returns false; returns the
// number of records in the file. Nothing may be sent from visit: gather, and
// show once the file is let go.
int64_t ScanPlayers(const std::function<bool(int64_t index, const PlayerRecord& player)>& visit);
// Hands the standing of every whole record from index first on to visit,
// as ScanPlayers hands the records, without decoding them: a board of tens
// of thousands is ranked or searched at once, and a list shown a screen at a
// time reads only the screen it shows. The names in it last only until visit
// returns.
int64_t ScanStandings(int64_t first,
                      const std::function<bool(int64_t index, const PlayerStanding& standing)>& visit);
