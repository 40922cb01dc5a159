// Record access to the shared data files: the open with its lock and retry
// loop, whole-record reads and writes, and the session's end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "door/platform.h"
#include "store/data_files.h"
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

// What a record operation came to. The door and the sysop tool each tell a
// failure in their own words; the store only says which operation it was.
enum class StoreOp : uint8_t { kOpen, kSeek, kRead, kWrite };
struct StoreStatus {
  StoreOp op = StoreOp::kOpen;
  int code = 0;        // 0, kLockDenied, or one of the I/O codes above
  int sys_error = 0;   // errno behind the code, when the system gave one
  bool ok() const { return code == 0; }
};

// An open record file with its lock. It closes itself when it goes out of
// scope, so no way out of an operation keeps another node locked out.
struct RecordFile {
  int fd = -1;             // open descriptor, -1 when not open
  size_t record_size = 0;  // 276, 84, 208 or 112
  int64_t position = 0;    // current record index

  RecordFile() = default;
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  ~RecordFile();
};

// ProgramDir + name.
std::string DataPath(std::string_view name);

// How many times a refused lock is asked for: the door's usual patience, or
// one look for what can as well wait for the next second.
constexpr int kLockPatience = 5;
constexpr int kLockOnce = 1;

// Opens path (a file of the data directory when it holds no "/") with the
// record size, under a shared or exclusive lock held until the file is
// closed. Another node holds one only for a scan or a record, so a refusal
// is asked again, `attempts` times in all with a 100 ms pause after each. A
// file system that keeps no such locks counts as locked: the files were
// shared without them before. Never sends and never ends the session: a
// failure comes back as the status, kLockDenied for a lock kept from us.
// flags are O_RDWR, O_RDONLY, with O_CREAT to make a missing file (mode
// 0666 less the umask).
StoreStatus OpenRecords(RecordFile& file, std::string_view name, size_t record_size,
                        bool exclusive, int flags, int attempts = kLockPatience);
// One whole record at index; a read past the end or of a cut-off record is
// kErrShortRead, and a write a full disk cut short is taken back.
StoreStatus ReadRecordAt(RecordFile& file, int64_t index, uint8_t* record);
// count whole records from index first on into records, in as few reads as
// the system allows: a tool that reads a board of tens of thousands at once.
StoreStatus ReadRecordsAt(RecordFile& file, int64_t first, int64_t count, uint8_t* records);
StoreStatus WriteRecordAt(RecordFile& file, int64_t index, const uint8_t* record);
// Makes bytes the held file's whole content: written over the start first,
// cut to length after, so no node ever finds it shorter than its first record.
StoreStatus ReplaceContent(RecordFile& file, const uint8_t* bytes, size_t size);

// The door's side of a failure: every held file is closed, hang-ups are let
// in, and the handler set by the game tells the caller and ends the session.
// The store decides nothing about what the caller sees.
using StoreRefusalHandler = void (*)(const StoreStatus& status);
void SetStoreRefusalHandler(StoreRefusalHandler handler);
[[noreturn]] void RefuseStoreAccess(const StoreStatus& status);
// Refuses when status is a failure; for the door, which never goes on past one.
void EndUnlessStored(const StoreStatus& status);

// For the door: name is a file of the data directory ("kordavin.ply"), or a
// path when it holds a "/". Mode 66 takes a shared lock, mode 50 an exclusive
// one. A refused lock and every failure of the operations below end the
// session through RefuseStoreAccess; a file that cannot be opened for any
// other reason returns false quietly.
bool OpenRecordFile(RecordFile& file, std::string_view name, size_t record_size, int mode);
bool SeekRecord(RecordFile& file, int64_t index);
bool ReadRecord(RecordFile& file, uint8_t* record);
bool WriteRecord(RecordFile& file, const uint8_t* record);
int64_t RecordCount(const RecordFile& file);
// Bytes after the last whole record: a record cut off by a full disk or a kill.
int64_t BytesAfterLastRecord(const RecordFile& file);
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

