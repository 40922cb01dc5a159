// The sysop tool: plain commands over the door's shared data files, for a
// sysop at the shell or a BBS event. Every command writes its results to
// `out`, its complaints to `err`, and returns the process exit code.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

constexpr int kSysopOk = 0;
constexpr int kSysopUsage = 1;
constexpr int kSysopRefused = 2;

struct SysopRequest {
  std::string command;                // "list", "show", ...; empty for --help
  std::vector<std::string> operands;  // words after the command that are not options
  std::string dir;                    // data directory, ends in "/"
  bool help = false;
  bool force = false;
  bool again = false;  // league send: queue the standings though nothing changed
  bool by_worth = false;
  bool clear = false;
  bool clean = false;
  bool yes = false;
  bool repair = false;
  bool league = false;  // bulletin --league
  bool has_to = false;
  std::string to;    // --to ALIAS
  std::string ans;   // --ans FILE
  std::string asc;   // --asc FILE
  std::string html;  // --html FILE
  bool has_board = false;  // --board was given
  std::string board;  // --board TAG: only that home board's players
};

struct SysopIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::string proc_root = "/proc";  // where live door processes are looked for
};

// Reads the command line (argv without the program name). default_dir is
// used when no --dir is given. Returns kSysopOk or kSysopUsage; on a usage
// error the reason is written to io.err.
int ParseSysopArgs(const std::vector<std::string>& args, const std::string& default_dir,
                   SysopRequest& request, SysopIo& io);

// Parses and runs one command line.
int RunSysop(const std::vector<std::string>& args, const std::string& default_dir, SysopIo& io);

void WriteSysopHelp(std::ostream& out);

// The commands. Each assumes a parsed request whose dir is set.
int ListPlayersCommand(const SysopRequest& request, SysopIo& io);
int ShowPlayerCommand(const SysopRequest& request, SysopIo& io);
int EditPlayerCommand(const SysopRequest& request, SysopIo& io);
int NewsCommand(const SysopRequest& request, SysopIo& io);
int NodesCommand(const SysopRequest& request, SysopIo& io);
int ResetCommand(const SysopRequest& request, SysopIo& io);
int CheckCommand(const SysopRequest& request, SysopIo& io);
int BulletinCommand(const SysopRequest& request, SysopIo& io);
int RenameCallerCommand(const SysopRequest& request, SysopIo& io);
int LeagueCommand(const SysopRequest& request, SysopIo& io);

// kSysopOk when no caller is playing on any node, or --force was given;
// otherwise names the busy nodes on io.err and returns kSysopRefused.
int RefuseWhileCallersOn(const SysopRequest& request, SysopIo& io);
