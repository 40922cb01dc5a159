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
#include "league/held.h"
#include "league/keys.h"
#include "league/relay.h"
#include "league/standings.h"
#include "store/data_files.h"
#include "store/league_data.h"

namespace {

struct Incoming {
  std::string name;   // in the inbound
  std::string bytes;  // at most one byte past the limit
  PacketFault fault = PacketFault::kNone;
  ScorePacket packet;
  const char* kind = kScoreExtension;  // what its bytes say it is
  bool stored = false;
  bool already = false;  // taken by an earlier run that could not delete it
};

// A sender's clock may run a little ahead; a packet dated later than this
// past the receiver's is no real date.
constexpr int64_t kClockSlack = 24 * 60 * 60;

// "X.kdl", or "X.kdl.N" as a mailer renames a second file of one name.
bool IsLeagueFile(const std::string& name) {
  for (const std::string ext : {kScoreExtension, kMembersExtension, kHeardExtension, kFameExtension}) {
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

void Log(const std::string& dir, int64_t now, const std::string& line, std::ostream& out) {
  std::ofstream log(dir + kLeagueLogFile, std::ios::app);
  log << LocalTimeText(now, "%Y-%m-%d %H:%M:%S") << " " << line << "\n";
  out << line << "\n";
}

bool Logged(const std::string& dir, const std::string& line) {
  std::ifstream log(dir + kLeagueLogFile);
  for (std::string there; std::getline(log, there);) {
    if (there.size() > line.size() && there.compare(there.size() - line.size(), line.size(), line) == 0) {
      return true;
    }
  }
  return false;
}

// Free name in bad/ for a file of this name.
std::string BadPlace(const std::string& dir, const std::string& name) {
  const std::string bad = dir + kBadDir;
  mkdir(bad.c_str(), 0755);
  std::string to = bad + "/" + name;
  struct stat info {};
  for (int n = 1; lstat(to.c_str(), &info) == 0; ++n) to = bad + "/" + name + "." + std::to_string(n);
  return to;
}

// A symlink, a directory, a pipe or a file this user may not read has no
// business in the inbound: moved to bad/, or where that cannot be done,
// logged the first time it is met.
// True when it was refused now rather than on an earlier run.
bool PutAsideOdd(const std::string& dir, const std::string& inbound, const std::string& name,
                 const char* why, int64_t now, std::ostream& out) {
  const std::string from = inbound + "/" + name;
  if (rename(from.c_str(), BadPlace(dir, name).c_str()) == 0) {
    Log(dir, now, "refused " + Printable(name) + ": " + why + " (moved to " + kBadDir + "/)", out);
    return true;
  }
  const std::string line = "refused " + Printable(name) + ": " + why + " (left in the inbound)";
  if (Logged(dir, line)) return false;
  Log(dir, now, line, out);
  return true;
}

bool SameFileBytes(const std::string& path, const std::string& bytes) {
  std::string there;
  return ReadInbound(path, there) && there == bytes;
}

// Moved when the mailer's directory allows it, else copied; a file that
// cannot be deleted and is already in bad/ is not refused twice.
void MoveToBad(const std::string& dir, const std::string& inbound, const Incoming& file,
               int64_t now, std::ostream& out) {
  const std::string from = inbound + "/" + file.name;
  if (SameFileBytes(dir + kBadDir + "/" + file.name, file.bytes)) {
    unlink(from.c_str());
    return;
  }
  const std::string to = BadPlace(dir, file.name);
  if (rename(from.c_str(), to.c_str()) != 0) {
    std::ofstream copy(to, std::ios::binary);
    copy.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
    unlink(from.c_str());
  }
  Log(dir, now, "refused " + Printable(file.name) + ": " + PacketFaultText(file.fault) + " (moved to " +
                    kBadDir + "/)", out);
}

PacketFault CheckScorePacket(const LeagueSettings& settings, Incoming& file, int64_t now) {
  ScorePacket& packet = file.packet;
  PacketFault fault = DecodeScorePacket(file.bytes, packet);
  if (fault != PacketFault::kNone) return fault;
  if (packet.league != settings.league) return PacketFault::kOtherLeague;
  const LeagueMember* member = FindMember(settings, packet.board);
  if (member == nullptr) return PacketFault::kUnknownBoard;
  if (!SignatureMatches(file.bytes, member->key)) return PacketFault::kBadSignature;
  // This board's own packet come back is old news by definition.
  if (packet.board == settings.board) return PacketFault::kReplay;
  // A member signs its own packets; who it is, the coordinator says.
  if (packet.board_name != member->name) return PacketFault::kNotAsListed;
  if (packet.format == 1) packet.game = settings.game;
  if (packet.game != settings.game) return PacketFault::kOtherGame;
  if (packet.date > now + kClockSlack) return PacketFault::kOutOfRange;
  return PacketFault::kNone;
}

std::vector<int> MemberBoards(const LeagueSettings& settings) {
  std::vector<int> boards;
  for (const LeagueMember& member : settings.members) boards.push_back(member.board);
  return boards;
}

// Whether a file says it is the coordinator's of this league and he signed it.
PacketFault FromCoordinator(const LeagueSettings& settings, const std::string& league,
                            int coordinator, const Incoming& file) {
  if (league != settings.league) return PacketFault::kOtherLeague;
  const LeagueMember* signer = FindMember(settings, settings.coordinator);
  if (coordinator != settings.coordinator || signer == nullptr) return PacketFault::kUnknownBoard;
  return SignatureMatches(file.bytes, signer->key) ? PacketFault::kNone : PacketFault::kBadSignature;
}

PacketFault TakeMemberList(const std::string& dir, LeagueSettings& settings, Incoming& file,
                           int64_t now, std::ostream& out) {
  MemberList list;
  PacketFault fault = DecodeMemberList(file.bytes, list);
  if (fault == PacketFault::kNone) fault = FromCoordinator(settings, list.league, list.coordinator, file);
  if (fault != PacketFault::kNone) return fault;
  if (list.sequence == settings.members_sequence) {
    file.already = true;
    return PacketFault::kNone;
  }
  if (list.sequence < settings.members_sequence) return PacketFault::kReplay;
  LeagueSettings updated = settings;
  updated.members = list.members;
  updated.league_name = list.league_name;
  updated.members_sequence = list.sequence;
  // A list from before league games leaves the game as it stands.
  if (list.format != 1) {
    updated.game = list.game;
    updated.game_start = list.game_start;
    updated.game_end = list.game_end;
  }
  // One line that does not read refuses the whole list: half a list would
  // leave boards out that the coordinator kept in.
  if (!SettingsProblem(updated).empty()) return PacketFault::kOutOfRange;
  std::string error;
  if (!WriteLeagueSettings(dir, updated, error)) {
    out << "kordavin-sysop: " << error << "\n";
    return PacketFault::kNone;
  }
  // This board's own standings of a game that ended are owed to nobody.
  if (updated.game != settings.game) DropHeld(dir, kScoreExtension);
  settings = updated;
  // A board taken out leaves every board's league with this list.
  DropStandingsExcept(MemberBoards(settings));
  if (!InLeague(settings)) {
    Log(dir, now, "board " + std::to_string(settings.board) + " is no longer in the " +
                      settings.league_name + " league: the coordinator took it out", out);
  }
  return PacketFault::kNone;
}

}  // namespace

namespace {

// Reads every league file of the inbound; what is no file this user may
// read is put aside.
std::vector<Incoming> ReadLeagueFiles(const std::string& dir, const std::string& inbound,
                                      int64_t now, std::ostream& out, int& refused) {
  std::vector<Incoming> files;
  for (const std::string& name : LeagueFiles(inbound)) {
    Incoming file;
    file.name = name;
    struct stat info {};
    const std::string path = inbound + "/" + name;
    if (lstat(path.c_str(), &info) != 0) continue;
    if (!S_ISREG(info.st_mode)) {
      refused += PutAsideOdd(dir, inbound, name, "not a regular file", now, out) ? 1 : 0;
    } else if (!ReadInbound(path, file.bytes)) {
      refused += PutAsideOdd(dir, inbound, name, "cannot be read", now, out) ? 1 : 0;
    } else {
      if (LooksLikeMemberList(file.bytes)) file.kind = kMembersExtension;
      if (LooksLikeStillHere(file.bytes)) file.kind = kHeardExtension;
      if (LooksLikeFameList(file.bytes)) file.kind = kFameExtension;
      files.push_back(std::move(file));
    }
  }
  return files;
}

// Each accepted packet replaces its board's standings in one step.
bool StoreAccepted(std::vector<Incoming*>& scores, int64_t now) {
  std::sort(scores.begin(), scores.end(), [](const Incoming* a, const Incoming* b) {
    return a->packet.board != b->packet.board ? a->packet.board < b->packet.board
                                              : a->packet.sequence < b->packet.sequence;
  });
  std::vector<ScorePacket> packets;
  for (const Incoming* file : scores) packets.push_back(file->packet);
  size_t next = 0;
  return StoreStandings(std::move(packets), [&](const ScorePacket& old, ScorePacket& packet,
                                     std::vector<std::string>&) {
    Incoming& file = *scores[next++];
    if (packet.sequence <= old.sequence) {
      file.already = packet.sequence == old.sequence;
      if (!file.already) file.fault = PacketFault::kReplay;
      return false;
    }
    packet.arrived = now;
    packet.told_game = old.told_game;
    file.stored = true;
    return true;
  });
}

// The coordinator's hall of fame replaces this board's; a game newly won
// by another board is news.
PacketFault TakeFameList(LeagueSettings& settings, Incoming& file, std::vector<std::string>& news) {
  FameList fame;
  PacketFault fault = DecodeFameList(file.bytes, fame);
  if (fault == PacketFault::kNone) fault = FromCoordinator(settings, fame.league, fame.coordinator, file);
  if (fault != PacketFault::kNone) return fault;
  if (settings.board == settings.coordinator || fame.sequence <= settings.fame_sequence) {
    file.already = true;
    return PacketFault::kNone;
  }
  for (const FameEntry& game : fame.games) {
    const bool known = std::any_of(settings.fame.begin(), settings.fame.end(),
                                   [&](const FameEntry& had) { return had.game == game.game; });
    const bool by_date = settings.game_end != 0 && game.end >= settings.game_end;
    if (!known && game.game == settings.game && game.board != settings.board && !by_date) {
      news.push_back(WinnerLine(game.pimp, game.board_name, game.end));
    }
  }
  settings.fame = fame.games;
  settings.fame_sequence = fame.sequence;
  return PacketFault::kNone;
}

// A board's "still here": when it was last heard from, and what it holds.
// The coordinator's tells a member when every board was last heard from.
PacketFault TakeStillHere(const std::string& dir, LeagueSettings& settings, Incoming& file,
                          std::vector<HeldFile>& all_held) {
  StillHere here;
  PacketFault fault = DecodeStillHere(file.bytes, here);
  if (fault != PacketFault::kNone) return fault;
  if (here.league != settings.league) return PacketFault::kOtherLeague;
  const LeagueMember* member = FindMember(settings, here.board);
  if (member == nullptr) return PacketFault::kUnknownBoard;
  if (!SignatureMatches(file.bytes, member->key)) return PacketFault::kBadSignature;
  const HeldFile* held = FindHeld(all_held, kHeardExtension, here.board);
  if (here.board == settings.board || (held != nullptr && held->sequence >= here.sequence)) {
    file.already = true;
    return PacketFault::kNone;
  }
  std::string error;
  if (!Hold(dir, LeagueFileName(here.league, here.board, here.sequence, kHeardExtension),
            file.bytes, all_held, error, settings.inbound + "/" + file.name)) {
    file.already = true;  // met again on the next run
    return PacketFault::kNone;
  }
  NoteHeard(settings, here.board, here.date);
  if (here.board == settings.coordinator) {
    for (const HeardEntry& entry : here.boards) {
      if (entry.board != settings.board) NoteHeard(settings, entry.board, entry.heard);
    }
  }
  return PacketFault::kNone;
}

// The log line of a file taken; on the coordinator, a member's standings
// are held to pass on, and may end the league game.
bool TakeAccepted(const std::string& dir, LeagueSettings& settings, const Incoming& file,
                  int64_t now, std::vector<HeldFile>& held, std::vector<std::string>& news,
                  std::ostream& out, std::string& error) {
  if (file.kind == kMembersExtension) {
    Log(dir, now, "accepted " + Printable(file.name) + ": the member list, " +
                      std::to_string(settings.members.size()) + " boards", out);
    return true;
  }
  if (file.kind == kFameExtension) {
    Log(dir, now, "accepted " + Printable(file.name) + ": the hall of fame, " +
                      std::to_string(settings.fame.size()) + " games", out);
    return true;
  }
  const ScorePacket& packet = file.packet;
  Log(dir, now, "accepted " + Printable(file.name) + ": board " + std::to_string(packet.board) +
                    " (" + packet.board_name + "), " + std::to_string(packet.players.size()) +
                    " players", out);
  if (settings.board != settings.coordinator) return true;
  if (NoteWinner(settings, packet, now)) {
    news.push_back(WinnerLine(packet.winner, settings.fame.back().board_name, packet.win_date));
  }
  return Hold(dir, LeagueFileName(packet.league, packet.board, packet.sequence, kScoreExtension),
              file.bytes, held, error, settings.inbound + "/" + file.name);
}

}  // namespace

bool ReceiveFromLeague(const std::string& dir, LeagueSettings& settings, int64_t now,
                       std::ostream& out, std::string& error) {
  struct stat inbound {};
  if (stat(settings.inbound.c_str(), &inbound) != 0 || !S_ISDIR(inbound.st_mode)) {
    error = "the inbound " + Printable(settings.inbound) +
            " is not a directory: set inbound= in " + kSettingsFile + " to the mailer's inbound";
    return false;
  }
  int accepted = 0, refused = 0;
  std::vector<Incoming> files = ReadLeagueFiles(dir, settings.inbound, now, out, refused);
  // A new member list first: packets of boards it adds, and of the league
  // game it starts, are then known.
  for (Incoming& file : files) {
    if (file.kind == kMembersExtension) file.fault = TakeMemberList(dir, settings, file, now, out);
  }
  std::vector<std::string> news;
  std::vector<HeldFile> held = ListHeld(dir);
  for (Incoming& file : files) {
    if (file.kind == kFameExtension) file.fault = TakeFameList(settings, file, news);
    if (file.kind == kHeardExtension) file.fault = TakeStillHere(dir, settings, file, held);
  }
  std::vector<Incoming*> scores;
  for (Incoming& file : files) {
    if (file.kind != kScoreExtension) continue;
    file.fault = CheckScorePacket(settings, file, now);
    if (file.fault == PacketFault::kNone) scores.push_back(&file);
  }
  if (!StoreAccepted(scores, now)) {
    error = "cannot write " + dir + kStandingsFile;
    return false;
  }
  for (const Incoming& file : files) {
    if (file.fault != PacketFault::kNone) {
      MoveToBad(dir, settings.inbound, file, now, out);
      ++refused;
      continue;
    }
    // A "still here" is bookkeeping, not news for the sysop.
    const bool taken = !file.already && file.kind != kHeardExtension;
    if (taken && !TakeAccepted(dir, settings, file, now, held, news, out, error)) return false;
    // Kept files were moved out of the inbound where they could be. A file
    // the mailer's user owns in a directory this user may not change stays;
    // the next run knows it by its sequence and passes over it.
    unlink((settings.inbound + "/" + file.name).c_str());
    accepted += taken ? 1 : 0;
  }
  if (settings.board == settings.coordinator) EndGameByDate(settings, now);
  if (!TellEveryPlayer(news)) {
    error = "cannot write " + dir + kNewsFile;
    return false;
  }
  if (!WriteLeagueSettings(dir, settings, error)) return false;
  out << accepted << " accepted, " << refused << " refused\n";
  return OfferOwed(dir, settings, out, error);
}
