#include "town/roster.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "door/input.h"
#include "door/output.h"
#include "door/session.h"
#include "door/text.h"
#include "store/data_files.h"
#include "store/caller.h"
#include "store/files.h"
#include "store/presence.h"
#include "store/rules.h"
#include "store/state.h"
#include "town/pages.h"
#include "store/players.h"
#include "store/shared_data.h"

namespace {

constexpr int kRowsPerScreen = 20;

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

// Lists every other player as they stand in the file; returns how many
// records there are now. The rows are gathered first and written once the
// file is closed: a slow line never keeps the others from saving.
int64_t WriteRoster() {
  WriteRawLine("");
  std::vector<std::string> rows;
  const PlayerKey me = CallerKey();
  const int64_t count = ScanPlayers([&rows, &me](int64_t index, const PlayerRecord& player) {
    if (!HoldsKey(player, me)) {
      rows.push_back("|12" + std::to_string(index + 1) + "] |14" + NameOnScreen(player.Name));
    }
    return true;
  });
  for (const std::string& row : rows) WriteLine(row);
  return count;
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

std::vector<RankingEntry> ReadRankingEntries() {
  std::vector<RankingEntry> entries;
  ScanPlayers([&entries](int64_t index, const PlayerRecord& player) {
    entries.push_back({player.Name, NetWorth(player), player.WhoreCount, index + 1});
    return true;
  });
  return entries;
}

void WriteRankingRow(const RankingEntry& entry, int64_t rank) {
  const int gap = std::max<int>(37 - static_cast<int>(entry.Name.size()), 0);
  WriteText("|11" + RightAligned(rank, 2) + "] |12" + NameOnScreen(entry.Name));
  WriteText(std::string(static_cast<size_t>(gap), ' '));
  WriteText("|02$" + FixedColumns(entry.Worth, 9) + "           |14");
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
    WriteLine("|12" + std::to_string(node) + "] |14" + NameOnScreen(record.Name));
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

int16_t CountPlayers() { return CountPlayerRecords(); }

void ShowPlayerStats(int16_t number) {
  const bool own = number == GameSession.PlayerNumber;
  if (own) SavePlayer();
  PlayerRecord player;
  ReadPlayer(number, player);
  WriteLine(own ? "|CR|03   Your Statistics" : "|CR|03   Pimp Statistics");
  WriteLine("|03   " + Rule(15));
  WriteStatsLines(player);
  if (!own) PostNews(KeyOf(player), GameSession.Player.Name + " spied on you.", "");
}

int16_t SelectRival() {
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
    const int32_t choice = InputNumber(RosterDigits(count));
    if (choice == 0) return -1;
    if (choice < 0 || choice > count || choice == GameSession.PlayerNumber) continue;
    return static_cast<int16_t>(choice);
  }
}

// The rankings have always been ordered by an exchange sort that swaps
// whenever the later entry is not smaller; its result is exactly this order,
// which a comparison sort reaches fast enough for any number of players.
void SortRankings(std::vector<RankingEntry>& entries) {
  std::sort(entries.begin(), entries.end(), [](const RankingEntry& a, const RankingEntry& b) {
    if (a.Worth != b.Worth) return a.Worth > b.Worth;
    return a.Record > b.Record;
  });
}

void ShowRankings() {
  std::vector<RankingEntry> entries = ReadRankingEntries();
  WriteText("Sorting Files... ");
  SortRankings(entries);
  ClearScreen();
  WriteLine("|03                Name                    Daily Profit       Number of Whores");
  WriteLine("|03    " + Rule(30) + "     " + Rule(14) + "     " + Rule(18));
  int64_t rank = 0;
  for (const RankingEntry& entry : entries) {
    WriteRankingRow(entry, ++rank);
    if (rank % kRowsPerScreen == 0) PauseKey();
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
