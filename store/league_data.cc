#include "store/league_data.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "door/terminal.h"
#include "store/caller.h"
#include "store/files.h"

namespace {

constexpr size_t kBoardNameAt = 1;
constexpr size_t kSequenceAt = 42;
constexpr size_t kDateAt = 46;
constexpr size_t kWinnerAt = 54;
constexpr size_t kWinDateAt = 85;
constexpr size_t kCountAt = 93;
constexpr size_t kTotalAt = 95;
constexpr size_t kArrivedAt = 103;
constexpr size_t kGameAt = 111;
constexpr size_t kToldGameAt = 115;
constexpr int64_t kMostTotal = int64_t{1} << 62;
constexpr size_t kCashAt = 31;
constexpr size_t kWhoresAt = 35;
constexpr size_t kHouseAt = 36;
constexpr size_t kWardrobeAt = 37;
constexpr size_t kWorthAt = 38;

void PutLe(uint8_t* at, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLe(const uint8_t* at, int size) {
  uint64_t value = 0;
  for (int i = 0; i < size; ++i) value |= uint64_t{at[i]} << (8 * i);
  return value;
}

void PutText(uint8_t* at, const std::string& text, size_t most) {
  const size_t size = std::min(text.size(), most);
  at[0] = static_cast<uint8_t>(size);
  std::copy_n(text.data(), size, at + 1);
}

// A damaged length byte reads as the field's full size; bytes that could
// steer a terminal read as '?'.
std::string GetText(const uint8_t* at, size_t most) {
  std::string text(reinterpret_cast<const char*>(at + 1), std::min<size_t>(at[0], most));
  for (char& c : text) {
    if (!IsPlainName(std::string_view(&c, 1))) c = '?';
  }
  return text;
}

bool CreateIfMissing(const char* name) {
  const int fd = open(DataPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// Reads as much of record `index` as `size` asks, under the lock the open
// file holds.
bool ReadPart(const RecordFile& file, int64_t index, uint8_t* bytes, size_t size) {
  const off_t at = static_cast<off_t>(index) * static_cast<off_t>(kStandingsRecordSize);
  size_t done = 0;
  while (done < size) {
    const ssize_t got = pread(file.fd, bytes + done, size - done, at + static_cast<off_t>(done));
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeStandings(const ScorePacket& standings) {
  std::vector<uint8_t> bytes(kStandingsRecordSize, 0);
  uint8_t* at = bytes.data();
  at[0] = standings.board;
  PutText(at + kBoardNameAt, standings.board_name, kMaxBoardNameLength);
  PutLe(at + kSequenceAt, standings.sequence, 4);
  PutLe(at + kDateAt, static_cast<uint64_t>(standings.date), 8);
  PutText(at + kWinnerAt, standings.winner, kMaxPimpNameLength);
  PutLe(at + kWinDateAt, static_cast<uint64_t>(standings.win_date), 8);
  const size_t count = std::min(standings.players.size(), kMaxPacketPlayers);
  PutLe(at + kCountAt, count, 2);
  int64_t total = 0;
  for (size_t i = 0; i < count; ++i) {
    total = std::min(total + std::clamp<int64_t>(standings.players[i].worth, 0, kMostTotal), kMostTotal);
  }
  PutLe(at + kTotalAt, static_cast<uint64_t>(total), 8);
  PutLe(at + kArrivedAt, static_cast<uint64_t>(standings.arrived), 8);
  PutLe(at + kGameAt, standings.game, 4);
  PutLe(at + kToldGameAt, standings.told_game, 4);
  for (size_t i = 0; i < count; ++i) {
    const LeaguePlayer& player = standings.players[i];
    uint8_t* row = at + kSlotHeaderSize + i * kSlotPlayerSize;
    PutText(row, player.name, kMaxPimpNameLength);
    PutLe(row + kCashAt, static_cast<uint32_t>(player.cash), 4);
    row[kWhoresAt] = player.whores;
    row[kHouseAt] = player.house;
    row[kWardrobeAt] = player.wardrobe;
    PutLe(row + kWorthAt, static_cast<uint64_t>(player.worth), 8);
  }
  return bytes;
}

ScorePacket DecodeStandings(const uint8_t* bytes, size_t size, size_t most_players) {
  ScorePacket standings;
  if (size < kSlotHeaderSize) return standings;
  standings.board = bytes[0];
  standings.board_name = GetText(bytes + kBoardNameAt, kMaxBoardNameLength);
  standings.sequence = static_cast<uint32_t>(GetLe(bytes + kSequenceAt, 4));
  standings.date = static_cast<int64_t>(GetLe(bytes + kDateAt, 8));
  standings.winner = GetText(bytes + kWinnerAt, kMaxPimpNameLength);
  standings.win_date = static_cast<int64_t>(GetLe(bytes + kWinDateAt, 8));
  standings.total_worth =
      std::clamp<int64_t>(static_cast<int64_t>(GetLe(bytes + kTotalAt, 8)), 0, kMostTotal);
  standings.arrived = std::max<int64_t>(static_cast<int64_t>(GetLe(bytes + kArrivedAt, 8)), 0);
  standings.game = static_cast<uint32_t>(GetLe(bytes + kGameAt, 4));
  standings.told_game = static_cast<uint32_t>(GetLe(bytes + kToldGameAt, 4));
  size_t count = std::min<size_t>(static_cast<size_t>(GetLe(bytes + kCountAt, 2)), kMaxPacketPlayers);
  count = std::min({count, most_players, (size - kSlotHeaderSize) / kSlotPlayerSize});
  standings.players.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* row = bytes + kSlotHeaderSize + i * kSlotPlayerSize;
    LeaguePlayer player;
    player.name = GetText(row, kMaxPimpNameLength);
    player.cash = std::max(static_cast<int32_t>(static_cast<uint32_t>(GetLe(row + kCashAt, 4))), 0);
    player.whores = static_cast<uint8_t>(std::min<int>(row[kWhoresAt], kMaxWhores));
    player.house = static_cast<uint8_t>(std::min<int>(row[kHouseAt], kLastStreet));
    player.wardrobe = static_cast<uint8_t>(std::clamp<int>(row[kWardrobeAt], 1, kTopClothesLevel));
    player.worth = std::clamp<int64_t>(static_cast<int64_t>(GetLe(row + kWorthAt, 8)), player.cash,
                                       MostWorth(player.cash, player.whores));
    standings.players.push_back(std::move(player));
  }
  return standings;
}

std::vector<ScorePacket> ReadStandings(size_t most_players) {
  std::vector<ScorePacket> boards;
  RecordFile file;
  if (!OpenRecordFile(file, kStandingsFile, kStandingsRecordSize, kModeShared)) return boards;
  const size_t size = kSlotHeaderSize + std::min(most_players, kMaxPacketPlayers) * kSlotPlayerSize;
  std::vector<uint8_t> bytes(size);
  const int64_t count = RecordCount(file);
  for (int64_t index = 0; index < count; ++index) {
    if (!ReadPart(file, index, bytes.data(), size)) break;
    ScorePacket standings = DecodeStandings(bytes.data(), size, most_players);
    if (standings.board != 0) boards.push_back(std::move(standings));
  }
  CloseRecordFile(file);
  std::sort(boards.begin(), boards.end(),
            [](const ScorePacket& a, const ScorePacket& b) { return a.board < b.board; });
  return boards;
}

ScorePacket ReadBoardStandings(int board) {
  ScorePacket full;
  RecordFile file;
  if (!OpenRecordFile(file, kStandingsFile, kStandingsRecordSize, kModeShared)) return full;
  std::vector<uint8_t> bytes(kStandingsRecordSize);
  const int64_t count = RecordCount(file);
  for (int64_t index = 0; index < count; ++index) {
    uint8_t first = 0;
    if (!ReadPart(file, index, &first, 1)) break;
    if (first != board) continue;
    if (ReadPart(file, index, bytes.data(), bytes.size())) {
      full = DecodeStandings(bytes.data(), bytes.size(), kMaxPacketPlayers);
    }
    break;
  }
  CloseRecordFile(file);
  return full;
}

namespace {

// Each player's key as his record holds it, handle or real name, so a line
// reaches him whichever he is known by until he is carried over.
std::set<std::pair<std::string, uint8_t>> PlayerKeys() {
  std::set<std::pair<std::string, uint8_t>> keys;
  RecordFile players;
  if (!OpenRecordFile(players, kPlayerFile, kPlayerRecordSize, kModeShared)) return keys;
  ScanRecords(players, RecordCount(players), [&keys](int64_t, const uint8_t* record) {
    const PlayerKey key = KeyOf(DecodePlayer(record));
    if (!key.Name.empty()) keys.insert({key.Name, key.Kind});
    return true;
  });
  CloseRecordFile(players);
  return keys;
}

// One message for each player, in free slots first.
void WriteNewsForAll(RecordFile& news, const std::set<std::pair<std::string, uint8_t>>& keys,
                     const std::vector<std::string>& lines) {
  std::vector<int64_t> free_slots;
  ScanRecords(news, RecordCount(news), [&free_slots](int64_t slot, const uint8_t* record) {
    if (record[0] == 0) free_slots.push_back(slot);
    return true;
  });
  int64_t next_new = RecordCount(news);
  size_t used = 0;
  for (const std::string& line : lines) {
    NewsMessage message;
    // The whole sentence on one line when it fits, else split before "bought".
    const size_t split =
        line.size() > kNewsLineCapacity ? line.find(" bought ") : std::string::npos;
    message.Line1 = line.substr(0, std::min(split, kNewsLineCapacity));
    if (split != std::string::npos) message.Line2 = line.substr(split + 1, kNewsLineCapacity);
    for (const auto& [name, kind] : keys) {
      message.To = name.substr(0, kAliasCapacity);
      message.ToKind = kind;
      const NewsBytes bytes = EncodeNews(message);
      SeekRecord(news, used < free_slots.size() ? free_slots[used++] : next_new++);
      WriteRecord(news, bytes.data());
    }
  }
}

struct HeldSlots {
  std::map<int, std::pair<int64_t, ScorePacket>> boards;  // board -> record, header
  int64_t count = 0;
  std::vector<int64_t> free;
};

HeldSlots ReadHeaders(const RecordFile& file) {
  HeldSlots slots;
  slots.count = RecordCount(file);
  std::vector<uint8_t> header(kSlotHeaderSize);
  for (int64_t index = 0; index < slots.count; ++index) {
    if (!ReadPart(file, index, header.data(), header.size())) break;
    ScorePacket stored = DecodeStandings(header.data(), header.size(), 0);
    if (stored.board == 0) {
      slots.free.push_back(index);
    } else if (slots.boards.count(stored.board) == 0) {
      slots.boards[stored.board] = {index, std::move(stored)};
    }
  }
  std::reverse(slots.free.begin(), slots.free.end());
  return slots;
}

}  // namespace

bool StoreStandings(std::vector<ScorePacket> packets, const KeepStandings& keep) {
  if (!CreateIfMissing(kStandingsFile) || !CreateIfMissing(kNewsFile)) return false;
  // Only a winner is news: a nightly run with none reads no players.
  const bool may_tell = std::any_of(packets.begin(), packets.end(),
                                    [](const ScorePacket& packet) { return !packet.winner.empty(); });
  const std::set<std::pair<std::string, uint8_t>> keys =
      may_tell ? PlayerKeys() : std::set<std::pair<std::string, uint8_t>>{};
  RecordFile news, file;
  if (!OpenRecordFile(news, kNewsFile, kNewsMessageSize, kModeExclusive)) return false;
  if (!OpenRecordFile(file, kStandingsFile, kStandingsRecordSize, kModeExclusive)) {
    CloseRecordFile(news);
    return false;
  }
  HeldSlots slots = ReadHeaders(file);
  std::vector<std::string> lines;
  std::vector<std::pair<int64_t, const ScorePacket*>> writes;
  for (ScorePacket& packet : packets) {
    auto found = slots.boards.find(packet.board);
    const ScorePacket none;
    if (!keep(found == slots.boards.end() ? none : found->second.second, packet, lines)) continue;
    int64_t index = found != slots.boards.end() ? found->second.first : -1;
    if (index < 0 && !slots.free.empty()) {
      index = slots.free.back();
      slots.free.pop_back();
    }
    if (index < 0) index = slots.count++;
    std::vector<LeaguePlayer> players = std::move(packet.players);
    slots.boards[packet.board] = {index, packet};
    packet.players = std::move(players);
    writes.push_back({index, &packet});
  }
  {
    const HangupHold hold;
    for (const auto& [index, packet] : writes) {
      const std::vector<uint8_t> bytes = EncodeStandings(*packet);
      SeekRecord(file, index);
      WriteRecord(file, bytes.data());
    }
    WriteNewsForAll(news, keys, lines);
  }
  CloseRecordFile(file);
  CloseRecordFile(news);
  return true;
}

bool TellEveryPlayer(const std::vector<std::string>& lines) {
  if (lines.empty()) return true;
  if (!CreateIfMissing(kNewsFile)) return false;
  const std::set<std::pair<std::string, uint8_t>> keys = PlayerKeys();
  RecordFile news;
  if (!OpenRecordFile(news, kNewsFile, kNewsMessageSize, kModeExclusive)) return false;
  {
    const HangupHold hold;
    WriteNewsForAll(news, keys, lines);
  }
  CloseRecordFile(news);
  return true;
}

std::vector<PlayerRecord> ReadAllPlayers() {
  std::vector<PlayerRecord> records;
  RecordFile file;
  if (!OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared)) return records;
  ScanRecords(file, RecordCount(file), [&records](int64_t, const uint8_t* record) {
    records.push_back(DecodePlayer(record));
    return true;
  });
  CloseRecordFile(file);
  return records;
}

bool DropStandingsExcept(const std::vector<int>& boards) {
  RecordFile file;
  if (!OpenRecordFile(file, kStandingsFile, kStandingsRecordSize, kModeExclusive)) {
    return access(DataPath(kStandingsFile).c_str(), F_OK) != 0;
  }
  const HeldSlots slots = ReadHeaders(file);
  const std::vector<uint8_t> empty(kStandingsRecordSize, 0);
  for (const auto& [board, slot] : slots.boards) {
    if (std::find(boards.begin(), boards.end(), board) != boards.end()) continue;
    SeekRecord(file, slot.first);
    WriteRecord(file, empty.data());
  }
  CloseRecordFile(file);
  return true;
}

bool IsPlainName(std::string_view name) {
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || byte == 0xFF || c == '|' || c == '`') return false;
  }
  return true;
}

int64_t MostWorth(int32_t cash, uint8_t whores) {
  const int64_t counted = std::min<int>(whores, kMaxWhores);
  return int64_t{std::max(cash, 0)} + counted * kMostWhoreEarning;
}
