// The league data file kordavin.lgd beside the game: each member board's
// latest standings, this board's own among them, one whole fixed-size record
// per board. A record is written with one positioned write under the file's
// exclusive lock and read under its shared lock, so a caller reading the
// league while standings arrive sees a board's old standings or its new ones,
// never a mix. Taken after kordavin.msg when both are held.
//
// Record (48,128 bytes):
//   0   u8 board (0 = free slot)     54  string[30] winner
//   1   string[40] board name        85  i64 win date (Unix seconds, 0 = none)
//   42  u32 sequence                 93  u16 players (0..1000)
//   46  i64 packet date              95  i64 sum of the players' worth
//   103 i64 arrival (Unix seconds)   111 u32 league game
//   115 u32 league game whose winner of this board the players were told
//   119 zero to 128
//   128 players, 48 bytes each: string[30] pimp name, 31 i32 cash,
//       35 u8 whores, 36 u8 house street, 37 u8 wardrobe, 38 i64 net worth
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/records.h"
#include "store/rules.h"

constexpr char kStandingsFile[] = "kordavin.lgd";
// A board with more players sends its best; the league's top lists never
// reach that far down any one board.
constexpr size_t kMaxPacketPlayers = 1000;
constexpr size_t kMaxBoardNameLength = 40;
constexpr size_t kMaxPimpNameLength = 30;
// The most one whore can bring in a day: her longest day at the highest rate
// the game sets (the top draw, a house on the last street, the most days of
// service, top clothes).
constexpr int64_t kMostWhoreEarning =
    int64_t{kMostWhoreHours} *
    WhoreRateFor(kWhoreRateDraw - 1, kLastStreet, static_cast<int>(player_range::kWhoreDays.high),
                 kTopClothesLevel);
constexpr size_t kSlotHeaderSize = 128;
constexpr size_t kSlotPlayerSize = 48;
constexpr size_t kStandingsRecordSize = kSlotHeaderSize + kMaxPacketPlayers * kSlotPlayerSize;

struct LeaguePlayer {
  std::string name;
  int32_t cash = 0;
  uint8_t whores = 0;
  uint8_t house = 0;
  uint8_t wardrobe = 1;
  int64_t worth = 0;
};

// One board's standings: what its packet says, and what this board noted on
// taking it.
struct ScorePacket {
  uint8_t format = 2;  // of the packet it came in
  std::string league;  // not stored: the file holds one league
  uint8_t board = 0;
  uint32_t sequence = 0;
  int64_t date = 0;
  uint32_t game = 0;  // the league game it belongs to
  std::string board_name;
  std::string winner;
  int64_t win_date = 0;
  std::vector<LeaguePlayer> players;  // best first
  int64_t total_worth = 0;  // never sent: the sum of the stored players' worth
  int64_t arrived = 0;      // never sent: when this board took it
  uint32_t told_game = 0;   // never sent: the game whose winner here was told
};

// Text a name may hold: no control bytes, nothing the door's colour codes
// would read, so a name from another board can only ever show as itself.
bool IsPlainName(std::string_view name);
// What a player with this cash and whore count can be worth: his cash and
// his whores' day at the most.
int64_t MostWorth(int32_t cash, uint8_t whores);

std::vector<uint8_t> EncodeStandings(const ScorePacket& standings);
// Clamps what a damaged record holds; only the first `most_players` players.
ScorePacket DecodeStandings(const uint8_t* bytes, size_t size, size_t most_players);

// Every board's standings with at most most_players each, board order.
std::vector<ScorePacket> ReadStandings(size_t most_players);

// A board's standings as stored, empty (board 0) when none are.
ScorePacket ReadBoardStandings(int board);

// One step: under kordavin.msg's and kordavin.lgd's exclusive locks, for
// each packet keep(stored, packet) decides from the stored standings of its
// board (board 0 when none) whether the packet replaces them, and may note
// on the packet what is stored with it and add lines for every player to
// read. The kept standings and the news are written before either file is
// let go. Creates the files. False when they cannot be used.
using KeepStandings = std::function<bool(const ScorePacket& stored, ScorePacket& packet,
                                         std::vector<std::string>& news)>;
bool StoreStandings(std::vector<ScorePacket> packets, const KeepStandings& keep);

// One step under kordavin.msg's exclusive lock: each line as a message to
// every player. Creates the file. False when it cannot be used.
bool TellEveryPlayer(const std::vector<std::string>& lines);

// Every record of kordavin.ply, read under its shared lock: this board's
// players as its standings rank them.
std::vector<PlayerRecord> ReadAllPlayers();

// Frees the records of every board not in `boards`.
bool DropStandingsExcept(const std::vector<int>& boards);
