// The game's numbers in one place: the length of a day, what a new player
// starts with, what everything costs in money and in time, the limits the
// town holds a pimp to, and the range every stored value is kept in. The
// game's screens, the record decoder, the validator, the sysop tool's edits,
// the league's packets and the fuzz targets all hold a record to these, so a
// rule changed here changes for all of them at once.
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

// A day is over once no more than this is left of it: the last unit is never
// played.
inline constexpr int kDayOverAtUnits = 1;

// A player's first day is a little short of a full one, and unlike another's:
// kFirstDayUnits plus a draw below kFirstDaySpread.
inline constexpr int kFirstDayUnits = 235;
inline constexpr int kFirstDaySpread = 20;

// A new player's cash; the rest of his record starts at the bottom of its range.
inline constexpr int32_t kStartingCash = 1000;

// A presence file keeps its player's number in 16 unsigned bits: a record past
// this one could not be told from another player's, so no screen offers it
// and joining adds none.
inline constexpr int64_t kMostPlayerNumber = std::numeric_limits<uint16_t>::max();

// Main Street's cross streets, 1 at the bottom; a whore house stands on one.
inline constexpr int kLastStreet = 99;

// Stiff Pete's wardrobe ladder: clothes levels 1 to this, one kordavin.dat
// name each.
inline constexpr int kTopClothesLevel = 10;

// Whore slots in a player record.
inline constexpr int kMaxWhores = 20;

// The women who can be hired, one kordavin.dat name each.
inline constexpr int kWhoreNames = 50;

// Hours a day a whore works; hiring draws one from this span.
inline constexpr int kFewestWhoreHours = 7;
inline constexpr int kMostWhoreHours = 10;

// Condoms one whore carries at the most.
inline constexpr int kMostWhoreCondoms = 99;

// Condoms a pimp keeps on hand at the most; Stiff Pete sells no more than fit.
inline constexpr int kMostCondoms = 999;

// Women hired in one session, less those disbanded in it; more say no.
inline constexpr int kHiresPerSession = 4;

// A whore's hourly rate, set afresh whenever her pimp's record is saved: a
// draw below kWhoreRateDraw on a base, more for a house farther up the
// street, for every day she has worked and for every level of his clothes.
inline constexpr int32_t kWhoreRateDraw = 100;
constexpr int32_t WhoreRateFor(int32_t draw, int street, int days_worked, int clothes_level) {
  return draw + 200 + street * 20 + days_worked * 10 + clothes_level * 100;
}

// Prices in dollars. A whore house costs the square of its street, and a
// piece of clothing the square of its level; selling a house back returns
// its price.
constexpr int32_t HousePrice(int street) { return 75 * street * street; }
constexpr int32_t ClothesPrice(int level) { return (10000 * level * level) / 2; }
inline constexpr int32_t kCondomPrice = 10;
// The horny man at Flaming Sheinen's asks this fraction of the caller's net
// worth: a fiftieth.
inline constexpr int kAgentFeeWorthShare = 50;

// Flaming Sheinen sells his bar, and so the game, to a pimp with more cash than
// this (and the top clothes, a Flame Burger eaten, and no whores left).
inline constexpr int32_t kWinningCash = 5000000;

// What each action costs in time units.
namespace time_cost {
inline constexpr int kWalk = 1;           // to another place, or into the casino
inline constexpr int kLook = 1;           // a look, a list, a word, or an errand for nothing
inline constexpr int kDisbandWhore = 1;
inline constexpr int kGiveCondoms = 2;
inline constexpr int kMoveStreet = 2;
inline constexpr int kFlameBurger = 2;
inline constexpr int kOwnStatistics = 2;
inline constexpr int kCasinoStake = 3;    // paid with each stake
inline constexpr int kExamineRival = 4;
inline constexpr int kPetesPurchase = 8;  // clothes or condoms
inline constexpr int kPoliceTip = 15;
inline constexpr int kStealFromPimp = 15;
inline constexpr int kHireAgent = 15;
inline constexpr int kTalkToWomen = 20;
inline constexpr int kFirebomb = 30;
inline constexpr int kSetUpWhoreHouse = 30;
}  // namespace time_cost

// Two casino games cap a stake at a share of the caller's cash: GUTS at a
// fifteenth, the slot machine at a fortieth.
inline constexpr int32_t kGutsCashPerStakeDollar = 15;
inline constexpr int32_t kSlotsCashPerStakeDollar = 40;

// Where each value of a player record is kept. The game never leaves one
// outside; the validator reports one that is and puts it back inside.
namespace player_range {
inline constexpr ValueRange kCash{0, std::numeric_limits<int32_t>::max()};  // never below 0
inline constexpr ValueRange kClothesLevel{1, kTopClothesLevel};
inline constexpr ValueRange kHouseStreet{0, kLastStreet};  // 0: no house
inline constexpr ValueRange kCondomStock{0, kMostCondoms};
inline constexpr ValueRange kAteFlameBurger{0, 1};
inline constexpr ValueRange kLastDay{1, 31};  // day of the month
inline constexpr ValueRange kTimeLeft{0, kDayUnits};
inline constexpr ValueRange kWhoreCount{0, kMaxWhores};
// Per whore slot in use.
inline constexpr ValueRange kWhoreNameIndex{1, kWhoreNames};  // into kordavin.dat's whore names
inline constexpr ValueRange kWhoreHours{kFewestWhoreHours, kMostWhoreHours};
inline constexpr ValueRange kWhoreCondoms{0, kMostWhoreCondoms};
inline constexpr ValueRange kWhoreDays{0, std::numeric_limits<int16_t>::max()};
inline constexpr ValueRange kWhoreRate{0, 1000000};
}  // namespace player_range

// The day of the month a new game starts on; 0 while none is set.
inline constexpr ValueRange kRerollDayRange{0, 31};

// The league: a board says it is still here at least this often, though
// nothing changed, and `league show` marks a board silent for longer than
// the other number.
inline constexpr int64_t kLeagueStillHereSeconds = 20 * 60 * 60;
inline constexpr int64_t kLeagueSilentDays = 3;
