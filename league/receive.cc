// The receiving half: league files from the inbound, checked, kept or
// refused, and other boards' new winners told to this board's players.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <set>

#include "league/exchange.h"
#include "league/keys.h"
#include "league/standings.h"
#include "store/caller.h"
#include "store/data_files.h"
#include "store/files.h"

namespace {

struct Incoming {
  std::string name;   // in the inbound
  std::string bytes;  // at most one byte past the limit
  PacketFault fault = PacketFault::kNone;
  ScorePacket packet;
  bool members = false;
  bool stored = false;
  bool already = false;  // taken by an earlier run that could not delete it
};

// "X.kdl", or "X.kdl.N" as a mailer renames a second file of one name.
bool IsLeagueFile(const std::string& name) {
  for (const std::string ext : {kScoreExtension, kMembersExtension}) {
    const size_t at = name.rfind(ext);
    if (at == std::string::npos || at == 0) continue;
    const std::string rest = name.substr(at + ext.size());
    if (rest.empty()) return true;
    if (rest.size() > 1 && rest[0] == '.' &&
        std::all_of(rest.begin() + 1, rest.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return true;
    }
  }
  return false;
}

std::vector<std::string> LeagueFiles(const std::string& inbound) {
  std::vector<std::string> names;
  DIR* listing = opendir(inbound.c_str());
  if (listing == nullptr) return names;
  while (const dirent* entry = readdir(listing)) {
    if (IsLeagueFile(entry->d_name)) names.emplace_back(entry->d_name);
  }
  closedir(listing);
  std::sort(names.begin(), names.end());
  return names;
}

// Whatever its mode, a file the mailer left is read if it can be; one that
// cannot is left where it is and reported.
bool ReadInbound(const std::string& path, std::string& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  bytes.clear();
  char buffer[65536];
  while (ok && bytes.size() <= kMaxPacketBytes) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) ok = false;
    if (got <= 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  if (bytes.size() > kMaxPacketBytes + 1) bytes.resize(kMaxPacketBytes + 1);
  return ok;
}

std::string Timestamp(int64_t now) {
  const time_t seconds = static_cast<time_t>(now);
  struct tm local {};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

void Log(const std::string& dir, int64_t now, const std::string& line, std::ostream& out) {
  std::ofstream log(dir + kLeagueLogFile, std::ios::app);
  log << Timestamp(now) << " " << line << "\n";
  out << line << "\n";
}

bool SameFileBytes(const std::string& path, const std::string& bytes) {
  std::string there;
  return ReadInbound(path, there) && there == bytes;
}

// Moved when the mailer's directory allows it, else copied; a file that
// cannot be deleted and is already in bad/ is not refused twice.
void MoveToBad(const std::string& dir, const std::string& inbound, const Incoming& file,
               int64_t now, std::ostream& out) {
  const std::string bad = dir + kBadDir;
  mkdir(bad.c_str(), 0755);
  const std::string from = inbound + "/" + file.name;
  std::string to = bad + "/" + file.name;
  if (SameFileBytes(to, file.bytes)) {
    unlink(from.c_str());
    return;
  }
  for (int n = 1; access(to.c_str(), F_OK) == 0; ++n) to = bad + "/" + file.name + "." + std::to_string(n);
  if (rename(from.c_str(), to.c_str()) != 0) {
    std::ofstream copy(to, std::ios::binary);
    copy.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
    unlink(from.c_str());
  }
  Log(dir, now, "refused " + file.name + ": " + PacketFaultText(file.fault) + " (moved to " +
                    kBadDir + "/)", out);
}

PacketFault CheckScorePacket(const LeagueSettings& settings, Incoming& file) {
  PacketFault fault = DecodeScorePacket(file.bytes, file.packet);
  if (fault != PacketFault::kNone) return fault;
  if (file.packet.league != settings.league) return PacketFault::kOtherLeague;
  const LeagueMember* member = FindMember(settings, file.packet.board);
  if (member == nullptr) return PacketFault::kUnknownBoard;
  if (!SignatureMatches(file.bytes, member->key)) return PacketFault::kBadSignature;
  // This board's own packet come back is old news by definition.
  if (file.packet.board == settings.board) return PacketFault::kReplay;
  return PacketFault::kNone;
}

PacketFault TakeMemberList(const std::string& dir, LeagueSettings& settings, Incoming& file,
                           std::ostream& out) {
  MemberList list;
  PacketFault fault = DecodeMemberList(file.bytes, list);
  if (fault != PacketFault::kNone) return fault;
  if (list.league != settings.league) return PacketFault::kOtherLeague;
  const LeagueMember* coordinator = FindMember(settings, settings.coordinator);
  if (list.coordinator != settings.coordinator || coordinator == nullptr) {
    return PacketFault::kUnknownBoard;
  }
  if (!SignatureMatches(file.bytes, coordinator->key)) return PacketFault::kBadSignature;
  if (list.sequence == settings.members_sequence) {
    file.already = true;
    return PacketFault::kNone;
  }
  if (list.sequence < settings.members_sequence) return PacketFault::kReplay;
  LeagueSettings updated = settings;
  updated.members = list.members;
  updated.league_name = list.league_name;
  updated.members_sequence = list.sequence;
  if (!SettingsProblem(updated).empty()) return PacketFault::kOutOfRange;
  std::string error;
  if (!WriteLeagueSettings(dir, updated, error)) {
    out << "kordavin-sysop: " << error << "\n";
    return PacketFault::kNone;
  }
  settings = updated;
  if (FindMember(settings, settings.board) == nullptr) {
    out << "warning: the coordinator's list no longer names this board\n";
  }
  return PacketFault::kNone;
}

std::string WinnerLine(const ScorePacket& board) {
  return board.winner + " of " + board.board_name + " bought Flaming Sheinen's on " +
         ShortDate(board.win_date) + ".";
}

// One message for each of this board's players, in free slots first, all
// under one lock.
void TellPlayers(const std::string& dir, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  // Each player's key as his record holds it, handle or real name, so the
  // line reaches him whichever he is known by until he is carried over.
  std::set<std::pair<std::string, uint8_t>> keys;
  RecordFile players;
  if (OpenRecordFile(players, kPlayerFile, kPlayerRecordSize, kModeShared)) {
    ScanRecords(players, RecordCount(players), [&keys](int64_t, const uint8_t* record) {
      const PlayerKey key = KeyOf(DecodePlayer(record));
      if (!key.Name.empty()) keys.insert({key.Name, key.Kind});
      return true;
    });
    CloseRecordFile(players);
  }
  const int fd = open((dir + kNewsFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) close(fd);
  RecordFile news;
  if (!OpenRecordFile(news, kNewsFile, kNewsMessageSize, kModeExclusive)) return;
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
    const size_t split = line.size() > 77 ? line.find(" bought ") : std::string::npos;
    message.Line1 = line.substr(0, std::min<size_t>(split, 77));
    if (split != std::string::npos) message.Line2 = line.substr(split + 1, 77);
    for (const auto& [name, kind] : keys) {
      message.To = name.substr(0, 50);
      message.ToKind = kind;
      const NewsBytes bytes = EncodeNews(message);
      SeekRecord(news, used < free_slots.size() ? free_slots[used++] : next_new++);
      WriteRecord(news, bytes.data());
    }
  }
  CloseRecordFile(news);
}

}  // namespace

bool ReceiveFromLeague(const std::string& dir, LeagueSettings& settings, int64_t now,
                       std::ostream& out, std::string& error) {
  const std::vector<std::string> names = LeagueFiles(settings.inbound);
  std::vector<Incoming> files;
  for (const std::string& name : names) {
    Incoming file;
    file.name = name;
    if (!ReadInbound(settings.inbound + "/" + name, file.bytes)) {
      out << "cannot read " << settings.inbound << "/" << name << ": left in the inbound\n";
      continue;
    }
    file.members = LooksLikeMemberList(file.bytes);
    files.push_back(std::move(file));
  }
  // A new member list first: packets of boards it adds are then known.
  for (Incoming& file : files) {
    if (file.members) file.fault = TakeMemberList(dir, settings, file, out);
  }
  std::vector<Incoming*> scores;
  for (Incoming& file : files) {
    if (file.members) continue;
    file.fault = CheckScorePacket(settings, file);
    if (file.fault == PacketFault::kNone) scores.push_back(&file);
  }
  std::sort(scores.begin(), scores.end(), [](const Incoming* a, const Incoming* b) {
    return a->packet.board != b->packet.board ? a->packet.board < b->packet.board
                                              : a->packet.sequence < b->packet.sequence;
  });
  std::vector<ScorePacket> packets;
  for (const Incoming* file : scores) packets.push_back(file->packet);
  std::vector<std::string> winners;
  size_t next = 0;
  const bool stored = StoreStandings(packets, [&](const ScorePacket& old, const ScorePacket& packet) {
    Incoming& file = *scores[next++];
    if (packet.sequence <= old.sequence) {
      file.already = packet.sequence == old.sequence;
      if (!file.already) file.fault = PacketFault::kReplay;
      return false;
    }
    if (!packet.winner.empty() && (packet.winner != old.winner || packet.win_date != old.win_date)) {
      winners.push_back(WinnerLine(packet));
    }
    file.stored = true;
    return true;
  });
  if (!stored) {
    error = "cannot write " + dir + kStandingsFile;
    return false;
  }
  int accepted = 0, refused = 0;
  for (const Incoming& file : files) {
    if (file.fault != PacketFault::kNone) {
      MoveToBad(dir, settings.inbound, file, now, out);
      ++refused;
      continue;
    }
    // A file the mailer's user owns in a directory this user may not change
    // stays; the next run knows it by its sequence and passes over it.
    unlink((settings.inbound + "/" + file.name).c_str());
    if (file.already) continue;
    ++accepted;
    if (file.members) {
      Log(dir, now, "accepted " + file.name + ": the member list, " +
                        std::to_string(settings.members.size()) + " boards", out);
    } else {
      Log(dir, now, "accepted " + file.name + ": board " + std::to_string(file.packet.board) +
                        " (" + file.packet.board_name + "), " +
                        std::to_string(file.packet.players.size()) + " players", out);
    }
  }
  TellPlayers(dir, winners);
  out << accepted << " accepted, " << refused << " refused\n";
  return true;
}
