#include "store/validate.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#include "store/data_files.h"
#include "store/files.h"
#include "store/records.h"
#include "store/rules.h"

namespace {

// Where each string field's length byte sits and how long the field is. The
// decoders cut a long length silently, so damage is only visible in the raw
// bytes.
struct StringField {
  size_t at;
  uint8_t capacity;
  const char* name;
};

constexpr StringField kPlayerStrings[] = {{0, 30, "Name"}, {32, 50, "BbsAlias"}};
constexpr StringField kConfigStrings[] = {{0, 30, "WinnerName"}, {32, 50, "WinnerAlias"}};
constexpr StringField kNewsStrings[] = {{0, 50, "To"}, {52, 77, "Line1"}, {130, 77, "Line2"}};
constexpr StringField kNodeStrings[] = {{0, 30, "Name"}, {32, 79, "Message"}};


using Report = std::function<void(const std::string& what)>;

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

bool ReadBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Holds a value inside its range, reporting it when it was outside.
template <typename T>
void Clamp(T& value, const ValueRange& range, const char* field, const Report& report) {
  if (value >= range.low && value <= range.high) return;
  report(std::string(field) + " " + std::to_string(value) + " is outside " +
         std::to_string(range.low) + ".." + std::to_string(range.high));
  value = static_cast<T>(std::clamp<int64_t>(value, range.low, range.high));
}

bool Holds(const ValueRange& range, int64_t value) {
  return value >= range.low && value <= range.high;
}

void CheckStrings(uint8_t* record, const StringField* fields, size_t count, const Report& report) {
  for (size_t i = 0; i < count; ++i) {
    uint8_t& length = record[fields[i].at];
    if (length <= fields[i].capacity) continue;
    report(std::string(fields[i].name) + " length " + std::to_string(length) + " is past its " +
           std::to_string(fields[i].capacity) + "-byte field");
    length = fields[i].capacity;
  }
}

bool IsHiredSlot(const PlayerRecord& player, size_t slot) {
  return Holds(player_range::kWhoreNameIndex, player.WhoreNameIndex[slot]) &&
         Holds(player_range::kWhoreHours, player.WhoreHours[slot]);
}

// Slots are kept packed, so a count that cannot be trusted is rebuilt from
// the leading slots that hold a hired whore, rather than inventing twenty.
uint8_t HiredSlots(const PlayerRecord& player) {
  uint8_t count = 0;
  while (count < kMaxWhores && IsHiredSlot(player, count)) ++count;
  return count;
}

// Only the slots in use carry meaning; the rest may hold anything.
void CheckWhoreSlots(PlayerRecord& player, const Report& report) {
  for (int k = 0; k < player.WhoreCount; ++k) {
    const size_t slot = static_cast<size_t>(k);
    const std::string at = "[" + std::to_string(k + 1) + "]";
    Clamp(player.WhoreNameIndex[slot], player_range::kWhoreNameIndex,
          ("WhoreNameIndex" + at).c_str(), report);
    Clamp(player.WhoreHours[slot], player_range::kWhoreHours, ("WhoreHours" + at).c_str(), report);
    Clamp(player.WhoreCondoms[slot], player_range::kWhoreCondoms, ("WhoreCondoms" + at).c_str(),
          report);
  }
}

// Checks one player record and rewrites its bytes with every value clamped.
void CheckPlayer(uint8_t* bytes, const Report& report) {
  CheckStrings(bytes, kPlayerStrings, std::size(kPlayerStrings), report);
  const bool count_damaged = !Holds(player_range::kWhoreCount, bytes[player_at::kWhoreCount]);
  if (count_damaged) {
    report("WhoreCount " + std::to_string(bytes[player_at::kWhoreCount]) + " is outside 0.." +
           std::to_string(player_range::kWhoreCount.high));
  }
  PlayerRecord player = DecodePlayer(bytes);
  if (count_damaged) player.WhoreCount = HiredSlots(player);
  CheckWhoreSlots(player, report);
  Clamp(player.ClothesLevel, player_range::kClothesLevel, "ClothesLevel", report);
  Clamp(player.HouseStreet, player_range::kHouseStreet, "HouseStreet", report);
  const int32_t cash = player.Cash;
  if (RaiseNegativeCash(player)) report("Cash " + std::to_string(cash) + " is below 0");
  Clamp(player.LastDay, player_range::kLastDay, "LastDay", report);
  Clamp(player.TimeLeft, player_range::kTimeLeft, "TimeLeft", report);
  const PlayerBytes fixed = EncodePlayer(player);
  std::copy(fixed.begin(), fixed.end(), bytes);
}

void CheckConfig(uint8_t* bytes, const Report& report) {
  CheckStrings(bytes, kConfigStrings, std::size(kConfigStrings), report);
  // Holding a damaged day at 31 would start a new game on the 31st; "not
  // set" waits for the next winner instead.
  if (!Holds(kRerollDayRange, bytes[kGameConfigSize - 1])) {
    report("RerollDay " + std::to_string(bytes[kGameConfigSize - 1]) + " is outside 0.." +
           std::to_string(kRerollDayRange.high));
    bytes[kGameConfigSize - 1] = 0;
  }
}

void CheckNews(uint8_t* bytes, const Report& report) {
  CheckStrings(bytes, kNewsStrings, std::size(kNewsStrings), report);
}

void CheckNode(uint8_t* bytes, const Report& report) {
  CheckStrings(bytes, kNodeStrings, std::size(kNodeStrings), report);
}

struct FileKind {
  std::string name;
  size_t record_size;
  size_t whole_size;  // bytes a whole file needs at least; 0 = any multiple of the record
  size_t padded_size; // size a single-record file is created with
  void (*check)(uint8_t* bytes, const Report& report);
};

// kordavin.<node>: the node number in decimal, nothing after it.
bool IsPresenceFile(const std::string& name) {
  const std::string prefix = kNodeFilePrefix;
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  return std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<FileKind> DataFiles(const std::string& dir) {
  std::vector<FileKind> kinds = {
      {kPlayerFile, kPlayerRecordSize, 0, 0, CheckPlayer},
      {kConfigFile, kGameConfigSize, kGameConfigSize, kGameConfigFileSize, CheckConfig},
      {kNewsFile, kNewsMessageSize, 0, 0, CheckNews},
  };
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) return kinds;
  std::vector<std::string> nodes;
  while (dirent* entry = readdir(listing)) {
    if (IsPresenceFile(entry->d_name)) nodes.push_back(entry->d_name);
  }
  closedir(listing);
  std::sort(nodes.begin(), nodes.end());
  for (const std::string& node : nodes) kinds.push_back({node, kNodeRecordSize, kNodeRecordSize, kNodeFileSize, CheckNode});
  return kinds;
}

size_t RecordsIn(const FileKind& kind, size_t bytes) {
  if (kind.whole_size != 0) return bytes >= kind.whole_size ? 1 : 0;
  return bytes / kind.record_size;
}

bool IsCutShort(const FileKind& kind, size_t bytes) {
  // A session killed the instant it came in leaves its presence file made
  // but not yet written: it names nobody, as a missing one does.
  if (bytes == 0 && kind.check == CheckNode) return false;
  if (kind.whole_size != 0) return bytes < kind.whole_size;
  return bytes % kind.record_size != 0;
}

void FindProblemsIn(const std::string& dir, const FileKind& kind, std::vector<DataProblem>& out) {
  std::string bytes;
  if (!ReadBytes(JoinPath(dir, kind.name), bytes)) return;
  if (IsCutShort(kind, bytes.size())) {
    out.push_back({kind.name, -1,
                   "size " + std::to_string(bytes.size()) + " is not a whole number of " +
                       std::to_string(kind.record_size) + "-byte records"});
  }
  const size_t records = RecordsIn(kind, bytes.size());
  for (size_t i = 0; i < records; ++i) {
    auto* record = reinterpret_cast<uint8_t*>(bytes.data() + i * kind.record_size);
    kind.check(record, [&](const std::string& what) {
      out.push_back({kind.name, static_cast<int64_t>(i), what});
    });
  }
}

// A single-record file that is too short is padded with zeros, which the
// readers take as empty fields; a file of many records loses only its cut-off
// tail, which no reader could use.
int RepairSize(const std::string& path, const FileKind& kind) {
  RecordFile file;
  if (!OpenRecordFile(file, path, kind.record_size, kModeExclusive)) return 0;
  struct stat info {};
  int repairs = 0;
  if (fstat(file.fd, &info) == 0 && IsCutShort(kind, static_cast<size_t>(info.st_size))) {
    const size_t size = static_cast<size_t>(info.st_size);
    const size_t whole = kind.whole_size != 0 ? kind.padded_size
                                              : size / kind.record_size * kind.record_size;
    if (ftruncate(file.fd, static_cast<off_t>(whole)) == 0) repairs = 1;
  }
  CloseRecordFile(file);
  return repairs;
}

// Each damaged record is read and rewritten under one exclusive lock, so a
// node saving the same record meanwhile is never half overwritten.
int RepairRecords(const std::string& path, const FileKind& kind) {
  RecordFile file;
  if (!OpenRecordFile(file, path, kind.record_size, kModeExclusive)) return 0;
  const int64_t records = static_cast<int64_t>(RecordsIn(kind, static_cast<size_t>(
      RecordCount(file) * static_cast<int64_t>(kind.record_size))));
  std::vector<uint8_t> record(kind.record_size);
  int repairs = 0;
  for (int64_t i = 0; i < records; ++i) {
    SeekRecord(file, i);
    ReadRecord(file, record.data());
    int found = 0;
    kind.check(record.data(), [&](const std::string&) { ++found; });
    if (found == 0) continue;
    SeekRecord(file, i);
    WriteRecord(file, record.data());
    repairs += found;
  }
  CloseRecordFile(file);
  return repairs;
}

}  // namespace

std::vector<DataProblem> FindDataProblems(const std::string& dir) {
  std::vector<DataProblem> problems;
  for (const FileKind& kind : DataFiles(dir)) FindProblemsIn(dir, kind, problems);
  return problems;
}

int RepairDataFiles(const std::string& dir) {
  int repairs = 0;
  for (const FileKind& kind : DataFiles(dir)) {
    const std::string path = JoinPath(dir, kind.name);
    if (access(path.c_str(), F_OK) != 0) continue;
    repairs += RepairSize(path, kind);
    repairs += RepairRecords(path, kind);
  }
  return repairs;
}
