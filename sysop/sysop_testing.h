// Test support for the sysop tool: scratch data directories with records
// built by the game's encoders, and in-process runs of the tool.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "store/records.h"
#include "sysop/sysop.h"

// A fresh data directory behind the fake host, holding a copy of the game's
// kordavin.dat. Returns the path with a trailing "/".
std::string MakeSysopTestDir();

// Writes a whole file of dir by bare name, or reads one ("" when missing).
void WriteSysopTestFile(const std::string& dir, const std::string& name, const std::string& bytes);
std::string ReadSysopTestFile(const std::string& dir, const std::string& name);

// kordavin.ply holding these players, in order.
void WriteSysopTestPlayers(const std::string& dir, const std::vector<PlayerRecord>& players);
// A player as joining makes him, with the given names, cash and whores
// (each hired at 8 hours, $400 an hour, name index = slot number).
PlayerRecord SysopTestPlayer(const std::string& name, const std::string& alias, int32_t cash,
                             int whores);
NewsMessage SysopTestNews(const std::string& to, const std::string& line1);
void WriteSysopTestNews(const std::string& dir, const std::vector<NewsMessage>& messages);

// An empty stand-in for /proc, and a door process in it: its command line
// and the program file its exe link names.
std::string MakeSysopTestProc();
void AddSysopTestProcess(const std::string& proc, int pid, const std::vector<std::string>& argv,
                         const std::string& program);

struct SysopTestRun {
  int code;
  std::string out;
  std::string err;
};

// Runs the tool in-process on dir, with an empty /proc stand-in unless one
// is given, and the given text as the sysop's typed answers.
inline SysopTestRun RunSysopForTest(const std::string& dir, std::vector<std::string> args,
                                    const std::string& proc = "", const std::string& typed = "") {
  std::istringstream in(typed);
  std::ostringstream out, err;
  SysopIo io{in, out, err, proc.empty() ? MakeSysopTestProc() : proc};
  args.insert(args.begin(), {"--dir", dir});
  const int code = RunSysop(args, "/nonexistent/", io);
  return SysopTestRun{code, out.str(), err.str()};
}
