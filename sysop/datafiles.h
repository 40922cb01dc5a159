// Record access for the sysop tool. The door ends a caller's session on a
// lasting failure (and waits for a key first); a tool run from a script must
// instead say what went wrong and exit. A command that writes does it as one
// StoreStep, with the door's locks, lock order and retries, and hang-ups held
// from its first write to its last; one that only reads takes shared locks
// through the store's record operations. These tell every failure as text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/dat_lines.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/records.h"
#include "store/step.h"

// What went wrong with a record file, in the tool's words.
std::string StoreErrorText(const StoreStatus& status, const std::string& path, int64_t index);

// Takes which into step, waiting for another process as the door does. A
// missing file sets missing and returns false with no error text: the step
// never creates one unless its open_flags say so.
bool TakeStepFile(StoreStep& step, StepFile which, bool& missing, std::string& error);
// A write a full disk cut short is taken back, as the door's are.
bool WriteStepRecord(StoreStep& step, StepFile which, int64_t index, const uint8_t* bytes,
                     std::string& error);

// Opens an existing file of record_size records for reading under a shared
// lock. Reading needs no write permission, so a sysop account that may only
// read the files can still list them. A missing file sets missing and
// returns false with no error text.
bool OpenShared(const std::string& path, size_t record_size, RecordFile& file, bool& missing,
                std::string& error);
// One record of an open file, path naming it in the error.
bool ReadRecordText(RecordFile& file, const std::string& path, int64_t index, uint8_t* bytes,
                    std::string& error);
// Every whole player record of an open kordavin.ply, in file order.
bool ReadEveryPlayer(RecordFile& file, const std::string& path, std::vector<PlayerRecord>& players,
                     std::string& error);

// Every whole player record of dir's kordavin.ply, in file order (an absent
// file has none). A cut-off last record is left out and named in warning.
bool ReadAllPlayers(const std::string& dir, std::vector<PlayerRecord>& players,
                    std::string& warning, std::string& error);

// kordavin.cfg's record; an absent or short file reads as a running game.
bool ReadGameConfig(const std::string& dir, GameConfig& config, std::string& error);

struct NameLists {
  std::array<std::string, kClothesNames + 1> clothes;  // [1..10]
  std::array<std::string, kWhoreNames + 1> whores;    // [1..50]
};

// The clothes and whore names of dir's kordavin.dat, cut as the door cuts
// them; names it lacks stay empty.
NameLists ReadNameLists(const std::string& dir);
const std::string& ClothesNameIn(const NameLists& lists, int index);
const std::string& WhoreNameIn(const NameLists& lists, int index);
