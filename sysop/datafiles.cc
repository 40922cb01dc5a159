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

bool TakeStepFile(StoreStep& step, StepFile which, bool& missing, std::string& error) {
  const StoreStatus taken = step.Take(which);
  missing = taken.sys_error == ENOENT;
  if (!taken.ok() && !missing) error = StoreErrorText(taken, step.PathOf(which), -1);
  return taken.ok();
}

bool WriteStepRecord(StoreStep& step, StepFile which, int64_t index, const uint8_t* bytes,
                     std::string& error) {
  const StoreStatus written = step.Write(which, index, bytes);
  if (!written.ok()) error = StoreErrorText(written, step.PathOf(which), index);
  return written.ok();
}

bool OpenShared(const std::string& path, size_t record_size, RecordFile& file, bool& missing,
                std::string& error) {
  const StoreStatus opened = OpenRecords(file, path, record_size, false, O_RDONLY);
  missing = opened.sys_error == ENOENT;
  if (!opened.ok() && !missing) error = StoreErrorText(opened, path, -1);
  return opened.ok();
}

bool ReadRecordText(RecordFile& file, const std::string& path, int64_t index, uint8_t* bytes,
                    std::string& error) {
  const StoreStatus read = ReadRecordAt(file, index, bytes);
  if (!read.ok()) error = StoreErrorText(read, path, index);
  return read.ok();
}

bool ReadEveryPlayer(RecordFile& file, const std::string& path, std::vector<PlayerRecord>& players,
                     std::string& error) {
  const int64_t count = RecordCount(file);
  // Read in batches: a record at a time, a board of tens of thousands of
  // players took the nightly bulletin most of a second of system calls.
  constexpr int64_t kBatch = 1024;
  std::vector<uint8_t> bytes(kPlayerRecordSize * kBatch);
  players.reserve(players.size() + static_cast<size_t>(count));
  for (int64_t first = 0; first < count; first += kBatch) {
    const int64_t batch = std::min(kBatch, count - first);
    const StoreStatus read = ReadRecordsAt(file, first, batch, bytes.data());
    if (!read.ok()) {
      error = StoreErrorText(read, path, first);
      return false;
    }
    for (int64_t k = 0; k < batch; ++k) {
      players.push_back(DecodePlayer(bytes.data() + static_cast<size_t>(k) * kPlayerRecordSize));
    }
  }
  return true;
}

bool ReadAllPlayers(const std::string& dir, std::vector<PlayerRecord>& players,
                    std::string& warning, std::string& error) {
  players.clear();
  const std::string path = dir + kPlayerFile;
  RecordFile file;
  bool missing = false;
  if (!OpenShared(path, kPlayerRecordSize, file, missing, error)) return missing;
  if (!ReadEveryPlayer(file, path, players, error)) return false;
  const int64_t leftover = BytesAfterLastRecord(file);
  if (leftover > 0) {
    warning = std::string(kPlayerFile) + ": " + std::to_string(leftover) +
              " bytes after the last whole record";
  }
  return true;
}

bool ReadGameConfig(const std::string& dir, GameConfig& config, std::string& error) {
  config = GameConfig{};
  const std::string path = dir + kConfigFile;
  RecordFile file;
  bool missing = false;
  if (!OpenShared(path, kGameConfigSize, file, missing, error)) return missing;
  ConfigBytes bytes{};
  if (RecordCount(file) == 0) return true;
  if (!ReadRecordText(file, path, 0, bytes.data(), error)) return false;
  config = DecodeConfig(bytes.data());
  return true;
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
