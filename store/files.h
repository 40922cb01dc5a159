// The shared data files: names, record access with its retry loop and
// messages, and the operations on the current player, news and presence.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/records.h"

// Open modes: shared for scans and loads, exclusive before a rewrite/append.
constexpr int kModeShared = 66;
constexpr int kModeExclusive = 50;

// I/O codes reported by the record operations.
constexpr int kErrShortRead = 100;
constexpr int kErrShortWrite = 101;
constexpr int kErrNotOpen = 103;
// A seek before the first record or past the append position.
constexpr int kErrBadPosition = 22;

struct RecordFile {
  int fd = -1;             // open descriptor, -1 when not open
  size_t record_size = 0;  // 276, 84, 208 or 112
  int64_t position = 0;    // current record index
};

// ProgramDir + name.
std::string DataPath(std::string_view name);
// "kordavin." + node number.
std::string NodeFileName(int node);

// name is a file of the data directory ("kordavin.ply"), or a path when it
// holds a "/". Mode 66 takes a shared lock, mode 50 an exclusive one, both
// held until CloseRecordFile: never keep a file open across a key wait.
bool OpenRecordFile(RecordFile& file, std::string_view name, size_t record_size, int mode);
bool SeekRecord(RecordFile& file, int64_t index);
bool ReadRecord(RecordFile& file, uint8_t* record);
bool WriteRecord(RecordFile& file, const uint8_t* record);
int64_t RecordCount(const RecordFile& file);
bool AtEndOfFile(const RecordFile& file);
void CloseRecordFile(RecordFile& file);
// Whether this process holds any record file open (a step is under way).
bool HoldsRecordFile();
// Closes every record file this process holds; for a session ending.
void CloseHeldRecordFiles();

// Reads the records from the current position on, many per system call, and
// hands each to visit with its 0-based index until visit returns false or
// `most` records were visited. A cut-off record at the end fails as
// ReadRecord does; a scan that must pass over one gives the count of whole
// records as `most`. A file that is not open has no records. The position ends just past the last record visited.
void ScanRecords(RecordFile& file, int64_t most,
                 const std::function<bool(int64_t index, const uint8_t* record)>& visit);

bool LoadPlayer();
void SavePlayer();
// Reads player number n (1-based) from kordavin.ply into player.
void ReadPlayer(int16_t number, PlayerRecord& player);
// Writes player number n (1-based) back to kordavin.ply as one record.
void WritePlayer(int16_t number, const PlayerRecord& player);
// Appends a new player under one exclusive lock; returns its 1-based number.
int16_t AppendPlayer(const PlayerRecord& player);
// Number of whole records in kordavin.ply.
int16_t CountPlayerRecords();
void PostNews(std::string_view to, std::string_view line1, std::string_view line2);
void LoadNameLists();
void WriteNodeRecord(uint8_t page_flag, std::string_view message);
void EraseNodeRecord();
[[noreturn]] void EndSession();
// Reads kordavin.cfg (an 84- or 128-byte file); a missing or short file reads as empty.
GameConfig ReadConfig();
// Rewrites the first 84 bytes of kordavin.cfg.
void WriteConfig(const GameConfig& config);
