// kordavin-sysop: the sysop's tool for the door's data files.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "store/session_end.h"
#include "sysop/sysop.h"

namespace {

// The data files lie beside the program file, wherever it was started from.
std::string OwnDirectory(const char* argv0) {
  char target[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", target, sizeof target - 1);
  std::string program = length > 0 ? std::string(target, static_cast<size_t>(length))
                                    : std::string(argv0 == nullptr ? "" : argv0);
  const size_t slash = program.rfind('/');
  return slash == std::string::npos ? std::string("./") : program.substr(0, slash + 1);
}

// The game's shared code ends a caller's session on a file it cannot use:
// it tells the caller, waits for a key and exits with 0. In this tool there
// is no caller: the message goes to stderr, nothing waits, and such an end
// is a failure the calling script must see.
[[noreturn]] void FailInsideGameCode() {
  FlushOutput();
  std::fputs("\nkordavin-sysop: stopped on a data file a node holds or that cannot be used\n",
             stderr);
  std::fflush(stderr);
  std::exit(kSysopRefused);
}

void UseToolHost() {
  ResetDoorSession();
  DoorSession.OnInactivity = FailInsideGameCode;
  DoorSession.OnFiveMinutes = FailInsideGameCode;
  DoorSession.OnTimeUp = FailInsideGameCode;
  Host.ReadByte = [](int) { return kHungUp; };
  Host.WriteBytes = [](const char* data, size_t length) {
    return fwrite(data, 1, length, stderr) == length;
  };
  Host.Exit = [](int) { FailInsideGameCode(); };
  // Told as the door tells it, on stderr, before the tool's own last line.
  SetStoreRefusalHandler(EndOnStoreRefusal);
}

}  // namespace

int main(int argc, char** argv) {
  UseToolHost();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  SysopIo io{std::cin, std::cout, std::cerr};
  const int code = RunSysop(args, OwnDirectory(argc > 0 ? argv[0] : nullptr), io);
  std::cout.flush();
  return code;
}
