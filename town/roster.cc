#include "town/roster.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "door/input.h"
#include "door/number_or_text.h"
#include "door/pager.h"
#include "door/output.h"
#include "door/session.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/presence.h"
#include "store/rules.h"
#include "store/state.h"
#include "store/home_board.h"
#include "town/pages.h"
#include "town/rival_search.h"
#include "store/players.h"
#include "store/shared_data.h"

namespace {

// The presence record PickOnlinePimp found, for PagePimp to name the pimp.
NodeRecord picked_node;


// Only what may be typed into a page: printable ASCII and the code page's
// drawing characters, never control bytes that could steer the other
// caller's terminal.
std::string PageCharacters() {
  std::string allowed;
  for (char c = 'a'; c <= 'z'; ++c) allowed += c;
  for (char c = 'A'; c <= 'Z'; ++c) allowed += c;
  for (char c = '0'; c <= '9'; ++c) allowed += c;
  allowed += " ~!@#$%^&*()-+\\[]{};:'.,/<>=_?|`\"";
  for (int c = 127; c <= 254; ++c) {
    if (c != 183) allowed += static_cast<char>(c);
  }
  return allowed;
}

void WriteWhoreName(int index) {
  const std::string& name = WhoreNameOf(index);
  const int length = static_cast<int>(name.size());
  const int lead = (15 - length) / 2;
  const int trail = 16 - (length + lead);
  WriteText(std::string(static_cast<size_t>(std::max(lead, 0)), ' '));
  WriteText(name);
  WriteText(std::string(static_cast<size_t>(std::max(trail, 0)), ' '));
}

void WriteWhoreRow(const PlayerRecord& player, int slot) {
  const size_t k = static_cast<size_t>(slot);
  SetColor(14, 0);
  WriteText("        ");
  WriteWhoreName(player.WhoreNameIndex[k]);
  SetColor(9, 0);
  WriteText("$" + RightAligned(player.WhoreRate[k], 7) + "/Hour  ");
  SetColor(13, 0);
  WriteText(RightAligned(player.WhoreHours[k], 2) + " Hours per Day");
  SetColor(11, 0);
  WriteLine("   " + RightAligned(player.WhoreCondoms[k], 2) + " Condoms");
}

void WriteStatsLines(const PlayerRecord& player) {
  const std::string& clothes = ClothesNameOf(player.ClothesLevel);
  WriteLine("|12 Kordavin Pimp Name : |14" + NameOnScreen(player.Name));
  WriteLine("|12Bulletin Board Alias : |14" + NameOnScreen(ShownName(player)));
  WriteLine("|12    Number of Whores : |14" + IntToText(player.WhoreCount));
  WriteLine("|12 Best Wardrobe Piece : |14" + (player.ClothesLevel == 0 ? "None" : clothes));
  WriteLine("|12     Condoms on Hand : |14" + IntToText(player.CondomStock));
  WriteLine("|12      Pimping Corner : |14" +
            (player.HouseStreet == 0 ? std::string("None")
                                     : Ordinal(player.HouseStreet) + " & Main"));
  WriteLine("|12        Cash on Hand : |14$" + IntToText(player.Cash));
}

// Lists every other player as they stand in the file, a screen at a time;
// returns how many records there are now.
int64_t WriteRoster() {
  WriteRawLine("");
  bool any = false;
  return ListOtherPlayers([](const PlayerStanding&) { return true; }, any);
}

// Room for every player number: beyond 99 players two digits would leave
// the later ones out of reach.
uint8_t RosterDigits(int64_t count) {
  return static_cast<uint8_t>(std::max<size_t>(2, std::to_string(count).size()));
}


// Whole dollars as the screens print a real: rounded, padded, never cut.
std::string FixedColumns(double value, int width) {
  char text[64];
  std::snprintf(text, sizeof text, "%*.0f", width, value);
  return text;
}

// Whether a ranks above b: more worth, or as much and a later record.
bool RanksAbove(double worth_a, int64_t record_a, double worth_b, int64_t record_b) {
  return worth_a != worth_b ? worth_a > worth_b : record_a > record_b;
}

bool EntryRanksAbove(const RankingEntry& a, const RankingEntry& b) {
  return RanksAbove(a.Worth, a.Record, b.Worth, b.Record);
}

// One screen of the rankings and what the caller's place needs.
struct RankingScreen {
  std::vector<RankingEntry> rows;  // best first
  int64_t count = 0;               // players in the file
  // Filled by the first screen only: the caller's own row and his rank.
  RankingEntry own;
  int64_t own_rank = 0;  // 0 when his record is not in the file
};

// The best `rows` players ranking below `after`, or the best of all when
// after is null. Each screen is one pass over the file keeping only a
// screen's worth of rows, so a board of tens of thousands is never sorted
// whole and no key wait holds its names.
RankingScreen ReadRankingScreen(const RankingEntry* after, size_t rows) {
  RankingScreen screen;
  std::vector<std::pair<double, int64_t>> everyone;  // for the caller's rank
  screen.count = ScanStandings(0, [&](int64_t index, const PlayerStanding& player) {
    const int64_t record = index + 1;
    if (after == nullptr) {
      everyone.emplace_back(player.Worth, record);
      if (record == GameSession.PlayerNumber) {
        screen.own = {std::string(player.Name), player.Worth, player.WhoreCount, record,
                      BoardTagOf(player.BbsAlias)};
      }
    } else if (!RanksAbove(after->Worth, after->Record, player.Worth, record)) {
      return true;
    }
    // The heap's top is the lowest kept: it makes room for a better one.
    if (screen.rows.size() == rows &&
        !RanksAbove(player.Worth, record, screen.rows.front().Worth, screen.rows.front().Record)) {
      return true;
    }
    if (screen.rows.size() == rows) {
      std::pop_heap(screen.rows.begin(), screen.rows.end(), EntryRanksAbove);
      screen.rows.pop_back();
    }
    screen.rows.push_back({std::string(player.Name), player.Worth, player.WhoreCount, record,
                           BoardTagOf(player.BbsAlias)});
    std::push_heap(screen.rows.begin(), screen.rows.end(), EntryRanksAbove);
    return true;
  });
  std::sort_heap(screen.rows.begin(), screen.rows.end(), EntryRanksAbove);
  if (screen.own.Record != 0) {
    screen.own_rank = 1 + std::count_if(everyone.begin(), everyone.end(), [&](const auto& other) {
                        return RanksAbove(other.first, other.second, screen.own.Worth,
                                          screen.own.Record);
                      });
  }
  return screen;
}

// The rank column is as wide as the lowest rank, so a long list stays in line.
int RankColumns(size_t count) {
  return std::max<int>(2, static_cast<int>(std::to_string(count).size()));
}

// A player from another board is shown with its tag after his name.
std::string NameWithBoard(const std::string& name, const std::string& board) {
  const std::string shown = NameOnScreen(name);
  return board.empty() ? shown : shown + " |13[" + board + "]";
}

void WriteRankingRow(const RankingEntry& entry, int64_t rank, int rank_columns) {
  const std::string name = NameWithBoard(entry.Name, entry.Board);
  const int gap = 37 - static_cast<int>(ScreenColumns(name));
  // A name with its board longer than the column takes its room from the
  // blanks before the whores, so they stay in line.
  const int before_whores = std::max(11 + std::min(gap, 0), 1);
  WriteText("|11" + RightAligned(rank, rank_columns) + "] |12" + name);
  WriteText(std::string(static_cast<size_t>(std::max(gap, 0)), ' '));
  WriteText("|02$" + FixedColumns(entry.Worth, 9) +
            std::string(static_cast<size_t>(before_whores), ' ') + "|14");
  WriteLine(RightAligned(entry.WhoreCount, 2) + " Whores");
}

bool IsQuitKey(uint8_t key) { return key == 'Q' || key == 'q'; }

}  // namespace

std::string RightAligned(int64_t number, int width) {
  std::string text = std::to_string(number);
  if (static_cast<int>(text.size()) < width) {
    text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  }
  return text;
}

void ShowWhoIsOn() {
  bool any = false;
  for (int node : PresenceNodes()) {
    NodeRecord record;
    if (!ReadLivePresence(node, record)) continue;
    if (!any) {
      WriteLine("|CR|03Pimps On The Streets");
      WriteLine(Rule(19) + "-");
      any = true;
    }
    const std::string board = HomeBoardOnNode(node, record.Name);
    WriteLine("|12" + std::to_string(node) + "] |14" + NameWithBoard(record.Name, board));
  }
}

int16_t PickOnlinePimp() {
  for (;;) {
    WriteText("|CR|06[|02PIMP ROSTER ?/LIST|06]|14: |11");
    const std::string answer = InputLine(1, 3, "1234567890-qQ?", "");
    if (answer == "?") {
      ShowWhoIsOn();
      continue;
    }
    const int32_t node = TextToInt(answer);
    if (node == 0) return -1;
    if (ReadLivePresence(node, picked_node)) return static_cast<int16_t>(node);
    WriteText("|CR|12Invalid player.");
  }
}

void PagePimp() {
  const int16_t node = PickOnlinePimp();
  if (node == -1) return;
  WriteLine("|CR|11You pick up your cell phone and dial up " + NameOnScreen(picked_node.Name) +
            "'s pager.");
  WriteText("|CR|06[|09ENTER YOUR MESSAGE|06]|CR|14:|07");
  static const std::string allowed = PageCharacters();
  const std::string message = InputLine(0, 78, allowed, "");
  if (message.empty()) return;
  SendPage(node, GameSession.Player.Name, message);
}

void ShowWhoreStats() {
  const PlayerRecord& player = GameSession.Player;
  if (player.WhoreCount == 0) {
    WriteLine("|CRYou currently have no whores.");
    return;
  }
  WriteLine("|CR|14          Whore Name    |09     Rate      |13      Time        |11 Protection");
  WriteLine("|14        " + Rule(14) + "  |09" + Rule(13) + "  |13" + Rule(16) + "  |11" + Rule(12));
  const int count = std::min<int>(player.WhoreCount, kMaxWhores);
  for (int slot = 0; slot < count; ++slot) {
    WriteWhoreRow(player, slot);
    TakeTime(time_cost::kLook);
  }
}

int32_t CountPlayers() { return CountPlayerRecords(); }

void ShowPlayerStats(int32_t number) {
  const bool own = number == GameSession.PlayerNumber;
  if (own) SavePlayer();
  PlayerRecord player;
  ReadPlayer(number, player);
  WriteLine(own ? "|CR|03   Your Statistics" : "|CR|03   Pimp Statistics");
  WriteLine("|03   " + Rule(15));
  WriteStatsLines(player);
  if (!own) PostNews(KeyOf(player), GameSession.Player.Name + " spied on you.", "");
}

int32_t SelectRival() {
  // The file is never held open across a key wait: its shared lock would keep
  // every other node from saving until this caller answers.
  int64_t count = CountPlayers();
  if (count <= 1) {
    WriteLine("|CRThere are no other pimps playing this game.");
    return -1;
  }
  WriteText("|CR|13Show Roster [Y/N] ");
  if (AskYesNo()) count = std::clamp<int64_t>(WriteRoster(), count, kMostPlayerNumber);
  for (;;) {
    WriteText("|CR|06[|02PIMP ROSTER|06]|14: |11");
    const NumberOrText answer =
        InputNumberOrText(RosterDigits(count), static_cast<uint8_t>(kNameCapacity));
    if (answer.is_text) {
      ListPlayersMatching(answer.text);
      continue;
    }
    const int32_t choice = answer.number;
    if (choice == 0) return -1;
    if (choice < 0 || choice > count || choice == GameSession.PlayerNumber) continue;
    return choice;
  }
}

// The rankings have always been ordered by an exchange sort that swaps
// whenever the later entry is not smaller; its result is exactly this order.
void SortRankings(std::vector<RankingEntry>& entries) {
  std::sort(entries.begin(), entries.end(), EntryRanksAbove);
}

void ShowRankings() {
  const size_t per_screen = static_cast<size_t>(ListRowsPerScreen());
  RankingScreen screen = ReadRankingScreen(nullptr, per_screen);
  WriteText("Sorting Files... ");
  ClearScreen();
  WriteLine("|03                Name                    Daily Profit       Number of Whores");
  WriteLine("|03    " + Rule(30) + "     " + Rule(14) + "     " + Rule(18));
  const RankingEntry own = screen.own;
  const int64_t own_rank = screen.own_rank;
  const int rank_columns = RankColumns(static_cast<size_t>(screen.count));
  int64_t rank = 0;
  bool own_shown = false;
  for (;;) {
    for (const RankingEntry& entry : screen.rows) {
      WriteRankingRow(entry, ++rank, rank_columns);
      own_shown = own_shown || entry.Record == own.Record;
    }
    // A full screen pauses, the last one too when it is full.
    if (screen.rows.size() < per_screen || !PauseOrEnd("|14[-*-]", "\r ")) break;
    const RankingEntry last = screen.rows.back();
    screen = ReadRankingScreen(&last, per_screen);
    if (screen.rows.empty()) break;
  }
  if (!own_shown && own_rank > 0) {
    WriteRawLine("");
    WriteRankingRow(own, own_rank, rank_columns);
  }
  WriteLine("|CRNote : Daily Profit = Cash + (Rate * Hours of all Whores)");
}

void ShowHousePrices() {
  WriteLine("|CR|03   Corner       Price");
  WriteLine("|03" + Rule(11) + "  " + Rule(11));
  for (int street = 1; street <= kLastStreet; ++street) {
    if (street < 10) WriteText(" ");
    SetColor(12, 0);
    WriteText(Ordinal(street) + " & Main   ");
    SetColor(14, 0);
    WriteLine("$" + FixedColumns(HousePrice(street), 8));
    if (street % 21 == 0 && street < kLastStreet) {
      WriteText("|13[Q to Quit]");
      const bool quit = IsQuitKey(ReadKey());
      EraseBack(11);
      if (quit) break;
    }
  }
  TakeTime(time_cost::kLook);
}
