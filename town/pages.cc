#include "town/pages.h"

#include <string>

#include "door/output.h"
#include "door/text.h"
#include "store/pages.h"
#include "store/state.h"

namespace {

constexpr std::string_view kSenderEnd = ": ";

// Text read back from a file is shown raw, so a typed pipe code stays as
// typed and no control byte from a damaged file reaches the terminal.
std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (static_cast<uint8_t>(c) < 32 || c == 127) c = ' ';
  }
  return shown;
}

void ShowPage(const std::string& message) {
  const UnfinishedLine prompt = CurrentLine();
  const size_t end = message.find(kSenderEnd);
  const std::string sender = end == std::string::npos ? "" : message.substr(0, end);
  const std::string text =
      end == std::string::npos ? message : message.substr(end + kSenderEnd.size());
  WriteText("|CR|12* |11Page from |14");
  WriteRaw(Printable(sender));
  WriteText("|11: |15");
  WriteRaw(Printable(text));
  WriteRawLine("");
  // The page has pushed the caller's prompt up the screen: he goes on typing
  // at a copy of it, in its colours.
  WriteLineAgain(prompt);
}

}  // namespace

void SendPage(int16_t node, std::string_view from, std::string_view text) {
  LeavePage(node, CutText(std::string(from) + std::string(kSenderEnd) + std::string(text),
                          kNodeMessageCapacity));
}

bool CheckPages() {
  // Until the day has begun the presence file may still be the one a previous
  // caller on this node left behind, with a page meant for him.
  if (GameSession.PlayerNumber == -1 || GameSession.TimeLeft <= 0) return true;
  // Writing the page must never lead back here through another key wait.
  static bool busy = false;
  if (busy) return true;
  busy = true;
  std::string message;
  const PageLook look = TakeWaitingPage(message);
  if (look == PageLook::kTaken) ShowPage(message);
  busy = false;
  return look != PageLook::kFileBusy;
}
