// The two kinds of file boards exchange: a board's score packet and the
// coordinator's member list. Both are little-endian binary, a string being
// a length byte and that many bytes, and end in a 64-byte Ed25519 signature
// over every byte before it.
//
// Score packet:                       Member list:
//   "KDLS"                              "KDLM"
//   u8  format (1 or 2)                 u8  format (1 or 2)
//   str league id (1..8)                str league id (1..8)
//   u8  board (1..255)                  u8  coordinator board (1..255)
//   u32 sequence (> 0)                  u32 sequence (> 0)
//   i64 date (Unix seconds)             i64 date (Unix seconds)
//   u32 league game (format 2 only)     str league name (1..40)
//   str board name (1..40)              format 2 only: u32 league game,
//   str winner (0..30)                    i64 its start, i64 its end (0 = none)
//   i64 win date (0 = no winner)        u8  members (1..255), each:
//   u16 players (0..kMaxPacketPlayers)    u8  board, str name (1..40),
//   each player, best first:              str address (1..30), 32-byte key
//     str pimp name (1..30), i32 cash (>= 0), u8 whores (0..20),
//     u8 house street (0..99), u8 wardrobe (1..10),
//     i64 net worth (cash .. cash + whores * kMostWhoreEarning)
//   64-byte signature                   64-byte signature
// Dates lie between 2000 and 2100, a win date no later than its packet's.
// Format 1 came before league games: its files read as the receiver's
// current game.
//
// Still here (every board, daily at least):  Hall of fame (the coordinator):
//   "KDLH", u8 format (1)                     "KDLF", u8 format (1)
//   str league id, u8 board                   str league id, u8 coordinator
//   u32 sequence (> 0), i64 date              u32 sequence (> 0), i64 date
//   u32 league game, u32 member list held     u16 games, each: u32 game,
//   u32 hall of fame held                       i64 start, i64 end, u8 board,
//   u8 boards, each: u8 board,                  i64 worth, str pimp (1..30),
//     u32 standings held, i64 heard (0 = no)    str board name (1..40)
//   64-byte signature                         64-byte signature
// A board on the release before these two kinds never picks them up: their
// names end otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/league_data.h"

constexpr size_t kMaxPacketBytes = 1 << 20;
constexpr size_t kSignatureBytes = 64;
constexpr size_t kPublicKeyBytes = 32;
constexpr size_t kSecretKeyBytes = 64;
constexpr size_t kMaxLeagueIdLength = 8;
constexpr size_t kMaxAddressLength = 30;

using PublicKey = std::array<uint8_t, kPublicKeyBytes>;
using SecretKey = std::array<uint8_t, kSecretKeyBytes>;

struct LeagueMember {
  uint8_t board = 0;
  std::string name;
  std::string address;
  PublicKey key{};
};

struct MemberList {
  uint8_t format = 2;
  std::string league;
  uint8_t coordinator = 0;
  uint32_t sequence = 0;
  int64_t date = 0;
  std::string league_name;
  uint32_t game = 0;
  int64_t game_start = 0;
  int64_t game_end = 0;  // 0: until a board's winner
  std::vector<LeagueMember> members;
};

// An ended league game, as the hall of fame shows it.
struct FameEntry {
  uint32_t game = 0;
  int64_t start = 0;
  int64_t end = 0;
  int board = 0;
  int64_t worth = 0;  // the winning pimp's
  std::string pimp;
  std::string board_name;
};

// The coordinator's signed hall of fame: what every board shows.
struct FameList {
  std::string league;
  uint8_t coordinator = 0;
  uint32_t sequence = 0;
  int64_t date = 0;
  std::vector<FameEntry> games;  // oldest first
};

// What a board holds of another board, and when it last heard from it.
struct HeardEntry {
  uint8_t board = 0;
  uint32_t sequence = 0;  // of its standings held in the league game; 0: none
  int64_t heard = 0;      // the date of its latest file, 0 when none came
};

// A board's signed word that it is up, with what it holds: the coordinator
// offers a member what this does not show, and a member learns from the
// coordinator's when each board was last heard from.
struct StillHere {
  std::string league;
  uint8_t board = 0;
  uint32_t sequence = 0;
  int64_t date = 0;
  uint32_t game = 0;
  uint32_t members_sequence = 0;  // of the member list held
  uint32_t fame_sequence = 0;     // of the hall of fame held
  std::vector<HeardEntry> boards;
};

// Why a file was refused; the texts are the log's.
enum class PacketFault {
  kNone,
  kNotAPacket,    // "not a league packet"
  kTruncated,     // "truncated"
  kOutOfRange,    // "out of range"
  kTooLarge,      // "too large"
  kOtherLeague,   // "another league"
  kUnknownBoard,  // "unknown board"
  kBadSignature,  // "bad signature"
  kReplay,        // "replay"
  kNotAsListed,   // "name not as listed"
  kOtherGame,     // "another league game"
};
const char* PacketFaultText(PacketFault fault);

// Unsigned bodies; SignPacket appends the signature.
std::string EncodeScorePacket(const ScorePacket& packet);
std::string EncodeMemberList(const MemberList& list);

// Reads a whole file's bytes, signature included, checking its structure and
// ranges only: the caller checks the league, the signer and the sequence.
PacketFault DecodeScorePacket(std::string_view bytes, ScorePacket& packet);
PacketFault DecodeMemberList(std::string_view bytes, MemberList& list);

std::string EncodeStillHere(const StillHere& here);
PacketFault DecodeStillHere(std::string_view bytes, StillHere& here);
std::string EncodeFameList(const FameList& fame);
PacketFault DecodeFameList(std::string_view bytes, FameList& fame);

// True when the bytes start as a member list rather than a score packet.
bool LooksLikeMemberList(std::string_view bytes);
bool LooksLikeStillHere(std::string_view bytes);
bool LooksLikeFameList(std::string_view bytes);

// Unix seconds of 2000-01-01 and 2100-01-01: a date outside is no real one.
constexpr int64_t kEarliestDate = 946684800;
constexpr int64_t kLatestDate = 4102444800;
