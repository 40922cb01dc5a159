#include "league/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "league/keys.h"

namespace {

bool ParseNumber(std::string_view text, int most, int& value) {
  if (text.empty() || text.size() > 5) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value <= most;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "member = BOARD ADDRESS KEY NAME..."
bool ParseMember(const std::string& value, LeagueMember& member) {
  std::istringstream in(value);
  std::string board, address, key, name;
  int number = 0;
  if (!(in >> board >> address >> key) || !ParseNumber(board, 255, number) || number < 1) {
    return false;
  }
  std::getline(in, name);
  FtnAddress parsed;
  member.board = static_cast<uint8_t>(number);
  member.address = address;
  member.name = Trim(name);
  return ParseFtnAddress(address, parsed) && ParseKeyHex(key, member.key) && !member.name.empty();
}

bool ParseCount(const std::string& value, int64_t& count) {
  if (value.empty() || value.size() > 18 ||
      !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  count = std::strtoll(value.c_str(), nullptr, 10);
  return true;
}

// "fame = GAME START END BOARD WORTH PIMP|BOARD NAME": names never hold '|'.
bool ParseFame(const std::string& value, FameEntry& entry) {
  std::istringstream in(value);
  std::string game, start, end, board, worth, names;
  int64_t number = 0;
  if (!(in >> game >> start >> end >> board >> worth) || !ParseCount(game, number)) return false;
  entry.game = static_cast<uint32_t>(number);
  std::getline(in, names);
  names = Trim(names);
  const size_t bar = names.find('|');
  if (bar == std::string::npos) return false;
  entry.pimp = names.substr(0, bar);
  entry.board_name = names.substr(bar + 1);
  return ParseCount(start, entry.start) && ParseCount(end, entry.end) &&
         ParseNumber(board, 255, entry.board) && ParseCount(worth, entry.worth) &&
         IsPlainName(entry.pimp) && IsPlainName(entry.board_name);
}

// "BOARD DATE"
bool ParseBoardDate(const std::string& value, std::map<int, int64_t>& dates) {
  std::istringstream in(value);
  std::string board, date;
  int number = 0;
  int64_t when = 0;
  if (!(in >> board >> date) || !ParseNumber(board, 255, number) || number < 1 ||
      !ParseCount(date, when)) {
    return false;
  }
  dates[number] = when;
  return true;
}

bool Apply(LeagueSettings& settings, const std::string& key, const std::string& value) {
  int64_t count = 0;
  if (key == "league") settings.league = value;
  else if (key == "league-name") settings.league_name = value;
  else if (key == "board") return ParseNumber(value, 255, settings.board);
  else if (key == "board-name") settings.board_name = value;
  else if (key == "address") settings.address = value;
  else if (key == "outbound") settings.outbound = value;
  else if (key == "inbound") settings.inbound = value;
  else if (key == "coordinator") return ParseNumber(value, 255, settings.coordinator);
  else if (key == "members-sequence") {
    settings.members_sequence = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
  } else if (key == "members-sent") {
    settings.members_sent = static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
  } else if (key == "sent-to") {
    // The release before's: what the held files now say.
  } else if (key == "fame-sequence") {
    if (!ParseCount(value, count) || count > UINT32_MAX) return false;
    settings.fame_sequence = static_cast<uint32_t>(count);
  } else if (key == "joined" || key == "heard") {
    return ParseBoardDate(value, key == "joined" ? settings.joined : settings.heard);
  } else if (key == "game") {
    if (!ParseCount(value, count) || count < 1 || count > UINT32_MAX) return false;
    settings.game = static_cast<uint32_t>(count);
  } else if (key == "game-start") {
    return ParseCount(value, settings.game_start);
  } else if (key == "game-end") {
    return ParseCount(value, settings.game_end);
  } else if (key == "member" || key == "removed") {
    LeagueMember member;
    if (!ParseMember(value, member)) return false;
    (key == "member" ? settings.members : settings.removed).push_back(member);
  } else if (key == "fame") {
    FameEntry entry;
    if (!ParseFame(value, entry)) return false;
    settings.fame.push_back(entry);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool ParseFtnAddress(std::string_view text, FtnAddress& address) {
  const size_t at = text.find('@');
  if (at != std::string_view::npos) text = text.substr(0, at);
  const size_t colon = text.find(':');
  const size_t slash = text.find('/');
  if (colon == std::string_view::npos || slash == std::string_view::npos || slash < colon) {
    return false;
  }
  const size_t dot = text.find('.', slash);
  const std::string_view node = text.substr(slash + 1, dot == std::string_view::npos
                                                           ? std::string_view::npos
                                                           : dot - slash - 1);
  address = FtnAddress{};
  return ParseNumber(text.substr(0, colon), 32767, address.zone) && address.zone >= 1 &&
         ParseNumber(text.substr(colon + 1, slash - colon - 1), 32767, address.net) &&
         ParseNumber(node, 32767, address.node) &&
         (dot == std::string_view::npos ||
          ParseNumber(text.substr(dot + 1), 32767, address.point));
}

std::string FtnAddressText(const FtnAddress& address) {
  std::string text = std::to_string(address.zone) + ":" + std::to_string(address.net) + "/" +
                     std::to_string(address.node);
  if (address.point != 0) text += "." + std::to_string(address.point);
  return text;
}

bool ReadLeagueSettings(const std::string& dir, LeagueSettings& settings, std::string& error) {
  settings = LeagueSettings{};
  const std::string path = dir + kSettingsFile;
  std::ifstream in(path);
  if (!in) {
    error = "no league is set up here: " + path + " is missing (see 'league init' and 'league join')";
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos ||
        !Apply(settings, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)))) {
      error = path + " line " + std::to_string(number) + ": cannot read '" + line + "'";
      return false;
    }
  }
  error = SettingsProblem(settings);
  if (!error.empty()) error = path + ": " + error;
  return error.empty();
}

std::string SettingsProblem(const LeagueSettings& settings) {
  FtnAddress address;
  if (settings.league.empty() || settings.league.size() > kMaxLeagueIdLength ||
      !std::all_of(settings.league.begin(), settings.league.end(),
                   [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; })) {
    return "the league id must be 1 to 8 letters or digits";
  }
  if (settings.board < 1) return "the board number must be 1 to 255";
  if (settings.coordinator < 1) return "the coordinator's board number must be 1 to 255";
  if (settings.board_name.empty() || settings.board_name.size() > kMaxBoardNameLength ||
      !IsPlainName(settings.board_name)) {
    return "the board name must be 1 to 40 characters, without | or control characters";
  }
  if (!ParseFtnAddress(settings.address, address)) return "the address is not zone:net/node[.point]";
  if (settings.outbound.empty() || settings.outbound[0] != '/') return "the outbound must be an absolute path";
  if (settings.inbound.empty() || settings.inbound[0] != '/') return "the inbound must be an absolute path";
  for (const LeagueMember& member : settings.members) {
    const std::string which = "board " + std::to_string(member.board);
    if (!ParseFtnAddress(member.address, address) || member.address.size() > kMaxAddressLength) {
      return which + "'s address is not zone:net/node[.point]";
    }
    if (member.name.empty() || member.name.size() > kMaxBoardNameLength || !IsPlainName(member.name)) {
      return which + "'s name must be 1 to 40 characters, without | or control characters";
    }
  }
  for (size_t i = 0; i < settings.members.size(); ++i) {
    for (size_t j = i + 1; j < settings.members.size(); ++j) {
      if (settings.members[i].board == settings.members[j].board) {
        return "board " + std::to_string(settings.members[i].board) + " is listed twice";
      }
    }
  }
  if (FindMember(settings, settings.coordinator) == nullptr) return "the coordinator is not a member";
  return "";
}

namespace {

void WriteMembers(std::ostream& out, const char* key, std::vector<LeagueMember> members) {
  std::sort(members.begin(), members.end(),
            [](const LeagueMember& a, const LeagueMember& b) { return a.board < b.board; });
  for (const LeagueMember& member : members) {
    out << key << " = " << int{member.board} << " " << member.address << " " << KeyHex(member.key)
        << " " << member.name << "\n";
  }
}

std::string SettingsText(const LeagueSettings& settings) {
  std::ostringstream out;
  out << "# Kordavin InterBBS league: written by 'kordavin-sysop league'. The member\n"
         "# lines come from the coordinator's signed list; edit the others with care.\n"
      << "league = " << settings.league << "\n"
      << "league-name = " << settings.league_name << "\n"
      << "board = " << settings.board << "\n"
      << "board-name = " << settings.board_name << "\n"
      << "address = " << settings.address << "\n"
      << "outbound = " << settings.outbound << "\n"
      << "inbound = " << settings.inbound << "\n"
      << "coordinator = " << settings.coordinator << "\n"
      << "members-sequence = " << settings.members_sequence << "\n"
      << "members-sent = " << settings.members_sent << "\n"
      << "fame-sequence = " << settings.fame_sequence << "\n"
      << "game = " << settings.game << "\n"
      << "game-start = " << settings.game_start << "\n"
      << "game-end = " << settings.game_end << "\n"
      << "# member = BOARD ADDRESS PUBLIC-KEY NAME\n";
  WriteMembers(out, "member", settings.members);
  WriteMembers(out, "removed", settings.removed);
  for (const auto& [board, when] : settings.joined) out << "joined = " << board << " " << when << "\n";
  for (const auto& [board, when] : settings.heard) out << "heard = " << board << " " << when << "\n";
  for (const FameEntry& entry : settings.fame) {
    out << "fame = " << entry.game << " " << entry.start << " " << entry.end << " " << entry.board
        << " " << entry.worth << " " << entry.pimp << "|" << entry.board_name << "\n";
  }
  return out.str();
}

}  // namespace

SettingsLock::SettingsLock(const std::string& dir) {
  fd = open((dir + kSettingsLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  while (fd >= 0 && fcntl(fd, F_OFD_SETLKW, &lock) != 0) {
    if (errno == EINTR) continue;
    close(fd);
    fd = -1;
  }
}

SettingsLock::~SettingsLock() {
  if (fd >= 0) close(fd);
}

bool WriteLeagueSettings(const std::string& dir, const LeagueSettings& settings,
                         std::string& error) {
  const std::string path = dir + kSettingsFile;
  const std::string text = SettingsText(settings);
  std::string staging = path + ".XXXXXX";
  const int fd = mkstemp(staging.data());
  if (fd < 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                       fchmod(fd, 0644) == 0 && fsync(fd) == 0;
  const int saved = errno;
  if (close(fd) != 0 || !written || std::rename(staging.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(written ? errno : saved);
    unlink(staging.c_str());
    return false;
  }
  return true;
}

const LeagueMember* FindMember(const LeagueSettings& settings, int board) {
  for (const LeagueMember& member : settings.members) {
    if (member.board == board) return &member;
  }
  return nullptr;
}

bool InLeague(const LeagueSettings& settings) { return FindMember(settings, settings.board) != nullptr; }

void NoteHeard(LeagueSettings& settings, int board, int64_t date) {
  int64_t& heard = settings.heard[board];
  heard = std::max(heard, date);
}

bool GameEnded(const LeagueSettings& settings, int64_t now) {
  return (!settings.fame.empty() && settings.fame.back().game == settings.game) ||
         (settings.game_end != 0 && now >= settings.game_end);
}

std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  return shown;
}

std::string ShellQuoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
