#include "door/dropfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "door/session_record.h"
#include "door/text.h"

namespace {

constexpr size_t kNameLength = 30;

// A line longer than this is kept only up to here: no field needs more, and a
// drop file that is not one cannot make the reader hold it all in memory.
constexpr size_t kMaxLineKept = 4096;

struct LineReader {
  int fd = -1;
  char buffer[512];
  size_t length = 0;
  size_t position = 0;
  bool at_end = false;
  bool failed = false;
};

// One byte, or -1 at the end of the file or after a read error.
int NextByte(LineReader& reader) {
  if (reader.position == reader.length) {
    if (reader.at_end || reader.failed) return -1;
    ssize_t got;
    do {
      got = read(reader.fd, reader.buffer, sizeof reader.buffer);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
      if (got < 0) reader.failed = true;
      reader.at_end = true;
      return -1;
    }
    reader.length = static_cast<size_t>(got);
    reader.position = 0;
  }
  return static_cast<unsigned char>(reader.buffer[reader.position++]);
}

// Puts a byte back; only ever the one just read, so it is still in the buffer.
void UnreadByte(LineReader& reader) { --reader.position; }

// The next line without its end (LF, CR, or CR LF); empty past the end.
std::string ReadLine(LineReader& reader) {
  std::string line;
  for (;;) {
    const int c = NextByte(reader);
    if (c < 0 || c == '\n') break;
    if (c == '\r') {
      const int next = NextByte(reader);
      if (next >= 0 && next != '\n') UnreadByte(reader);
      break;
    }
    if (line.size() < kMaxLineKept) line.push_back(static_cast<char>(c));
  }
  return line;
}

void SkipLines(LineReader& reader, int count) {
  for (int i = 0; i < count; ++i) ReadLine(reader);
}

// A name is the board's, byte for byte: a board that keeps " alice" apart
// from "alice" has two callers, and trimming would hand one the other's
// game. Only a line of nothing but blanks names nobody.
std::string ReadName(LineReader& reader, size_t max = kNameLength) {
  const std::string line = ReadLine(reader);
  if (TrimBlanks(line).empty()) return "";
  return CutText(line, max);
}

// BBS packages and sysops' hand-written files leave blanks after a number
// ("2 ", "16 "); read as text they would turn a socket handle into 0.
int32_t ReadNumber(LineReader& reader) {
  std::string line = ReadLine(reader);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  return TextToInt(line);
}

uint8_t ReadByteNumber(LineReader& reader) {
  return static_cast<uint8_t>(ReadNumber(reader));
}

// A negative count is no time at all; cut to 16 bits it would become weeks.
uint16_t MinutesFrom(int32_t minutes) {
  return minutes < 0 ? 0 : static_cast<uint16_t>(minutes);
}

uint16_t ReadMinutes(LineReader& reader) { return MinutesFrom(ReadNumber(reader)); }

// Packages write the port as COM1:, COM0, COM0: or COM0:STDIO; the number is
// what stands between "COM" and the colon.
int32_t PortFromComLine(std::string_view line) {
  if (line.size() >= 3 && UpperText(line.substr(0, 3)) == "COM") line.remove_prefix(3);
  const size_t colon = line.find(':');
  return TextToInt(line.substr(0, colon));
}

// The number a line starts with, whatever follows it ("38400 BAUD,N,8,1").
int32_t LeadingNumber(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && (line[end] == ' ' || line[end] == '\t')) ++end;
  if (end < line.size() && (line[end] == '+' || line[end] == '-')) ++end;
  while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
  return TextToInt(line.substr(0, end));
}

using FieldReader = void (*)(LineReader&);

// Opens the file, lets read_fields take its lines, closes it, and reports
// any I/O error on the way; the fields read before an error keep their values.
DropFileResult ReadWith(std::string_view path, FieldReader read_fields) {
  LineReader reader;
  reader.fd = open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (reader.fd < 0) return NotFound;
  read_fields(reader);
  const bool close_failed = close(reader.fd) != 0;
  return (reader.failed || close_failed) ? ReadError : Ok;
}

void DoorSysFields(LineReader& reader) {
  DoorSession.CommHandle = PortFromComLine(ReadLine(reader));
  DoorSession.Baud = ReadNumber(reader);
  SkipLines(reader, 7);
  DoorSession.RealName = ReadName(reader);
  SkipLines(reader, 4);
  DoorSession.Security = ReadNumber(reader);
  SkipLines(reader, 3);
  DoorSession.CallMinutes = ReadMinutes(reader);
  DoorSession.Ansi = ReadLine(reader) == "GR" ? 1 : 0;
  DoorSession.ScreenLength = ReadByteNumber(reader);
  SkipLines(reader, 14);
  DoorSession.Alias = ReadName(reader);
  DoorSession.LocalMode = DoorSession.CommHandle == 0;
}

void ChainTxtFields(LineReader& reader) {
  SkipLines(reader, 1);
  DoorSession.Alias = ReadName(reader);
  DoorSession.RealName = ReadName(reader);
  SkipLines(reader, 6);
  DoorSession.ScreenLength = ReadByteNumber(reader);
  DoorSession.Security = ReadNumber(reader);
  SkipLines(reader, 2);
  DoorSession.Ansi = ReadByteNumber(reader);
  DoorSession.LocalMode = ReadNumber(reader) == 0;
  DoorSession.CallMinutes = MinutesFrom(ReadNumber(reader) / 60);
  SkipLines(reader, 3);
  DoorSession.Baud = ReadNumber(reader);
  DoorSession.CommHandle = ReadNumber(reader);
}

void DorinfoFields(LineReader& reader) {
  SkipLines(reader, 3);
  const std::string port = ReadLine(reader);
  DoorSession.CommHandle = port.size() >= 4 ? TextToInt(port.substr(3, 1)) : 0;
  DoorSession.Baud = LeadingNumber(ReadLine(reader));
  SkipLines(reader, 1);
  // The board writes the name in two fields, which the door joins with one
  // blank: the blanks that pad each field are the layout's, not the name's.
  const std::string first = TrimBlanks(ReadName(reader));
  const std::string last = TrimBlanks(ReadName(reader));
  DoorSession.RealName = CutText(last.empty() ? first : first + " " + last, kNameLength);
  SkipLines(reader, 1);
  DoorSession.Ansi = ReadByteNumber(reader);
  DoorSession.Security = ReadNumber(reader);
  DoorSession.CallMinutes = ReadMinutes(reader);
  DoorSession.Alias = DoorSession.RealName;
  DoorSession.LocalMode = DoorSession.CommHandle == 0;
}

void Door32SysFields(LineReader& reader) {
  DoorSession.CommType = ReadByteNumber(reader);
  DoorSession.CommHandle = ReadNumber(reader);
  DoorSession.Baud = ReadNumber(reader);
  DoorSession.BbsName = ReadName(reader, kMaxText);
  DoorSession.UserRecord = ReadNumber(reader);
  DoorSession.RealName = ReadName(reader);
  DoorSession.Alias = ReadName(reader);
  DoorSession.Security = ReadNumber(reader);
  DoorSession.CallMinutes = ReadMinutes(reader);
  DoorSession.Ansi = ReadByteNumber(reader);
  SkipLines(reader, 1);
  DoorSession.LocalMode = DoorSession.CommType == 0;
}

void BbsdevFields(LineReader& reader) {
  SkipLines(reader, 5);
  const int32_t width = ReadNumber(reader);
  const int32_t height = ReadNumber(reader);
  if (width > 0 && width <= 0xFFFF) DoorSession.ScreenWidth = static_cast<uint16_t>(width);
  if (height > 0 && height <= 0xFF) DoorSession.ScreenLength = static_cast<uint8_t>(height);
  SkipLines(reader, 4);
  const std::string encoding = UpperText(TrimBlanks(ReadLine(reader)));
  if (encoding == "UTF-8" || encoding == "UTF8") DoorSession.Utf8 = true;
}

}  // namespace

DropFileResult ReadBbsdevDrp(std::string_view path) { return ReadWith(path, BbsdevFields); }

DropFileResult ReadDoorSys(std::string_view path) { return ReadWith(path, DoorSysFields); }

DropFileResult ReadChainTxt(std::string_view path) { return ReadWith(path, ChainTxtFields); }

DropFileResult ReadDorinfoDef(std::string_view path) { return ReadWith(path, DorinfoFields); }

DropFileResult ReadDoor32Sys(std::string_view path) { return ReadWith(path, Door32SysFields); }

DropFileResult ReadDropFile(std::string_view path) {
  // Only the name decides the format; the file itself is opened as given. The
  // copy is not cut at the text limit, so a long directory path cannot hide
  // the file name.
  std::string upper(path);
  for (char& c : upper) c = static_cast<char>(UpperChar(static_cast<uint8_t>(c)));
  DropFileResult result;
  if (upper.find("DOOR.SYS") != std::string::npos) {
    result = ReadDoorSys(path);
  } else if (upper.find("CHAIN.TXT") != std::string::npos) {
    result = ReadChainTxt(path);
  } else if (upper.find("DORINFO") != std::string::npos) {
    result = ReadDorinfoDef(path);
  } else if (upper.find("DOOR32.SYS") != std::string::npos) {
    result = ReadDoor32Sys(path);
  } else {
    return UnknownType;
  }
  if (result != Ok) return result;
  StartTimer(DoorSession.CallMinutes);
  return Ok;
}
