// The game's numbers in one place: the length of a day, what a new player
// starts with, and the range every stored value is kept in. The record
// decoder, the validator, the sysop tool's edits and the fuzz targets all hold
// a record to these, so a rule changed here changes for all of them at once.
#pragma once

#include <cstdint>
#include <limits>

// Both ends included.
struct ValueRange {
  int64_t low;
  int64_t high;
};

// Time units in a full day; the clock runs from 1:00PM at its start to
// 11:00PM at its end.
inline constexpr int kDayUnits = 260;

// A player's first day is a little short of a full one, and unlike another's:
// kFirstDayUnits plus a draw below kFirstDaySpread.
inline constexpr int kFirstDayUnits = 235;
inline constexpr int kFirstDaySpread = 20;

// A new player's cash; the rest of his record starts at the bottom of its range.
inline constexpr int32_t kStartingCash = 1000;

// Whore slots in a player record.
inline constexpr int kMaxWhores = 20;

// Where each value of a player record is kept. The game never leaves one
// outside; the validator reports one that is and puts it back inside.
namespace player_range {
inline constexpr ValueRange kCash{0, std::numeric_limits<int32_t>::max()};  // never below 0
inline constexpr ValueRange kClothesLevel{1, 10};
inline constexpr ValueRange kHouseStreet{0, 99};  // 0: no house
inline constexpr ValueRange kCondomStock{0, 999};
inline constexpr ValueRange kAteFlameBurger{0, 1};
inline constexpr ValueRange kLastDay{1, 31};  // day of the month
inline constexpr ValueRange kTimeLeft{0, kDayUnits};
inline constexpr ValueRange kWhoreCount{0, kMaxWhores};
// Per whore slot in use.
inline constexpr ValueRange kWhoreNameIndex{1, 50};  // into kordavin.dat's whore names
inline constexpr ValueRange kWhoreHours{7, 10};
inline constexpr ValueRange kWhoreCondoms{0, 99};
inline constexpr ValueRange kWhoreDays{0, std::numeric_limits<int16_t>::max()};
inline constexpr ValueRange kWhoreRate{0, 1000000};
}  // namespace player_range

// The day of the month a new game starts on; 0 while none is set.
inline constexpr ValueRange kRerollDayRange{0, 31};

