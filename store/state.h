// The game's in-memory state for the caller: one process-wide record.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "store/dat_lines.h"
#include "store/records.h"

struct GameSessionRecord {
  PlayerRecord Player;         // the current player, written back by SavePlayer
  int32_t PlayerNumber = -1;   // 1-based record number in kordavin.ply; -1 = none
  int16_t TimeLeft = 0;        // time units left today; kDayUnits is a full day
  uint8_t Location = 0;        // 0 street corner, 1 Flaming Sheinen's, 2 Stiff Pete's
  uint8_t CurrentStreet = 1;   // 1..99
  std::string WinnerName;      // GameConfig.WinnerName taken at start-up
  std::array<std::string, kClothesNames + 1> ClothesName;  // [1..10] from kordavin.dat, 30 max
  std::array<std::string, kWhoreNames + 1> WhoreName;  // [1..50] from kordavin.dat, 15 max
  std::array<int16_t, 13> DiceSumCounts{};  // [2..12] of 10,000 simulated throws
  int16_t HireAttempts = 0;      // talks to women this session
  int16_t HiresThisSession = 0;  // whores hired this session
  uint8_t Day = 0;  // day of the month the session's day began, stored as LastDay; 0 before login
  // The caller's record as this session last read or stored it, and where:
  // the base his next store merges onto what the file holds by then.
  int32_t BaseNumber = -1;  // his PlayerNumber then; -1 while there is none
  std::string BasePath;
  PlayerBytes Base{};
  // What other nodes did to the caller while he played, for his next key wait.
  bool RivalsActed = false;              // a save found his cash, whores or house changed by others
  int64_t RivalsCashChange = 0;          // the cash they moved, since it was last told
  std::vector<int64_t> NoticedNews;      // news slots already shown to him on line
  std::vector<std::string> OwnNews;      // lines he posted to himself, kept for his next call
};

extern GameSessionRecord GameSession;

// Clears GameSession to its start-up values.
void ResetGameSession();

// Spends time units of the caller's day; never wraps below the 16-bit range.
void TakeTime(int units);

// The clothes or whore name for an index read from a record; empty when the
// index is outside the list.
const std::string& ClothesNameOf(int index);
const std::string& WhoreNameOf(int index);
