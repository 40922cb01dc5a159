#include "store/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/terminal.h"
#include "door/text.h"

namespace {

// Records a scan reads per system call: a few pages, so a scan of hundreds
// of players holds its lock for a handful of reads.
constexpr int64_t kScanBatch = 64;
// The descriptors of the record files this process holds open, so that a
// session that ends in the middle of a step lets every lock go before its
// last pause. A file closed that way is only forgotten by its own close.
std::vector<int> held_fds;
constexpr int kDeniedPauseMs = 100;

// Codes an open can fail with; only "denied" is worth waiting for, since it
// means another node is inside the file right now.
constexpr int kErrFileNotFound = 2;
constexpr int kErrPathNotFound = 3;
constexpr int kErrTooManyOpen = 4;

int OpenErrorCode(int error) {
  switch (error) {
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case EMFILE:
    case ENFILE: return kErrTooManyOpen;
    // A file the door may not open is as closed to it as one another node
    // holds, and is reported the same way.
    case EACCES:
    case EPERM:
    case EROFS: return kLockDenied;
    // EIO shares its number with "denied"; it is a read failure, not a wait.
    case EIO: return kErrShortRead;
    default: return error;
  }
}

std::string PathOf(std::string_view name) {
  if (name.find('/') != std::string_view::npos) return std::string(name);
  return DataPath(name);
}

int64_t FileBytes(const RecordFile& file) {
  struct stat info {};
  if (file.fd < 0 || fstat(file.fd, &info) != 0) return 0;
  return static_cast<int64_t>(info.st_size);
}

off_t OffsetOf(const RecordFile& file) {
  return static_cast<off_t>(file.position * static_cast<int64_t>(file.record_size));
}

int TrySeek(RecordFile& file, int64_t index) {
  if (file.fd < 0) return kErrNotOpen;
  // Positioning past the last record would let a write leave a gap of
  // zeroed players behind it (a save after the file was emptied).
  if (index < 0 || index > RecordCount(file)) return kErrBadPosition;
  file.position = index;
  return 0;
}

int TryRead(RecordFile& file, uint8_t* record) {
  if (file.fd < 0) return kErrNotOpen;
  ssize_t got;
  do {
    got = pread(file.fd, record, file.record_size, OffsetOf(file));
  } while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(file.record_size)) return kErrShortRead;
  ++file.position;
  return 0;
}

void CutBackTo(const RecordFile& file, int64_t size) {
  while (ftruncate(file.fd, static_cast<off_t>(size)) != 0 && errno == EINTR) {
  }
}

// sys_error receives the system's reason for a failed write, 0 for a disk
// that took only part of the record.
int TryWrite(RecordFile& file, const uint8_t* record, int* sys_error = nullptr) {
  if (file.fd < 0) return kErrNotOpen;
  ssize_t put;
  const int64_t size_before = FileBytes(file);
  // One positioned write with hang-ups held off: a caller who drops the line
  // never leaves half a record behind for the other nodes.
  const HangupHold hold;
  do {
    put = pwrite(file.fd, record, file.record_size, OffsetOf(file));
  } while (put < 0 && errno == EINTR);
  if (sys_error != nullptr) *sys_error = put < 0 ? errno : 0;
  // A disk that fills up in the middle of an append keeps the part that fit;
  // cut it off again, or every later scan of the file would stop at it.
  if (put != static_cast<ssize_t>(file.record_size) && FileBytes(file) > size_before) {
    CutBackTo(file, size_before);
  }
  if (put != static_cast<ssize_t>(file.record_size)) return kErrShortWrite;
  ++file.position;
  return 0;
}

StoreRefusalHandler refusal_handler = nullptr;

StoreStatus Status(StoreOp op, int code, int sys_error = 0) { return StoreStatus{op, code, sys_error}; }

struct LockedOpen {
  int fd = -1;               // open and locked; -1 when either failed
  int open_error = 0;        // errno of a failed open
  bool lock_denied = false;  // opened, but another process kept the lock
};

// Fills bytes from the file at offset until it is full or the file ends;
// the number of bytes read, or -1 on a read error.
ssize_t ReadAt(int fd, uint8_t* bytes, size_t size, off_t offset) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = pread(fd, bytes + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

// The pause comes after the last refusal too, so that a caller who tries
// the whole operation again does not come straight back.
int LockWithRetry(int fd, bool exclusive, int attempts) {
  int result = kLockDenied;
  for (int attempt = 0; attempt < attempts && result == kLockDenied; ++attempt) {
    result = Host.LockFile(fd, exclusive);
    if (result == kLockDenied && attempts > 1) Host.SleepMs(kDeniedPauseMs);
  }
  return result;
}

LockedOpen OpenAndLock(const std::string& path, int flags, bool exclusive, int attempts) {
  LockedOpen opened;
  int fd;
  do {
    fd = open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    opened.open_error = errno;
    return opened;
  }
  if (LockWithRetry(fd, exclusive, attempts) == kLockDenied) {
    close(fd);
    opened.lock_denied = true;
    return opened;
  }
  opened.fd = fd;
  return opened;
}

}  // namespace

RecordFile::~RecordFile() { CloseRecordFile(*this); }

std::string DataPath(std::string_view name) {
  return DoorSession.ProgramDir + std::string(name);
}

StoreStatus OpenRecords(RecordFile& file, std::string_view name, size_t record_size,
                        bool exclusive, int flags, int attempts) {
  CloseRecordFile(file);
  if (record_size == 0) return Status(StoreOp::kOpen, kErrNotOpen);
  // Nothing is sent here. Output waiting now may describe the very change
  // this open is for, and the store comes before the send, not after; a send
  // from in here would also open the caller's file from inside this open, or
  // block on a stalled line with a lock held. Text that describes nothing
  // (a title, a menu) waits with the rest until the next key wait.
  const LockedOpen opened = OpenAndLock(PathOf(name), flags, exclusive, attempts);
  if (opened.lock_denied) return Status(StoreOp::kOpen, kLockDenied);
  if (opened.fd < 0) {
    return Status(StoreOp::kOpen, OpenErrorCode(opened.open_error), opened.open_error);
  }
  file.fd = opened.fd;
  file.record_size = record_size;
  file.position = 0;
  held_fds.push_back(opened.fd);
  return StoreStatus{};
}

StoreStatus ReadRecordAt(RecordFile& file, int64_t index, uint8_t* record) {
  int code = TrySeek(file, index);
  if (code != 0) return Status(StoreOp::kSeek, code);
  errno = 0;
  code = TryRead(file, record);
  return Status(StoreOp::kRead, code, code == 0 ? 0 : errno);
}

StoreStatus ReadRecordsAt(RecordFile& file, int64_t first, int64_t count, uint8_t* records) {
  const int code = TrySeek(file, first);
  if (code != 0) return Status(StoreOp::kSeek, code);
  const size_t size = file.record_size * static_cast<size_t>(std::max<int64_t>(count, 0));
  errno = 0;
  const ssize_t got = ReadAt(file.fd, records, size, OffsetOf(file));
  if (got != static_cast<ssize_t>(size)) return Status(StoreOp::kRead, kErrShortRead, errno);
  file.position += count;
  return StoreStatus{};
}

StoreStatus WriteRecordAt(RecordFile& file, int64_t index, const uint8_t* record) {
  int code = TrySeek(file, index);
  if (code != 0) return Status(StoreOp::kSeek, code);
  int sys_error = 0;
  code = TryWrite(file, record, &sys_error);
  return Status(StoreOp::kWrite, code, sys_error);
}

StoreStatus ReplaceContent(RecordFile& file, const uint8_t* bytes, size_t size) {
  if (file.fd < 0) return Status(StoreOp::kWrite, kErrNotOpen);
  const HangupHold hold;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = pwrite(file.fd, bytes + written, size - written, static_cast<off_t>(written));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Status(StoreOp::kWrite, n < 0 ? errno : kErrShortWrite, n < 0 ? errno : 0);
    written += static_cast<size_t>(n);
  }
  while (ftruncate(file.fd, static_cast<off_t>(size)) != 0) {
    if (errno != EINTR) return Status(StoreOp::kWrite, errno, errno);
  }
  file.position = 0;
  return StoreStatus{};
}

void SetStoreRefusalHandler(StoreRefusalHandler handler) { refusal_handler = handler; }

// Every file is closed before the caller is told, so that the pause for a key
// that follows never keeps another node locked out.
void RefuseStoreAccess(const StoreStatus& status) {
  CloseHeldRecordFiles();
  LetHangupsIn();
  if (refusal_handler != nullptr) refusal_handler(status);
  // A program that set no handler (the door and the sysop tool set
  // EndOnStoreRefusal) still never goes on past a failed write.
  EndProcess(0);
}

void EndUnlessStored(const StoreStatus& status) {
  if (!status.ok()) RefuseStoreAccess(status);
}

bool OpenRecordFile(RecordFile& file, std::string_view name, size_t record_size, int mode) {
  const StoreStatus opened =
      OpenRecords(file, name, record_size, mode == kModeExclusive, O_RDWR, kLockPatience);
  if (opened.code == kLockDenied) RefuseStoreAccess(opened);
  return opened.ok();
}

bool SeekRecord(RecordFile& file, int64_t index) {
  EndUnlessStored(Status(StoreOp::kSeek, TrySeek(file, index)));
  return true;
}

bool ReadRecord(RecordFile& file, uint8_t* record) {
  EndUnlessStored(Status(StoreOp::kRead, TryRead(file, record)));
  return true;
}

bool WriteRecord(RecordFile& file, const uint8_t* record) {
  EndUnlessStored(Status(StoreOp::kWrite, TryWrite(file, record)));
  return true;
}

int64_t RecordCount(const RecordFile& file) {
  if (file.record_size == 0) return 0;
  return FileBytes(file) / static_cast<int64_t>(file.record_size);
}

int64_t BytesAfterLastRecord(const RecordFile& file) {
  if (file.record_size == 0) return 0;
  return FileBytes(file) % static_cast<int64_t>(file.record_size);
}

// Measured in bytes, not whole records, so that a scan steps onto a cut-off
// last record and reports it instead of passing over it.
bool AtEndOfFile(const RecordFile& file) {
  if (file.fd < 0) return true;
  return static_cast<int64_t>(OffsetOf(file)) >= FileBytes(file);
}

void ScanRecords(RecordFile& file, int64_t most,
                 const std::function<bool(int64_t index, const uint8_t* record)>& visit) {
  if (file.fd < 0) return;  // a file that could not be opened holds no records
  const size_t size = file.record_size;
  std::vector<uint8_t> batch(size * static_cast<size_t>(kScanBatch));
  int64_t visited = 0;
  while (visited < most) {
    const int64_t wanted = std::min(kScanBatch, most - visited);
    const ssize_t got = ReadAt(file.fd, batch.data(), size * static_cast<size_t>(wanted),
                               OffsetOf(file));
    if (got < 0) RefuseStoreAccess(Status(StoreOp::kRead, kErrShortRead));
    const int64_t whole = got / static_cast<ssize_t>(size);
    for (int64_t k = 0; k < whole; ++k) {
      ++file.position;
      ++visited;
      if (!visit(file.position - 1, batch.data() + static_cast<size_t>(k) * size)) return;
    }
    if (got % static_cast<ssize_t>(size) != 0) {
      RefuseStoreAccess(Status(StoreOp::kRead, kErrShortRead));
    }
    if (whole < wanted) return;
  }
}

void CloseRecordFile(RecordFile& file) {
  if (file.fd >= 0 && std::erase(held_fds, file.fd) > 0) close(file.fd);
  file.fd = -1;
  file.position = 0;
}

bool HoldsRecordFile() { return !held_fds.empty(); }

void CloseHeldRecordFiles() {
  for (const int fd : held_fds) close(fd);
  held_fds.clear();
}
