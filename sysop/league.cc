// kordavin-sysop league: setting up a league, keys, and the nightly send and
// receive.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <map>
#include <set>

#include "league/exchange.h"
#include "league/held.h"
#include "league/keys.h"
#include "league/settings.h"
#include "league/standings.h"
#include "store/league_data.h"
#include "store/rules.h"
#include "sysop/field_text.h"
#include "sysop/sysop.h"

namespace {

using Fields = std::map<std::string, std::string>;

void WriteLeagueHelp(std::ostream& out) {
  out << "League commands (kordavin-sysop league ...):\n"
         "  keygen                 make this board's key pair; prints the public key\n"
         "  init KEY=VALUE...      start a league with this board as its coordinator:\n"
         "                         league=ID league-name=NAME board=N board-name=NAME\n"
         "                         address=Z:N/F[.P] outbound=DIR inbound=DIR\n"
         "  join KEY=VALUE...      join a league: the keys of init without\n"
         "                         league-name, and coordinator=N\n"
         "                         coordinator-address=Z:N/F coordinator-key=HEX\n"
         "                         coordinator-name=NAME (from the coordinator)\n"
         "  add N ADDRESS KEY NAME (coordinator) add or change member board N\n"
         "  remove N               (coordinator) take board N out of the league\n"
         "  start-game [end=YYYY-MM-DD]\n"
         "                         (coordinator) start a new league game, to end at\n"
         "                         the first board's winner or on that date\n"
         "  show                   the settings, the members, the standings held, when\n"
         "                         each board's last changed and when it was last heard\n"
         "                         from\n"
         "  send [--again]         queue this board's standings for the other boards;\n"
         "                         nothing when nothing changed, unless --again\n"
         "                         (--force, its old name, works too)\n"
         "  receive                take the league's files from the inbound\n";
}

int Fail(SysopIo& io, const std::string& error) {
  io.err << "kordavin-sysop: " << error << "\n";
  return kSysopRefused;
}

bool ParseFields(const std::vector<std::string>& operands, Fields& fields, std::string& error) {
  for (size_t i = 1; i < operands.size(); ++i) {
    const size_t equals = operands[i].find('=');
    if (equals == std::string::npos || equals == 0) {
      error = "expected KEY=VALUE, got '" + operands[i] + "'";
      return false;
    }
    fields[operands[i].substr(0, equals)] = operands[i].substr(equals + 1);
  }
  return true;
}

int BoardNumber(const std::string& text) {
  char* end = nullptr;
  const long number = std::strtol(text.c_str(), &end, 10);
  return text.empty() || *end != '\0' || number < 1 || number > 255 ? 0 : static_cast<int>(number);
}

// The settings both init and join take; unknown keys are refused so a typo
// is never silently dropped.
bool CommonSettings(Fields fields, const std::set<std::string>& extra, LeagueSettings& settings,
                    std::string& error) {
  for (const auto& [key, value] : fields) {
    if (extra.count(key) > 0) continue;
    if (key == "league") settings.league = value;
    else if (key == "board") settings.board = BoardNumber(value);
    else if (key == "board-name") settings.board_name = value;
    else if (key == "address") settings.address = value;
    else if (key == "outbound") settings.outbound = value;
    else if (key == "inbound") settings.inbound = value;
    else {
      error = "unknown setting '" + key + "'";
      return false;
    }
  }
  return true;
}

bool RefuseExisting(const std::string& dir, std::string& error) {
  LeagueSettings existing;
  std::string ignored;
  if (!ReadLeagueSettings(dir, existing, ignored) && ignored.find("is missing") != std::string::npos) {
    return false;
  }
  error = dir + kSettingsFile + " exists: this board is set up already";
  return true;
}

int Save(const std::string& dir, const LeagueSettings& settings, SysopIo& io) {
  const std::string problem = SettingsProblem(settings);
  if (!problem.empty()) return Fail(io, problem);
  std::string error;
  if (!WriteLeagueSettings(dir, settings, error)) return Fail(io, error);
  io.out << "wrote " << dir << kSettingsFile << "\n";
  return kSysopOk;
}

int Keygen(const SysopRequest& request, SysopIo& io) {
  PublicKey key{};
  std::string error;
  if (!MakeKeyFiles(request.dir, key, error)) return Fail(io, error);
  io.out << "public key: " << KeyHex(key) << "\n";
  return kSysopOk;
}

int Init(const SysopRequest& request, SysopIo& io) {
  Fields fields;
  LeagueSettings settings;
  PublicKey key{};
  std::string error;
  if (!ParseFields(request.operands, fields, error) ||
      !CommonSettings(fields, {"league-name"}, settings, error) ||
      RefuseExisting(request.dir, error) || !LoadPublicKey(request.dir, key, error)) {
    return Fail(io, error);
  }
  settings.league_name = fields.count("league-name") ? fields["league-name"] : settings.league;
  settings.coordinator = settings.board;
  settings.members_sequence = static_cast<uint32_t>(std::time(nullptr));
  settings.game_start = std::time(nullptr);
  settings.joined[settings.board] = settings.game_start;
  settings.members.push_back({static_cast<uint8_t>(settings.board), settings.board_name,
                              settings.address, key});
  return Save(request.dir, settings, io);
}

int Join(const SysopRequest& request, SysopIo& io) {
  Fields fields;
  LeagueSettings settings;
  PublicKey own{}, coordinator{};
  std::string error;
  const std::set<std::string> extra = {"coordinator", "coordinator-address", "coordinator-key",
                                       "coordinator-name"};
  if (!ParseFields(request.operands, fields, error) ||
      !CommonSettings(fields, extra, settings, error) || RefuseExisting(request.dir, error) ||
      !LoadPublicKey(request.dir, own, error)) {
    return Fail(io, error);
  }
  if (!ParseKeyHex(fields["coordinator-key"], coordinator)) {
    return Fail(io, "coordinator-key must be the coordinator's 64-digit public key");
  }
  settings.league_name = settings.league;
  settings.coordinator = BoardNumber(fields["coordinator"]);
  if (settings.coordinator == settings.board) return Fail(io, "the coordinator is another board");
  const std::string name = fields.count("coordinator-name") ? fields["coordinator-name"]
                                                            : "Board " + fields["coordinator"];
  settings.members.push_back({static_cast<uint8_t>(settings.coordinator), name,
                              fields["coordinator-address"], coordinator});
  settings.members.push_back({static_cast<uint8_t>(settings.board), settings.board_name,
                              settings.address, own});
  // A win this board's first send shows was won before this.
  settings.joined[settings.board] = std::time(nullptr);
  const int saved = Save(request.dir, settings, io);
  if (saved == kSysopOk) {
    io.out << "Give the coordinator this line to run in his door's directory:\n"
              "  ./kordavin-sysop league add "
           << settings.board << " " << settings.address << " " << KeyHex(own) << " "
           << ShellQuoted(settings.board_name) << "\n";
  }
  return saved;
}

bool LoadCoordinator(const SysopRequest& request, LeagueSettings& settings, SysopIo& io) {
  std::string error;
  if (!ReadLeagueSettings(request.dir, settings, error)) {
    Fail(io, error);
    return false;
  }
  if (settings.board != settings.coordinator) {
    Fail(io, "only the coordinator (board " + std::to_string(settings.coordinator) +
                 ") changes the member list");
    return false;
  }
  return true;
}

void NextMemberList(LeagueSettings& settings) {
  settings.members_sequence =
      std::max<uint32_t>(settings.members_sequence + 1, static_cast<uint32_t>(std::time(nullptr)));
}

int Add(const SysopRequest& request, SysopIo& io) {
  LeagueSettings settings;
  if (request.operands.size() < 5) return Fail(io, "usage: league add N ADDRESS KEY NAME");
  if (!LoadCoordinator(request, settings, io)) return kSysopRefused;
  LeagueMember member;
  member.board = static_cast<uint8_t>(BoardNumber(request.operands[1]));
  member.address = request.operands[2];
  FtnAddress address;
  if (member.board == 0) return Fail(io, "the board number must be 1 to 255");
  if (!ParseFtnAddress(member.address, address)) return Fail(io, "not an address: " + member.address);
  if (!ParseKeyHex(request.operands[3], member.key)) return Fail(io, "not a public key: " + request.operands[3]);
  for (size_t i = 4; i < request.operands.size(); ++i) {
    member.name += (i > 4 ? " " : "") + request.operands[i];
  }
  // A win dated before this never ends a league game; a board added again
  // keeps the date it first joined.
  if (FindMember(settings, member.board) == nullptr) settings.joined[member.board] = std::time(nullptr);
  std::erase_if(settings.members, [&](const LeagueMember& m) { return m.board == member.board; });
  std::erase_if(settings.removed, [&](const LeagueMember& m) { return m.board == member.board; });
  settings.members.push_back(member);
  NextMemberList(settings);
  return Save(request.dir, settings, io);
}

int Remove(const SysopRequest& request, SysopIo& io) {
  LeagueSettings settings;
  if (request.operands.size() != 2) return Fail(io, "usage: league remove N");
  if (!LoadCoordinator(request, settings, io)) return kSysopRefused;
  const int board = BoardNumber(request.operands[1]);
  if (board == settings.board) return Fail(io, "the coordinator cannot remove itself");
  const LeagueMember* member = FindMember(settings, board);
  if (member == nullptr) return Fail(io, "board " + request.operands[1] + " is not a member");
  // Kept until the next list is sent, which tells the board it is out.
  settings.removed.push_back(*member);
  std::erase_if(settings.members, [&](const LeagueMember& m) { return m.board == board; });
  NextMemberList(settings);
  const int saved = Save(request.dir, settings, io);
  std::vector<int> boards;
  for (const LeagueMember& kept : settings.members) boards.push_back(kept.board);
  if (saved == kSysopOk && !DropStandingsExcept(boards)) {
    return Fail(io, "cannot write " + request.dir + kStandingsFile);
  }
  return saved;
}

// "YYYY-MM-DD" as the local midnight that starts the day.
bool ParseDay(const std::string& text, int64_t& when) {
  struct tm day {};
  const char* end = strptime(text.c_str(), "%Y-%m-%d", &day);
  if (end == nullptr || *end != '\0') return false;
  day.tm_isdst = -1;
  when = mktime(&day);
  return when > 0;
}

int StartGame(const SysopRequest& request, SysopIo& io) {
  LeagueSettings settings;
  Fields fields;
  std::string error;
  if (!ParseFields(request.operands, fields, error)) return Fail(io, error);
  if (!LoadCoordinator(request, settings, io)) return kSysopRefused;
  const int64_t now = std::time(nullptr);
  int64_t end = 0;
  for (const auto& [key, value] : fields) {
    if (key != "end") return Fail(io, "unknown setting '" + key + "'");
    if (!ParseDay(value, end) || end <= now) {
      return Fail(io, "end must be a date to come, as YYYY-MM-DD: '" + value + "'");
    }
  }
  ++settings.game;
  settings.game_start = now;
  settings.game_end = end;
  NextMemberList(settings);
  const int saved = Save(request.dir, settings, io);
  // Standings of the game that ended are owed to nobody.
  if (saved == kSysopOk) DropHeld(request.dir, kScoreExtension);
  if (saved == kSysopOk) {
    io.out << "league game " << settings.game << " starts now; 'league send' tells the members\n";
  }
  return saved;
}

std::string ArrivalText(int64_t when) {
  return when <= 0 ? "-" : LocalTimeText(when, "%Y-%m-%d %H:%M");
}

// When a board was last heard from: its latest standings or "still here",
// marked when that is longer ago than a quiet board ever goes.
std::string HeardText(const LeagueSettings& settings, int board, int64_t changed, int64_t now) {
  const auto found = settings.heard.find(board);
  const int64_t heard = std::max(changed, found == settings.heard.end() ? 0 : found->second);
  if (heard <= 0) return "never";
  const int64_t days = (now - heard) / (24 * 60 * 60);
  return ArrivalText(heard) +
         (days > kLeagueSilentDays ? " SILENT " + std::to_string(days) + " days" : "");
}

int Show(const SysopRequest& request, SysopIo& io) {
  LeagueSettings settings;
  std::string error;
  if (!ReadLeagueSettings(request.dir, settings, error)) return Fail(io, error);
  const int64_t now = std::time(nullptr);
  io.out << "league: " << settings.league << " (" << settings.league_name << ")\n"
         << "this board: " << settings.board << " " << settings.board_name << " at "
         << settings.address << "\n"
         << "coordinator: board " << settings.coordinator << "\n"
         << "league game: " << settings.game << ", since " << ArrivalText(settings.game_start)
         << (settings.game_end != 0 ? ", until " + ArrivalText(settings.game_end) : "")
         << (GameEnded(settings, now) ? ", ended" : "") << "\n";
  if (!InLeague(settings)) io.out << "this board is no longer in the league\n";
  for (const LeagueMember& member : settings.removed) {
    io.out << "board " << int{member.board} << " was taken out; the next send tells it\n";
  }
  io.out << "board\taddress\tname\tplayers\tsequence\tlast changed\tlast heard\n";
  const std::vector<ScorePacket> standings = CurrentStandings(settings, 0);
  for (const LeagueMember& member : settings.members) {
    std::string players = "-", sequence = "-", changed = "-";
    int64_t date = 0;
    for (const ScorePacket& board : standings) {
      if (board.board != member.board) continue;
      players = std::to_string(ReadBoardStandings(board.board).players.size());
      sequence = std::to_string(board.sequence);
      changed = ArrivalText(board.date);
      date = board.date;
    }
    io.out << int{member.board} << "\t" << member.address << "\t" << FieldText(member.name) << "\t"
           << players << "\t" << sequence << "\t" << changed << "\t"
           << HeardText(settings, member.board, date, now) << "\n";
  }
  return kSysopOk;
}

int SendOrReceive(const SysopRequest& request, SysopIo& io, bool send) {
  LeagueSettings settings;
  std::string error;
  if (!ReadLeagueSettings(request.dir, settings, error)) return Fail(io, error);
  const int64_t now = std::time(nullptr);
  // --force was this option's name before it was plain that it means
  // something else to every other command; scripts that use it still work.
  const bool again = request.again || request.force;
  const bool ok = send ? SendToLeague(request.dir, settings, again, now, io.out, error)
                       : ReceiveFromLeague(request.dir, settings, now, io.out, error);
  return ok ? kSysopOk : Fail(io, error);
}

}  // namespace

int LeagueCommand(const SysopRequest& request, SysopIo& io) {
  const std::string& what = request.operands[0];
  const size_t count = request.operands.size();
  if (what == "help") {
    WriteLeagueHelp(io.out);
    return kSysopOk;
  }
  if ((what == "keygen" || what == "show" || what == "send" || what == "receive") && count != 1) {
    return Fail(io, "league " + what + " takes no arguments");
  }
  if (request.again && what != "send") return Fail(io, "--again applies to league send only");
  if (what == "keygen") return Keygen(request, io);
  if (what == "show") return Show(request, io);
  const std::map<std::string, int (*)(const SysopRequest&, SysopIo&)> changes = {
      {"init", Init},       {"join", Join},       {"add", Add},
      {"remove", Remove},   {"start-game", StartGame},
      {"send", [](const SysopRequest& r, SysopIo& i) { return SendOrReceive(r, i, true); }},
      {"receive", [](const SysopRequest& r, SysopIo& i) { return SendOrReceive(r, i, false); }}};
  if (const auto found = changes.find(what); found != changes.end()) {
    // From reading the settings to the last write of them, one command at a time.
    const SettingsLock lock(request.dir);
    if (!lock.held()) return Fail(io, "cannot lock " + request.dir + kSettingsLockFile);
    return found->second(request, io);
  }
  io.err << "kordavin-sysop: unknown league command '" << what << "'\n";
  WriteLeagueHelp(io.err);
  return kSysopUsage;
}
