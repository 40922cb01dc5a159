#include "town/notices.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "door/output.h"
#include "door/text.h"
#include "store/caller.h"
#include "store/own_record.h"
#include "store/records.h"
#include "store/shared_data.h"
#include "store/state.h"
#include "town/pages.h"

namespace {

bool Noticed(int64_t slot) {
  const std::vector<int64_t>& seen = GameSession.NoticedNews;
  return std::find(seen.begin(), seen.end(), slot) != seen.end();
}

// A line he posted himself (the agent's report) waits for his next call.
bool PostedByHimself(const std::string& line) {
  std::vector<std::string>& own = GameSession.OwnNews;
  const auto at = std::find(own.begin(), own.end(), line);
  if (at == own.end()) return false;
  own.erase(at);
  return true;
}

// The news addressed to him that arrived since he was last told. Read, not
// marked: each slot stays his until his next login shows and blanks it.
std::vector<NewsMessage> NewsSinceLastNotice() {
  std::vector<NewsMessage> found;
  bool cut_off = false;
  for (WaitingNews& waiting : NewsWaitingFor(CallerKey(), cut_off)) {
    if (Noticed(waiting.slot)) continue;
    GameSession.NoticedNews.push_back(waiting.slot);
    if (!PostedByHimself(waiting.message.Line1)) found.push_back(std::move(waiting.message));
  }
  return found;
}

// Text from the files goes out as typed: no pipe code is read in it, and no
// control byte from a damaged slot reaches the terminal.
void WriteFromFile(std::string text) {
  for (char& c : text) {
    if (static_cast<uint8_t>(c) < 32 || c == 127) c = ' ';
  }
  WriteRaw(text);
  WriteRawLine("");
}

// The casino's line showed his cash before the rivals' moves; it is written
// again with his cash as it is now. Only a figure in the cash field is
// changed (closed by "]" or a colour code), never a price or a limit.
std::string WithCashNow(std::string bytes, int64_t moved) {
  const int64_t now = GameSession.Player.Cash;
  const std::string was = "$" + std::to_string(now - moved);
  for (size_t at = bytes.find(was); at != std::string::npos; at = bytes.find(was, at + 1)) {
    const size_t end = at + was.size();
    if (end < bytes.size() && (bytes[end] == ']' || bytes[end] == '\x1b')) {
      return bytes.replace(at, was.size(), "$" + std::to_string(now));
    }
  }
  return bytes;
}

}  // namespace

void ShowRivalNotices() {
  if (!GameSession.RivalsActed || GameSession.PlayerNumber == -1) return;
  GameSession.RivalsActed = false;
  const int64_t cash_moved = GameSession.RivalsCashChange;
  GameSession.RivalsCashChange = 0;
  const std::vector<NewsMessage> news = NewsSinceLastNotice();
  // A police fine leaves no news; what else took his cash always does.
  if (news.empty() && cash_moved >= 0) return;
  UnfinishedLine prompt = CurrentLine();
  if (cash_moved != 0) prompt.bytes = WithCashNow(prompt.bytes, cash_moved);
  WriteRawLine("");
  for (const NewsMessage& message : news) {
    WriteText("|12* |15");
    WriteFromFile(message.Line1);
    if (!message.Line2.empty()) WriteFromFile("  " + message.Line2);
  }
  if (news.empty()) {
    WriteLine("|12* |15Someone tipped off the police. They fined you $" +
              std::to_string(-cash_moved) + ".");
  }
  WriteLineAgain(prompt);
}

bool CheckPagesAndNotices() {
  const bool pages_seen = CheckPages();
  // Telling him must never lead back here through another key wait.
  static bool busy = false;
  if (busy) return pages_seen;
  busy = true;
  const bool record_seen = RefreshOwnRecord();
  ShowRivalNotices();
  busy = false;
  return pages_seen && record_seen;
}
