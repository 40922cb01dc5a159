// Record access for the sysop tool. The door ends a caller's session on a
// lasting failure (and waits for a key first); a tool run from a script must
// instead say what went wrong and exit. These go through the store's own
// record operations, with its locks and retries, and tell every failure as
// text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/dat_lines.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/records.h"

struct LockedFile {
  RecordFile records;
  std::string path;
};

// Opens an existing file of record_size records under a shared or exclusive
// lock, waiting for another process as the door does. A missing file sets
// missing and returns false with no error text.
bool OpenLocked(const std::string& path, size_t record_size, bool exclusive, LockedFile& file,
                bool& missing, std::string& error);
void CloseLocked(LockedFile& file);

// Whole records in the file, and the bytes left over after the last one.
int64_t CountLockedRecords(const LockedFile& file, int64_t& leftover);
bool ReadLockedRecord(LockedFile& file, int64_t index, uint8_t* bytes, std::string& error);
// A write a full disk cut short is taken back, as the door's are.
bool WriteLockedRecord(LockedFile& file, int64_t index, const uint8_t* bytes, std::string& error);
// What went wrong with a record file, in the tool's words.
std::string StoreErrorText(const StoreStatus& status, const std::string& path, int64_t index);

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
