#include "door/pager.h"

#include <cstdint>

#include "door/input.h"
#include "door/output.h"
#include "door/session_record.h"

namespace {

constexpr int kDefaultScreenLines = 24;
// A drop file's 0, or a few lines, is no screen a list can be paged on.
constexpr int kFewestScreenLines = 10;
constexpr int kLinesBesideRows = 4;

}  // namespace

int ScreenLines() {
  const int lines = DoorSession.ScreenLength;
  return lines >= kFewestScreenLines ? lines : kDefaultScreenLines;
}

int ListRowsPerScreen() { return ScreenLines() - kLinesBesideRows; }

bool PauseOrEnd(std::string_view prompt, std::string_view go_keys) {
  WriteText(prompt);
  const uint8_t key = ReadKey();
  EraseBack(static_cast<uint8_t>(ScreenColumns(prompt)));
  return go_keys.find(static_cast<char>(key)) != std::string_view::npos;
}
