#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "door/input.h"
#include "door/output.h"
#include "door/text.h"
#include "game/files.h"
#include "game/loop.h"
#include "game/state.h"
#include "town/roster.h"

namespace {

constexpr char kRule = '\xC4';
constexpr int kRowsPerScreen = 20;

std::string Rule(int count) { return std::string(static_cast<size_t>(count), kRule); }

// Whole dollars as the screens print a real: rounded, padded, never cut.
std::string FixedColumns(double value, int width) {
  char text[64];
  std::snprintf(text, sizeof text, "%*.0f", width, value);
  return text;
}

std::vector<RankingEntry> ReadRankingEntries() {
  std::vector<RankingEntry> entries;
  RecordFile file;
  if (!OpenRecordFile(file, "kordavin.ply", kPlayerRecordSize, kModeShared)) return entries;
  const int64_t count = RecordCount(file);
  entries.reserve(static_cast<size_t>(std::max<int64_t>(count, 0)));
  SeekRecord(file, 0);
  PlayerBytes bytes{};
  for (int64_t number = 1; number <= count; ++number) {
    ReadRecord(file, bytes.data());
    const PlayerRecord player = DecodePlayer(bytes.data());
    entries.push_back({player.Name, NetWorth(player), player.WhoreCount, number});
  }
  CloseRecordFile(file);
  return entries;
}

void WriteRankingRow(const RankingEntry& entry, int64_t rank) {
  const int gap = std::max<int>(37 - static_cast<int>(entry.Name.size()), 0);
  WriteText("|11" + RightAligned(rank, 2) + "] |12" + entry.Name);
  WriteText(std::string(static_cast<size_t>(gap), ' '));
  WriteText("|02$" + FixedColumns(entry.Worth, 9) + "           |14");
  WriteLine(RightAligned(entry.WhoreCount, 2) + " Whores");
}

bool IsQuitKey(uint8_t key) { return key == 'Q' || key == 'q'; }

}  // namespace

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
  for (int street = 1; street <= 99; ++street) {
    if (street < 10) WriteText(" ");
    SetColor(12, 0);
    WriteText(Ordinal(street) + " & Main   ");
    SetColor(14, 0);
    WriteLine("$" + FixedColumns(75.0 * street * street, 8));
    if (street % 21 == 0 && street < 99) {
      WriteText("|13[Q to Quit]");
      const bool quit = IsQuitKey(ReadKey());
      EraseBack(11);
      if (quit) break;
    }
  }
  GameSession.TimeLeft = static_cast<int16_t>(
      std::max<int>(GameSession.TimeLeft - 1, std::numeric_limits<int16_t>::min()));
}
