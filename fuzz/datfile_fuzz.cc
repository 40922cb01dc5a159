// kordavin.dat is edited by sysops with whatever editor they have: any bytes,
// any line ends, lines of any length. The name lists must still come out as
// their lines cut to the field, and every screen read from the file must show
// without harm, each line within the text limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "door/output.h"
#include "door/session.h"
#include "door/text.h"
#include "fuzz/fuzz_host.h"
#include "store/dat_lines.h"
#include "store/files.h"
#include "game/menus.h"
#include "store/state.h"
#include "store/shared_data.h"

namespace {

// Every range of the file the game shows.
constexpr DatLines kShownRanges[] = {kSheinensLook,  kPetesLook,
                                     kSheinenSpeaks, kPeteSpeaks,
                                     {kDocFirstLine, kDocLastLine},
                                     {kDocFirstLine, kCasinoDocLastLine}};

// A shown line is at most a text of 255 bytes, each pipe code of 3 growing to
// at most 7, plus a pause mark; anything far beyond is a line that was not cut.
constexpr size_t kMostBytesPerLine = 1000;

// The lines split at LF with a CR before it dropped, as the name lists take them.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Line(const std::vector<std::string>& lines, size_t n) {
  return n <= lines.size() ? lines[n - 1] : std::string();
}

void CheckNameLists(const std::vector<std::string>& lines) {
  LoadNameLists();
  for (size_t i = 1; i <= 10; ++i) {
    FuzzCheck(GameSession.ClothesName[i] == CutText(Line(lines, 2 + i), 30),
              "a clothes name is not its line cut to 30");
  }
  for (size_t i = 1; i <= 50; ++i) {
    FuzzCheck(GameSession.WhoreName[i] == CutText(Line(lines, 15 + i), 15),
              "a whore name is not its line cut to 15");
  }
}

void CheckShownRanges(uint8_t ansi) {
  for (const DatLines& range : kShownRanges) {
    DoorSession.Ansi = ansi;
    FuzzHost.input.assign(static_cast<size_t>(range.last - range.first + 1), ' ');
    const size_t before = FuzzHost.output_bytes;
    try {
      ShowDatLines(range.first, range.last);
      FlushOutput();
    } catch (const FuzzExit&) {
      FuzzCheck(false, "showing the file ended the session although keys were waiting");
    }
    const size_t shown = FuzzHost.output_bytes - before;
    FuzzCheck(shown <= kMostBytesPerLine * static_cast<size_t>(range.last - range.first + 2),
              "a shown line was not cut to the text limit");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFuzzFile(FuzzScratchDir() + "/kordavin.dat", data, size);
  InstallFuzzHost(FuzzScratchDir());
  ResetGameSession();
  std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckNameLists(SplitLines(text));
  CheckShownRanges(size > 0 ? data[0] & 1 : 1);
  return 0;
}
