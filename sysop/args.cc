// The command line of the sysop tool, its help, and the dispatch to the
// commands.
#include <sys/stat.h>

#include <map>
#include <set>

#include "door/session.h"
#include "sysop/sysop.h"

namespace {

struct CommandShape {
  int (*run)(const SysopRequest&, SysopIo&);
  size_t min_operands;
  size_t max_operands;
  std::set<std::string> options;  // beyond --dir, --force and --help
};

const std::map<std::string, CommandShape>& Commands() {
  static const std::map<std::string, CommandShape> commands = {
      {"list", {ListPlayersCommand, 0, 0, {"--by-worth", "--board"}}},
      {"show", {ShowPlayerCommand, 1, 1, {}}},
      {"edit", {EditPlayerCommand, 2, 1000, {}}},
      {"news", {NewsCommand, 0, 0, {"--to", "--clear"}}},
      {"nodes", {NodesCommand, 0, 0, {"--clean"}}},
      {"reset", {ResetCommand, 0, 0, {"--yes"}}},
      {"check", {CheckCommand, 0, 0, {"--repair"}}},
      {"bulletin", {BulletinCommand, 0, 0, {"--ans", "--asc", "--html", "--league"}}},
      {"rename-caller", {RenameCallerCommand, 2, 2, {}}},
      {"league", {LeagueCommand, 1, 1000, {"--again"}}},
  };
  return commands;
}

const std::set<std::string> kValueOptions = {"--dir", "--to", "--ans", "--asc", "--html", "--board"};
const std::set<std::string> kFlagOptions = {"--help",   "-h",    "--force", "--by-worth",
                                            "--clear",  "--clean", "--yes",   "--repair",
                                            "--league", "--again"};

int UsageError(SysopIo& io, const std::string& message) {
  io.err << "kordavin-sysop: " << message << "\n"
         << "Try 'kordavin-sysop --help'.\n";
  return kSysopUsage;
}

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

void SetFlag(SysopRequest& request, const std::string& name) {
  if (name == "--help" || name == "-h") request.help = true;
  if (name == "--force") request.force = true;
  if (name == "--by-worth") request.by_worth = true;
  if (name == "--clear") request.clear = true;
  if (name == "--clean") request.clean = true;
  if (name == "--yes") request.yes = true;
  if (name == "--repair") request.repair = true;
  if (name == "--league") request.league = true;
  if (name == "--again") request.again = true;
}

void SetValue(SysopRequest& request, const std::string& name, const std::string& value) {
  if (name == "--dir") request.dir = WithSlash(value);
  if (name == "--to") {
    request.to = value;
    request.has_to = true;
  }
  if (name == "--ans") request.ans = value;
  if (name == "--asc") request.asc = value;
  if (name == "--html") request.html = value;
  if (name == "--board") {
    request.board = value;
    request.has_board = true;
  }
}

// Splits "--name=value" so both spellings of a value option work.
bool SplitOption(const std::string& arg, std::string& name, std::string& value) {
  const size_t equals = arg.find('=');
  if (equals == std::string::npos) {
    name = arg;
    return false;
  }
  name = arg.substr(0, equals);
  value = arg.substr(equals + 1);
  return true;
}

int CheckShape(const SysopRequest& request, const std::set<std::string>& seen, SysopIo& io) {
  const auto found = Commands().find(request.command);
  if (found == Commands().end()) return UsageError(io, "unknown command '" + request.command + "'");
  const CommandShape& shape = found->second;
  for (const std::string& option : seen) {
    if (option == "--dir" || option == "--force" || shape.options.count(option) > 0) continue;
    return UsageError(io, option + " does not apply to " + request.command);
  }
  const size_t count = request.operands.size();
  if (count < shape.min_operands) return UsageError(io, request.command + ": too few arguments");
  if (count > shape.max_operands) return UsageError(io, request.command + ": too many arguments");
  return kSysopOk;
}

}  // namespace

int ParseSysopArgs(const std::vector<std::string>& args, const std::string& default_dir,
                   SysopRequest& request, SysopIo& io) {
  request = SysopRequest{};
  request.dir = WithSlash(default_dir);
  std::set<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      if (request.command.empty()) {
        request.command = arg;
      } else {
        request.operands.push_back(arg);
      }
      continue;
    }
    std::string name, value;
    const bool inline_value = SplitOption(arg, name, value);
    if (kFlagOptions.count(name) > 0 && !inline_value) {
      SetFlag(request, name);
    } else if (kValueOptions.count(name) > 0) {
      if (!inline_value) {
        if (i + 1 >= args.size()) return UsageError(io, name + " needs a value");
        value = args[++i];
      }
      if (value.empty()) return UsageError(io, name + " needs a value");
      SetValue(request, name, value);
    } else {
      return UsageError(io, "unknown option '" + arg + "'");
    }
    if (name != "--help" && name != "-h") seen.insert(name);
  }
  if (request.help) return kSysopOk;
  if (request.command.empty()) return UsageError(io, "no command given");
  return CheckShape(request, seen, io);
}

int RunSysop(const std::vector<std::string>& args, const std::string& default_dir, SysopIo& io) {
  SysopRequest request;
  const int parsed = ParseSysopArgs(args, default_dir, request, io);
  if (parsed != kSysopOk) return parsed;
  if (request.help) {
    WriteSysopHelp(io.out);
    return kSysopOk;
  }
  struct stat info {};
  if (stat(request.dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    io.err << "kordavin-sysop: " << request.dir << " is not a directory\n";
    return kSysopRefused;
  }
  // The game's own file code finds the data files through the session.
  DoorSession.ProgramDir = request.dir;
  return Commands().find(request.command)->second.run(request, io);
}

void WriteSysopHelp(std::ostream& out) {
  out << "Usage: kordavin-sysop [--dir DIR] [--force] COMMAND [ARGUMENTS]\n"
         "\n"
         "Looks after the game's data files: those beside this program, or those in\n"
         "DIR. Output is plain text; tables are tab-separated with a header line.\n"
         "\n"
         "Commands:\n"
         "  list [--by-worth] [--board TAG]\n"
         "                            one line per player: number, name, alias, cash,\n"
         "                            whores, wardrobe, house, lastday, timeleft, key\n"
         "                            (handle, or realname: keyed by the caller's real\n"
         "                            name until his next call carries him over);\n"
         "                            --board: only callers whose handle is [TAG]name\n"
         "  show N                    player N in full, whores included, one\n"
         "                            \"FIELD: VALUE\" line each, named as for edit\n"
         "  edit N FIELD=VALUE...     change player N; nothing is written when any\n"
         "                            value is refused. Fields and ranges:\n"
         "                              cash=0..2147483647  wardrobe=1..10\n"
         "                              house=0..99 (0 = none)  condoms=0..999\n"
         "                              timeleft=0..260  burger=0..1\n"
         "                              whoreK.name=1..50  whoreK.hours=7..10\n"
         "                              whoreK.condoms=0..99  whoreK.days=0..32767\n"
         "                              whoreK.rate=0..1000000  (K = 1..whores;\n"
         "                              the door works rates out anew at every save)\n"
         "  news [--to ALIAS] [--clear]\n"
         "                            news not yet shown to its player, numbered from 1\n"
         "                            in file order; --clear marks them shown\n"
         "  nodes [--clean]           presence files, live or stale; --clean removes\n"
         "                            the stale ones\n"
         "  reset [--yes]             start a new game now: empties the player and\n"
         "                            news files and clears the winner\n"
         "  check [--repair]          report damaged data files; --repair clamps\n"
         "                            damaged values and cuts partial records; records\n"
         "                            are numbered from 1, \"-\" is the whole file\n"
         "  bulletin [--ans FILE] [--asc FILE] [--html FILE] [--league]\n"
         "                            rankings and the game's state as an ANSI screen,\n"
         "                            as plain text for the BBS to show, and as a web\n"
         "                            page; --league: the league's standings. With\n"
         "                            callers of [TAG]name handles, their home boards\n"
         "                            are ranked too, by their players' worth\n"
         "  rename-caller OLD NEW     the player keyed by OLD (a real name or a handle)\n"
         "                            is keyed by the handle NEW from now on, with his\n"
         "                            unread news; refused while he is playing\n"
         "  league SUBCOMMAND ...     the InterBBS league; 'league help' lists them\n"
         "\n"
         "Options:\n"
         "  --dir DIR    work on the data files in DIR\n"
         "  --force      change files even while a caller is playing\n"
         "  --help       show this help\n"
         "\n"
         "Commands that change the game's files (edit, news --clear, nodes --clean,\n"
         "reset, check --repair) refuse while a caller is on any node, and\n"
         "rename-caller while its player is on, unless --force is given: a caller's\n"
         "game would overwrite the change at his next save. The league commands do\n"
         "not wait for callers; to league send, --force is the old name of --again.\n"
         "\n"
         "Exit codes: 0 success, 1 usage error, 2 refused or data error.\n";
}
