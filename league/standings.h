// The league data file kordavin.lgd beside the game: each member board's
// latest standings, this board's own among them, one whole fixed-size record
// per board. A record is written with one positioned write under the file's
// exclusive lock and read under its shared lock, so a caller reading the
// league while standings arrive sees a board's old standings or its new ones,
// never a mix.
//
// Record (48,128 bytes):
//   0   u8 board (0 = free slot)     54  string[30] winner
//   1   string[40] board name        85  i64 win date (Unix seconds, 0 = none)
//   42  u32 sequence                 93  u16 players (0..1000)
//   46  i64 packet date              95  i64 sum of the players' worth
//                                    103 zero to 128
//   128 players, 48 bytes each: string[30] pimp name, 31 i32 cash,
//       35 u8 whores, 36 u8 house street, 37 u8 wardrobe, 38 i64 net worth
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "league/packet.h"

constexpr char kStandingsFile[] = "kordavin.lgd";
constexpr size_t kSlotHeaderSize = 128;
constexpr size_t kSlotPlayerSize = 48;
constexpr size_t kStandingsRecordSize = kSlotHeaderSize + kMaxPacketPlayers * kSlotPlayerSize;

// ScorePacket's league id is not stored: the file holds one league. The sum
// of worth is the stored players' (ScorePacket.total_worth on decoding).
std::vector<uint8_t> EncodeStandings(const ScorePacket& standings);
// Clamps what a damaged record holds; only the first `most_players` players.
ScorePacket DecodeStandings(const uint8_t* bytes, size_t size, size_t most_players);

// Every board's standings with at most most_players each, board order.
std::vector<ScorePacket> ReadStandings(size_t most_players);

// A board's standings as stored, empty (board 0) when none are.
ScorePacket ReadBoardStandings(int board);

// Under one exclusive lock: for each packet, keep(stored, packet) decides
// from the stored standings of its board (board 0 when none) whether the
// packet replaces them; the kept ones are written. Creates the file.
// False when the file cannot be used.
bool StoreStandings(const std::vector<ScorePacket>& packets,
                    const std::function<bool(const ScorePacket& stored,
                                             const ScorePacket& packet)>& keep);
