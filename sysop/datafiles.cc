#include "sysop/datafiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "store/files.h"

namespace {

const std::string kNoName;

std::string SystemError(const std::string& what, const std::string& path, int code) {
  return what + " " + path + ": " + std::strerror(code);
}

off_t OffsetOf(size_t record_size, int64_t index) {
  return static_cast<off_t>(index * static_cast<int64_t>(record_size));
}

// kordavin.dat is a DOS text file: a line ends at LF, and a CR before it is
// not part of the text.
std::string CutLine(std::string line, size_t max) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > max) line.resize(max);
  return line;
}

}  // namespace

bool OpenLocked(const std::string& path, bool exclusive, LockedFile& file, bool& missing,
                std::string& error) {
  CloseLocked(file);
  missing = false;
  // Reading needs no write permission, so a sysop account that may only
  // read the files can still list them.
  const LockedOpen opened = OpenAndLock(path, exclusive ? O_RDWR : O_RDONLY, exclusive);
  if (opened.lock_denied) {
    error = "cannot lock " + path + ": another node holds it";
    return false;
  }
  if (opened.fd < 0) {
    missing = opened.open_error == ENOENT;
    if (!missing) error = SystemError("cannot open", path, opened.open_error);
    return false;
  }
  file.fd = opened.fd;
  file.path = path;
  return true;
}

void CloseLocked(LockedFile& file) {
  if (file.fd >= 0) close(file.fd);
  file.fd = -1;
}

int64_t CountRecords(const LockedFile& file, size_t record_size, int64_t& leftover) {
  struct stat info {};
  leftover = 0;
  if (file.fd < 0 || record_size == 0 || fstat(file.fd, &info) != 0) return 0;
  const int64_t bytes = static_cast<int64_t>(info.st_size);
  leftover = bytes % static_cast<int64_t>(record_size);
  return bytes / static_cast<int64_t>(record_size);
}

bool ReadRecordAt(const LockedFile& file, size_t record_size, int64_t index, uint8_t* bytes,
                  std::string& error) {
  ssize_t got;
  do {
    got = pread(file.fd, bytes, record_size, OffsetOf(record_size, index));
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(record_size)) return true;
  error = got < 0 ? SystemError("cannot read", file.path, errno)
                  : "cannot read " + file.path + ": record " + std::to_string(index + 1) +
                        " is cut off";
  return false;
}

bool WriteRecordAt(const LockedFile& file, size_t record_size, int64_t index,
                   const uint8_t* bytes, std::string& error) {
  ssize_t put;
  do {
    put = pwrite(file.fd, bytes, record_size, OffsetOf(record_size, index));
  } while (put < 0 && errno == EINTR);
  if (put == static_cast<ssize_t>(record_size)) return true;
  error = put < 0 ? SystemError("cannot write", file.path, errno)
                  : "cannot write " + file.path + ": the disk took only part of a record";
  return false;
}

bool ReadAllPlayers(const std::string& dir, std::vector<PlayerRecord>& players,
                    std::string& warning, std::string& error) {
  players.clear();
  LockedFile file;
  bool missing = false;
  if (!OpenLocked(dir + kPlayerFile, false, file, missing, error)) return missing;
  int64_t leftover = 0;
  const int64_t count = CountRecords(file, kPlayerRecordSize, leftover);
  PlayerBytes bytes{};
  for (int64_t i = 0; i < count; ++i) {
    if (!ReadRecordAt(file, kPlayerRecordSize, i, bytes.data(), error)) {
      CloseLocked(file);
      return false;
    }
    players.push_back(DecodePlayer(bytes.data()));
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
  if (!OpenLocked(dir + kConfigFile, false, file, missing, error)) return missing;
  int64_t leftover = 0;
  ConfigBytes bytes{};
  bool ok = true;
  if (CountRecords(file, kGameConfigSize, leftover) > 0) {
    ok = ReadRecordAt(file, kGameConfigSize, 0, bytes.data(), error);
    if (ok) config = DecodeConfig(bytes.data());
  }
  CloseLocked(file);
  return ok;
}

NameLists ReadNameLists(const std::string& dir) {
  NameLists lists;
  std::ifstream in(dir + kDatFile, std::ios::binary);
  std::string line;
  for (int number = 1; number <= 65 && std::getline(in, line); ++number) {
    if (number >= 3 && number <= 12) lists.clothes[number - 2] = CutLine(line, 30);
    if (number >= 16) lists.whores[number - 15] = CutLine(line, 15);
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
