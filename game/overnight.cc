// What happened while the caller was away: the news rivals left, and what
// the women earned over the nights since the last play.
#include "game/overnight.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "door/input.h"
#include "door/output.h"
#include "door/platform.h"
#include "door/session.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/caller.h"
#include "store/shared_data.h"
#include "store/records.h"
#include "store/state.h"

namespace {

constexpr int kPauseBeforeRow = 15;
const std::string kReportIndent(56, ' ');


// Right-aligned without cutting: a number wider than its column is shown whole.
std::string RightAligned(int64_t number, size_t width) {
  std::string text = std::to_string(number);
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// Keeps a day's figure inside the 32-bit money range, whatever a damaged
// record holds, so the report and the sum can never wrap.
int64_t ClampMoney(int64_t amount) {
  return std::clamp<int64_t>(amount, std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max());
}

void ShowNewsMessage(const NewsMessage& message, int shown_before) {
  if (shown_before == 0) {
    WriteLine("|CR|09Last Night, Theses Things Happened");
    WriteLine("|09" + Rule(34));
  }
  // The lines name the rivals who caused them.
  WriteLine("|14- |15" + NameOnScreen(message.Line1));
  if (!message.Line2.empty()) WriteLine("  " + NameOnScreen(message.Line2));
}

int ReportedWhores(const PlayerRecord& player) {
  return std::min<int>(player.WhoreCount, kMaxWhores);
}

// Half the time up, half the time down, by a draw below spread.
int64_t Deviate(int64_t base, int32_t spread) {
  const int32_t d = Random(spread);
  return Random(2) == 1 ? base + d : base - d;
}

void WriteNameColumn(const std::string& name) {
  const int length = static_cast<int>(name.size());
  const int before = std::max(0, (15 - length) / 2);
  const int after = std::max(0, 16 - (length + before));
  WriteRaw(std::string(static_cast<size_t>(before), ' ') + name +
           std::string(static_cast<size_t>(after), ' '));
}

// One row of the report, worked out before any of it is shown.
struct ReportRowFigures {
  int64_t rate = 0;
  int64_t hours = 0;
  int64_t profit = 0;
};

ReportRowFigures WorkOutRow(const PlayerRecord& player, int slot, int nights) {
  ReportRowFigures row;
  row.rate = Deviate(player.WhoreRate[slot], 200);
  const int32_t hours_a_day = player.WhoreHours[slot];
  row.hours = Deviate(hours_a_day, std::max(1, hours_a_day / 10)) * nights;
  row.profit = ClampMoney(row.hours * row.rate);
  return row;
}

void WriteReportRow(const PlayerRecord& player, int slot, const ReportRowFigures& row) {
  SetColor(14, 0);
  WriteRaw(std::string(8, ' '));
  WriteNameColumn(WhoreNameOf(player.WhoreNameIndex[slot]));
  SetColor(9, 0);
  WriteRaw("$" + RightAligned(row.rate, 8) + "/Hour    ");
  SetColor(13, 0);
  WriteRaw(RightAligned(row.hours, 4) + " Hours    ");
  SetColor(11, 0);
  WriteLine("$" + RightAligned(row.profit, 9));
}

void WriteReportHeader() {
  WriteLine("                        Profit Report as of the " + Ordinal(TodayDay()));
  WriteRawLine("");
  WriteLine("|14          Whore Name    |09 Average Rate   |13 Hours Worked    |11 Profit");
  WriteLine("|14" + std::string(8, ' ') + Rule(14) + "  |09" + Rule(14) + "  |13" + Rule(14) +
            "  |11" + Rule(10));
}

// The whole night is worked out and credited before the first row is shown:
// a long report pauses half-way, and a caller who hung up there must not get
// the night drawn again at his next call.
void ShowProfitReport(PlayerRecord& player, int nights) {
  const int rows = ReportedWhores(player);
  std::vector<ReportRowFigures> figures;
  int64_t total = 0;
  for (int slot = 0; slot < rows; ++slot) {
    figures.push_back(WorkOutRow(player, slot, nights));
    total += figures.back().profit;
  }
  const int32_t misc = Random(500) + 500;
  total = ClampMoney(total + misc);
  player.Cash = AddCash(player.Cash, total);
  for (int slot = 0; slot < rows; ++slot) {
    const int days = player.WhoreDays[slot] + nights;
    player.WhoreDays[slot] =
        static_cast<int16_t>(std::min<int>(days, std::numeric_limits<int16_t>::max()));
  }
  ClearScreen();
  WriteReportHeader();
  for (int row = 1; row <= rows; ++row) {
    if (row == kPauseBeforeRow) PauseKey();
    WriteReportRow(player, row - 1, figures[static_cast<size_t>(row - 1)]);
  }
  WriteLine(kReportIndent + "|11" + Rule(10));
  WriteLine("                                        Miscellaneous + |11$" +
            RightAligned(misc, 9));
  WriteLine(kReportIndent + "|11" + Rule(10));
  WriteRaw(kReportIndent);
  SetColor(11, 0);
  WriteLine("$" + RightAligned(total, 9));
}

void PayOddJobs(PlayerRecord& player, int nights) {
  const int32_t money = (Random(500) + 500) * nights;
  player.Cash = AddCash(player.Cash, money);
  WriteLine("|CR|09Over the past night, you made $" + IntToText(money) + " in odd jobs.");
}

}  // namespace

void ShowNews() {
  bool cut_off = false;
  // Marked shown only after the caller has been sent the list: a hang-up in
  // the middle of it keeps every message for his next call.
  const std::vector<WaitingNews> news = NewsWaitingFor(CallerKey(), cut_off);
  if (news.empty() && !cut_off) return;
  int shown = 0;
  for (const WaitingNews& item : news) ShowNewsMessage(item.message, shown++);
  FlushOutput();
  MarkNewsShown(news, cut_off);
  if (news.empty()) return;
  WriteRawLine("");
  PauseKey();
}

void ShowOvernight() {
  PlayerRecord& player = GameSession.Player;
  if (player.LastDay == TodayDay()) return;
  const int nights = DaysSinceDay(player.LastDay);
  if (player.WhoreCount > 0) {
    ShowProfitReport(player, nights);
  } else {
    PayOddJobs(player, nights);
  }
}
