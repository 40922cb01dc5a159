#include "sysop/datafiles.h"

#include <fcntl.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "store/files.h"

namespace {

const std::string kNoName;

std::string SystemError(const std::string& what, const std::string& path, int code) {
  return what + " " + path + ": " + std::strerror(code);
}

// kordavin.dat is a DOS text file: a line ends at LF, and a CR before it is
// not part of the text.
std::string CutLine(std::string line, size_t max) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > max) line.resize(max);
  return line;
}

}  // namespace

std::string StoreErrorText(const StoreStatus& status, const std::string& path, int64_t index) {
  switch (status.op) {
    case StoreOp::kOpen:
      // A refusal the system gave (no permission) is no other node's doing.
      if (status.code == kLockDenied && status.sys_error == 0) {
        return "cannot lock " + path + ": another node holds it";
      }
      return SystemError("cannot open", path, status.sys_error);
    case StoreOp::kSeek:
    case StoreOp::kRead:
      if (status.sys_error != 0) return SystemError("cannot read", path, status.sys_error);
      return "cannot read " + path + ": record " + std::to_string(index + 1) + " is cut off";
    case StoreOp::kWrite:
      if (status.sys_error != 0) return SystemError("cannot write", path, status.sys_error);
      return "cannot write " + path + ": the disk took only part of a record";
  }
  return "cannot use " + path;
}

bool OpenLocked(const std::string& path, size_t record_size, bool exclusive, LockedFile& file,
                bool& missing, std::string& error) {
  CloseLocked(file);
  missing = false;
  // Reading needs no write permission, so a sysop account that may only
  // read the files can still list them.
  const StoreStatus opened =
      OpenRecords(file.records, path, record_size, exclusive, exclusive ? O_RDWR : O_RDONLY);
  if (!opened.ok()) {
    missing = opened.sys_error == ENOENT;
    if (!missing) error = StoreErrorText(opened, path, -1);
    return false;
  }
  file.path = path;
  return true;
}

void CloseLocked(LockedFile& file) { CloseRecordFile(file.records); }

int64_t CountLockedRecords(const LockedFile& file, int64_t& leftover) {
  leftover = BytesAfterLastRecord(file.records);
  return RecordCount(file.records);
}

bool ReadLockedRecord(LockedFile& file, int64_t index, uint8_t* bytes, std::string& error) {
  const StoreStatus read = ReadRecordAt(file.records, index, bytes);
  if (!read.ok()) error = StoreErrorText(read, file.path, index);
  return read.ok();
}

bool WriteLockedRecord(LockedFile& file, int64_t index, const uint8_t* bytes, std::string& error) {
  const StoreStatus written = WriteRecordAt(file.records, index, bytes);
  if (!written.ok()) error = StoreErrorText(written, file.path, index);
  return written.ok();
}

bool ReadAllPlayers(const std::string& dir, std::vector<PlayerRecord>& players,
                    std::string& warning, std::string& error) {
  players.clear();
  LockedFile file;
  bool missing = false;
  if (!OpenLocked(dir + kPlayerFile, kPlayerRecordSize, false, file, missing, error)) return missing;
  int64_t leftover = 0;
  const int64_t count = CountLockedRecords(file, leftover);
  // Read in batches: a record at a time, a board of tens of thousands of
  // players took the nightly bulletin most of a second of system calls.
  constexpr int64_t kBatch = 1024;
  std::vector<uint8_t> bytes(kPlayerRecordSize * kBatch);
  players.reserve(static_cast<size_t>(count));
  for (int64_t first = 0; first < count; first += kBatch) {
    const int64_t batch = std::min(kBatch, count - first);
    const StoreStatus read = ReadRecordsAt(file.records, first, batch, bytes.data());
    if (!read.ok()) {
      error = StoreErrorText(read, file.path, first);
      CloseLocked(file);
      return false;
    }
    for (int64_t k = 0; k < batch; ++k) {
      players.push_back(DecodePlayer(bytes.data() + static_cast<size_t>(k) * kPlayerRecordSize));
    }
  }
  CloseLocked(file);
  if (leftover > 0) {
    warning = std::string(kPlayerFile) + ": " + std::to_string(leftover) +
              " bytes after the last whole record";
  }
  return true;
}

bool ReadGameConfig(const std::string& dir, GameConfig& config, std::string& error) {
  config = GameConfig{};
  LockedFile file;
  bool missing = false;
  if (!OpenLocked(dir + kConfigFile, kGameConfigSize, false, file, missing, error)) return missing;
  int64_t leftover = 0;
  ConfigBytes bytes{};
  bool ok = true;
  if (CountLockedRecords(file, leftover) > 0) {
    ok = ReadLockedRecord(file, 0, bytes.data(), error);
    if (ok) config = DecodeConfig(bytes.data());
  }
  CloseLocked(file);
  return ok;
}

NameLists ReadNameLists(const std::string& dir) {
  NameLists lists;
  std::ifstream in(dir + kDatFile, std::ios::binary);
  std::string line;
  constexpr int kLastClothesLine = kFirstClothesLine + kClothesNames - 1;
  for (int number = 1; number <= kLastNameLine && std::getline(in, line); ++number) {
    if (number >= kFirstClothesLine && number <= kLastClothesLine) {
      lists.clothes[number - kFirstClothesLine + 1] = CutLine(line, kClothesNameLength);
    }
    if (number >= kFirstWhoreLine) {
      lists.whores[number - kFirstWhoreLine + 1] = CutLine(line, kWhoreNameLength);
    }
  }
  return lists;
}

const std::string& ClothesNameIn(const NameLists& lists, int index) {
  if (index < 1 || index >= static_cast<int>(lists.clothes.size())) return kNoName;
  return lists.clothes[index];
}

const std::string& WhoreNameIn(const NameLists& lists, int index) {
  if (index < 1 || index >= static_cast<int>(lists.whores.size())) return kNoName;
  return lists.whores[index];
}
