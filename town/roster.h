// Rosters, rankings and views of players.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/records.h"

void ShowWhoIsOn();
int16_t PickOnlinePimp();
void PagePimp();
void ShowWhoreStats();
int32_t CountPlayers();
void ShowPlayerStats(int32_t number);
int32_t SelectRival();
void ShowRankings();
void ShowHousePrices();

// One row of the rankings; Record is the 1-based record number, which breaks
// ties (the later record ranks first).
struct RankingEntry {
  std::string Name;        // pimp name as stored
  double Worth = 0;        // NetWorth of his record
  uint8_t WhoreCount = 0;  // as stored
  int64_t Record = 0;      // his player number
  std::string Board = "";  // his home board's tag, empty for a player of this board
};

// Orders the entries as the rankings show them: descending worth, equal worth
// in reverse record order.
void SortRankings(std::vector<RankingEntry>& entries);

// A number padded with spaces on the left to the width, never cut.
std::string RightAligned(int64_t number, int width);
