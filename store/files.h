// The shared data files: names, record access with its retry loop and
// messages, and the operations on the current player, news and presence.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "store/data_files.h"
#include "store/caller.h"
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

struct LockedOpen {
  int fd = -1;               // open and locked; -1 when either failed
  int open_error = 0;        // errno of a failed open
  bool lock_denied = false;  // opened, but another process kept the lock
};

// Opens path with flags (a file O_CREAT makes gets mode 0666 less the umask)
// and takes a shared or exclusive lock on its records. Another node holds one
// only for a scan or a record, so a refusal is asked again, five times in all
// with a 100 ms pause after each. A file system that keeps no such locks
// counts as locked: the files were shared without them before. The door and
// the sysop tool both open through here, so they wait for each other the
// same way; each reports a failure in its own words.
LockedOpen OpenAndLock(const std::string& path, int flags, bool exclusive);

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

// Finds the caller's record by his key (CallerKey), or carries his record
// over from his former key; sets GameSession.Player and PlayerNumber.
bool LoadPlayer();
void SavePlayer();
// Reads player number n (1-based) from kordavin.ply into player.
void ReadPlayer(int16_t number, PlayerRecord& player);
// Appends a new player under one exclusive lock; returns its 1-based number.
int16_t AppendPlayer(const PlayerRecord& player);
// Joins a new player unless a record with his key is there by now (the same
// caller joining on another node at the same moment): one exclusive lock
// over the look and the append. The joined record lands in joined; returns
// its 1-based number; found tells that it was there already.
int16_t JoinPlayer(const PlayerRecord& player, PlayerRecord& joined, bool& found);
// Number of whole records in kordavin.ply.
int16_t CountPlayerRecords();
// Addressed to a player's key (KeyOf his record), so that news for a player
// keyed by his real name never reaches a caller who took that name as handle.
void PostNews(const PlayerKey& to, std::string_view line1, std::string_view line2);
// Unread news addressed to from is addressed to to; and the winner's line of
// a won game, when winner_name won it under old_alias, shows new_key.
void ReaddressNews(const PlayerKey& from, const PlayerKey& to);
void ReaddressWinner(std::string_view winner_name, std::string_view old_alias,
                     const PlayerKey& new_key);
void LoadNameLists();
void WriteNodeRecord(uint8_t page_flag, std::string_view message);
void EraseNodeRecord();
[[noreturn]] void EndSession();
// Reads kordavin.cfg (an 84- or 128-byte file); a missing or short file reads as empty.
GameConfig ReadConfig();
// Rewrites the first 84 bytes of kordavin.cfg.
void WriteConfig(const GameConfig& config);
