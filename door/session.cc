#include "door/session.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "door/dropfile.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/text.h"

namespace {

void DefaultOnInactivity() {
  WriteLine("|CR|12* |14Inactivity timeout.");
  CloseDown();
  EndProcess(0);
}

void DefaultOnFiveMinutes() { WriteLine("|CR|12* |14You have |155 |14minutes remaining."); }

void DefaultOnTimeUp() {
  WriteLine("|CR|12* |14You have |150 |14minutes remaining.");
  CloseDown();
  EndProcess(0);
}

std::string RunningProgramPath(const char* first_word) {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length > 0) return std::string(path, static_cast<size_t>(length));
  if (first_word != nullptr && first_word[0] == '/') return first_word;
  char resolved[PATH_MAX];
  if (first_word != nullptr && realpath(first_word, resolved) != nullptr) return resolved;
  return first_word == nullptr ? std::string() : std::string(first_word);
}

const char* DropFileMessage(DropFileResult result) {
  switch (result) {
    case NotFound: return "Drop file not found.";
    case ReadError: return "Error reading drop file";
    case UnknownType: return "Unknown drop file type";
    case PortError: return "Unable to open communications port";
    default: return "";
  }
}

// A telnet handle in DOOR32.SYS is the caller's socket when the BBS runs the
// door that way; other BBSs write one and still connect standard I/O.
DropFileResult OpenConnection() {
  if (DoorSession.CommType != 2 || DoorSession.CommHandle < 0) return Ok;
  return Host.OpenCallerHandle(DoorSession.CommHandle) ? Ok : PortError;
}

}  // namespace

void ResetDoorSession() {
  DoorSession = DoorSessionRecord{};
  DoorSession.OnInactivity = DefaultOnInactivity;
  DoorSession.OnFiveMinutes = DefaultOnFiveMinutes;
  DoorSession.OnTimeUp = DefaultOnTimeUp;
}

std::string ProgramDirOf(std::string_view program_path) {
  size_t slash = program_path.rfind('/');
  std::string dir = slash == std::string_view::npos
                        ? std::string()
                        : std::string(program_path.substr(0, slash + 1));
  return CutText(dir + "/", kMaxText);
}

void StartSession(int argc, char** argv) {
  DoorSession.ProgramDir = ProgramDirOf(RunningProgramPath(argc > 0 ? argv[0] : nullptr));
  if (argc - 1 <= 0) ShowUsageAndExit("No command line switches defined.");
  // The switch may stand anywhere, so a board's door line only grows by it.
  std::vector<const char*> positional;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == kRealNamesSwitch) {
      DoorSession.RealNamesOnly = true;
    } else if (std::string_view(argv[i]) == kUtf8Switch) {
      DoorSession.Utf8 = true;
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.size() != 2) ShowUsageAndExit("Invalid command line switches.");
  DropFileResult result = ReadDropFile(positional[0]);
  // Newer packages describe the caller's terminal beside the drop file; a
  // file that cannot be read leaves the door as it was.
  if (const char* device = std::getenv("BBSDEV_DRP"); device != nullptr && *device != '\0') {
    ReadBbsdevDrp(device);
  }
  if (result == Ok) result = OpenConnection();
  if (result != Ok) ShowUsageAndExit(DropFileMessage(result));
  DoorSession.Node =
      static_cast<int16_t>(static_cast<uint16_t>(TextToInt(positional[1]) & 0xFFFF));
  if (DoorSession.Node < 1) ShowUsageAndExit("Invalid node number specified.");
}

void ShowUsageAndExit(std::string_view message) {
  // CR LF: a terminal is in raw mode by the time this is sent, and a bare LF
  // does not return the carriage there.
  std::string screen = "\r\nKORDAVIN ERROR : ";
  screen += message;
  screen +=
      "\r\n\r\n"
      "Proper Command Line Samples\r\n"
      "---------------------------\r\n"
      "KORDAVIN [path and filename of drop file] [node number]\r\n"
      "kordavin /bbs/door32.sys 1\r\n"
      "kordavin /bbs/door.sys 1\r\n"
      "kordavin /bbs/dorinfo1.def 1\r\n"
      "kordavin /bbs/chain.txt 1\r\n"
      "\r\n"
      "Please refer to KORDAVIN.DOC for further information.\r\n";
  WriteRaw(screen);
  EndProcess(0);
}

void CloseDown() {
  if (DoorSession.Ansi == 1) {
    WriteRaw("\x1b[0;37m\x1b[40m");
    CurrentColor = 7;
  }
  WriteRaw("\r\n");
  FlushOutput();
}
