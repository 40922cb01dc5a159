// Drop files come from BBS packages we do not control, and a damaged or
// foreign one must still give a session: every content error reads as an
// empty or zero field. The first input byte picks the file name (and so the
// format), the rest is the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "door/dropfile.h"
#include "door/session.h"
#include "door/text.h"
#include "fuzz/fuzz_host.h"

namespace {

constexpr const char* kNames[] = {"DOOR.SYS",    "door.sys",     "CHAIN.TXT", "chain.txt",
                                  "DORINFO1.DEF", "dorinfo3.def", "DOOR32.SYS", "door32.sys"};

// The lines as the drop-file rules split them: at LF, CR or CR LF.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Line n counted from 1; a line past the end reads as empty.
std::string Line(const std::vector<std::string>& lines, size_t n) {
  return n <= lines.size() ? lines[n - 1] : std::string();
}

// A negative count is no time at all, not a wrap into a huge one.
uint16_t MinutesOf(int32_t count) { return count < 0 ? 0 : static_cast<uint16_t>(count); }

// Blanks after a number are the writer's, not part of it.
int32_t NumberOf(std::string line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
  return TextToInt(line);
}

uint16_t Minutes(const std::string& line) { return MinutesOf(NumberOf(line)); }

// A name is its line as the board wrote it, cut; a line of only blanks is no name.
std::string Name(const std::string& line) {
  return TrimBlanks(line).empty() ? std::string() : CutText(line, 30);
}

struct Expected {
  std::string real_name;
  std::string alias;
  uint16_t minutes;
};

Expected ExpectedFields(size_t format, const std::vector<std::string>& lines) {
  switch (format) {
    case 0:  // DOOR.SYS
      return {Name(Line(lines, 10)), Name(Line(lines, 36)), Minutes(Line(lines, 19))};
    case 1:  // CHAIN.TXT
      return {Name(Line(lines, 3)), Name(Line(lines, 2)),
              MinutesOf(NumberOf(Line(lines, 16)) / 60)};
    case 2: {  // DORINFO
      // The two fields lose their padding before they are joined.
      const std::string first = TrimBlanks(Name(Line(lines, 7)));
      const std::string last = TrimBlanks(Name(Line(lines, 8)));
      std::string name = CutText(last.empty() ? first : first + " " + last, 30);
      return {name, name, Minutes(Line(lines, 12))};
    }
    default:  // DOOR32.SYS
      return {Name(Line(lines, 6)), Name(Line(lines, 7)), Minutes(Line(lines, 9))};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t pick = data[0] % (sizeof kNames / sizeof kNames[0]);
  const std::string path = FuzzScratchDir() + "/" + kNames[pick];
  WriteFuzzFile(path, data + 1, size - 1);
  InstallFuzzHost(FuzzScratchDir());

  DropFileResult result = ReadDropFile(path);
  FuzzCheck(result == Ok, "a readable drop file is reported as an error");

  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  Expected expected = ExpectedFields(pick / 2, SplitLines(text));
  FuzzCheck(DoorSession.RealName == expected.real_name, "RealName is not its line cut to 30, a line of blanks no name");
  FuzzCheck(DoorSession.Alias == expected.alias, "Alias is not its line cut to 30, a line of blanks no name");
  FuzzCheck(DoorSession.CallMinutes == expected.minutes, "CallMinutes is not its line's number");
  FuzzCheck(DoorSession.BbsName.size() <= kMaxText, "BbsName is longer than a text");
  const int16_t left = MinutesLeft();
  FuzzCheck(left >= 0 && left <= DoorSession.CallMinutes, "the session clock is out of range");
  return 0;
}
