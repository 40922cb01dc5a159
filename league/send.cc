// The sending half: this board's standings out through the mailer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <numeric>

#include "league/exchange.h"
#include "league/keys.h"
#include "league/outbound.h"
#include "league/standings.h"
#include "store/data_files.h"
#include "store/files.h"
#include "store/shared_data.h"

namespace {


bool SamePlayers(const std::vector<LeaguePlayer>& a, const std::vector<LeaguePlayer>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const LeaguePlayer& x, const LeaguePlayer& y) {
                      return x.name == y.name && x.cash == y.cash && x.whores == y.whores &&
                             x.house == y.house && x.wardrobe == y.wardrobe && x.worth == y.worth;
                    });
}

std::string FitName(const std::string& name) {
  std::string fit = name.substr(0, kMaxPimpNameLength);
  for (char& c : fit) {
    if (!IsPlainName(std::string_view(&c, 1))) c = '?';
  }
  return fit;
}

bool WriteFileAt(const std::string& path, const std::string& bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return close(fd) == 0 && written;
}

// A copy for each destination: the mailer deletes each after sending it.
bool QueueForMembers(const std::string& dir, const LeagueSettings& settings,
                     const std::string& name, const std::string& bytes, std::ostream& out,
                     std::string& error) {
  FtnAddress own;
  ParseFtnAddress(settings.address, own);
  // The mailer reads the flow file from its own directory: the path in it
  // must be absolute whatever directory the tool was given.
  char absolute[PATH_MAX];
  if (realpath(dir.c_str(), absolute) == nullptr) {
    error = "cannot find " + dir + ": " + std::strerror(errno);
    return false;
  }
  const std::string spool_root = std::string(absolute) + "/" + kSpoolDir;
  mkdir(spool_root.c_str(), 0755);
  bool all = true;
  for (const LeagueMember& member : settings.members) {
    if (member.board == settings.board) continue;
    FtnAddress to;
    const std::string spool = spool_root + "/" + std::to_string(member.board);
    mkdir(spool.c_str(), 0755);
    const std::string path = spool + "/" + name;
    std::string why;
    if (!ParseFtnAddress(member.address, to)) {
      why = "bad address " + member.address;
    } else if (!WriteFileAt(path, bytes)) {
      why = "cannot write " + path + ": " + std::strerror(errno);
    } else if (!QueueFileFor(settings.outbound, own.zone, to, path, kBusyWaitMs, why)) {
      unlink(path.c_str());
    }
    if (why.empty()) {
      out << "queued " << name << " for board " << int{member.board} << " (" << member.address
          << ")\n";
    } else {
      error = why;
      all = false;
    }
  }
  return all;
}

bool SendMemberList(const std::string& dir, LeagueSettings& settings, const SecretKey& key,
                    int64_t now, std::ostream& out, std::string& error) {
  MemberList list{settings.league, static_cast<uint8_t>(settings.coordinator),
                  settings.members_sequence, now, settings.league_name, settings.members};
  const std::string bytes = SignPacket(EncodeMemberList(list), key);
  const std::string name = settings.league + "_" + std::to_string(settings.board) + "_" +
                           std::to_string(list.sequence) + kMembersExtension;
  if (!QueueForMembers(dir, settings, name, bytes, out, error)) return false;
  settings.members_sent = settings.members_sequence;
  return WriteLeagueSettings(dir, settings, error);
}

}  // namespace

std::string ShortDate(int64_t when) {
  const time_t seconds = static_cast<time_t>(when);
  struct tm local {};
  localtime_r(&seconds, &local);
  char text[16];
  std::strftime(text, sizeof text, "%m/%d/%y", &local);
  return text;
}

std::vector<LeaguePlayer> RankedLocalPlayers() {
  std::vector<PlayerRecord> records;
  RecordFile file;
  if (OpenRecordFile(file, kPlayerFile, kPlayerRecordSize, kModeShared)) {
    ScanRecords(file, RecordCount(file), [&records](int64_t, const uint8_t* record) {
      records.push_back(DecodePlayer(record));
      return true;
    });
    CloseRecordFile(file);
  }
  std::vector<double> worth(records.size());
  std::vector<size_t> order(records.size());
  for (size_t i = 0; i < records.size(); ++i) worth[i] = NetWorth(records[i]);
  std::iota(order.begin(), order.end(), size_t{0});
  // Equal worth ranks the later player first, as the game's rankings do.
  std::sort(order.begin(), order.end(), [&worth](size_t a, size_t b) {
    return worth[a] != worth[b] ? worth[a] > worth[b] : a > b;
  });
  std::vector<LeaguePlayer> players;
  for (const size_t i : order) {
    if (players.size() == kMaxPacketPlayers) break;
    const PlayerRecord& record = records[i];
    const std::string name = FitName(record.Name);
    if (name.empty()) continue;
    players.push_back({name, std::max(record.Cash, 0), std::min<uint8_t>(record.WhoreCount, 20),
                       std::min<uint8_t>(record.HouseStreet, 99),
                       std::clamp<uint8_t>(record.ClothesLevel, 1, 10),
                       static_cast<int64_t>(std::clamp(worth[i], 0.0, 9e15))});
  }
  return players;
}

bool SendToLeague(const std::string& dir, LeagueSettings& settings, bool again, int64_t now,
                  std::ostream& out, std::string& error) {
  SecretKey key{};
  if (!LoadSecretKey(dir, key, error)) return false;
  if (settings.board == settings.coordinator && settings.members_sent != settings.members_sequence &&
      !SendMemberList(dir, settings, key, now, out, error)) {
    return false;
  }
  const ScorePacket stored = ReadBoardStandings(settings.board);
  const GameConfig config = ReadConfig();
  ScorePacket packet;
  packet.league = settings.league;
  packet.board = static_cast<uint8_t>(settings.board);
  packet.date = now;
  packet.board_name = settings.board_name;
  packet.winner = FitName(config.WinnerName);
  if (!packet.winner.empty()) {
    packet.win_date = stored.winner == packet.winner && stored.win_date > 0 ? stored.win_date : now;
  }
  packet.players = RankedLocalPlayers();
  // A board that joined since the last send has none of these standings yet.
  std::vector<int> boards;
  for (const LeagueMember& member : settings.members) {
    if (member.board != settings.board) boards.push_back(member.board);
  }
  std::sort(boards.begin(), boards.end());
  std::string targets;
  for (const int board : boards) targets += (targets.empty() ? "" : ",") + std::to_string(board);
  if (!again && settings.sent_to == targets && stored.board == settings.board &&
      stored.board_name == packet.board_name && stored.winner == packet.winner &&
      SamePlayers(stored.players, packet.players)) {
    out << "nothing new to send\n";
    return true;
  }
  // Never back in time, so a board whose data file was lost is still
  // believed after it: the clock gives a floor for the sequence.
  packet.sequence = std::max<uint32_t>(stored.sequence + 1, static_cast<uint32_t>(now));
  const std::string bytes = SignPacket(EncodeScorePacket(packet), key);
  if (bytes.size() > kMaxPacketBytes) {
    error = "the packet would be " + std::to_string(bytes.size()) + " bytes, over the limit";
    return false;
  }
  const std::string name = settings.league + "_" + std::to_string(settings.board) + "_" +
                           std::to_string(packet.sequence) + kScoreExtension;
  if (!QueueForMembers(dir, settings, name, bytes, out, error)) return false;
  if (!StoreStandings({packet}, [](const ScorePacket&, const ScorePacket&) { return true; })) {
    error = "cannot write " + dir + kStandingsFile;
    return false;
  }
  out << "sent " << name << ": " << packet.players.size() << " players, " << bytes.size()
      << " bytes\n";
  settings.sent_to = targets;
  return WriteLeagueSettings(dir, settings, error);
}
