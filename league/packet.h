// The two kinds of file boards exchange: a board's score packet and the
// coordinator's member list. Both are little-endian binary, a string being
// a length byte and that many bytes, and end in a 64-byte Ed25519 signature
// over every byte before it.
//
// Score packet:                       Member list:
//   "KDLS"                              "KDLM"
//   u8  format (1)                      u8  format (1)
//   str league id (1..8)                str league id (1..8)
//   u8  board (1..255)                  u8  coordinator board (1..255)
//   u32 sequence (> 0)                  u32 sequence (> 0)
//   i64 date (Unix seconds)             i64 date (Unix seconds)
//   str board name (1..40)              str league name (1..40)
//   str winner (0..30)                  u8  members (1..255), each:
//   i64 win date (0 = no winner)          u8  board, str name (1..40),
//   u16 players (0..kMaxPacketPlayers)    str address (1..30), 32-byte key
//   each player, best first:
//     str pimp name (1..30), i32 cash (>= 0), u8 whores (0..20),
//     u8 house street (0..99), u8 wardrobe (1..10), i64 net worth (>= 0)
//   64-byte signature                   64-byte signature
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr size_t kMaxPacketBytes = 1 << 20;
// A board with more players sends its best; the league's top lists never
// reach that far down any one board.
constexpr size_t kMaxPacketPlayers = 1000;
constexpr size_t kSignatureBytes = 64;
constexpr size_t kPublicKeyBytes = 32;
constexpr size_t kSecretKeyBytes = 64;
constexpr size_t kMaxLeagueIdLength = 8;
constexpr size_t kMaxBoardNameLength = 40;
constexpr size_t kMaxPimpNameLength = 30;
constexpr size_t kMaxAddressLength = 30;

using PublicKey = std::array<uint8_t, kPublicKeyBytes>;
using SecretKey = std::array<uint8_t, kSecretKeyBytes>;

struct LeaguePlayer {
  std::string name;
  int32_t cash = 0;
  uint8_t whores = 0;
  uint8_t house = 0;
  uint8_t wardrobe = 1;
  int64_t worth = 0;
};

struct ScorePacket {
  std::string league;
  uint8_t board = 0;
  uint32_t sequence = 0;
  int64_t date = 0;
  std::string board_name;
  std::string winner;
  int64_t win_date = 0;
  std::vector<LeaguePlayer> players;  // best first
  int64_t total_worth = 0;  // never sent: the league data file's sum for the board
};

struct LeagueMember {
  uint8_t board = 0;
  std::string name;
  std::string address;
  PublicKey key{};
};

struct MemberList {
  std::string league;
  uint8_t coordinator = 0;
  uint32_t sequence = 0;
  int64_t date = 0;
  std::string league_name;
  std::vector<LeagueMember> members;
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
};
const char* PacketFaultText(PacketFault fault);

// Unsigned bodies; SignPacket appends the signature.
std::string EncodeScorePacket(const ScorePacket& packet);
std::string EncodeMemberList(const MemberList& list);

// Reads a whole file's bytes, signature included, checking its structure and
// ranges only: the caller checks the league, the signer and the sequence.
PacketFault DecodeScorePacket(std::string_view bytes, ScorePacket& packet);
PacketFault DecodeMemberList(std::string_view bytes, MemberList& list);

// True when the bytes start as a member list rather than a score packet.
bool LooksLikeMemberList(std::string_view bytes);

// Text a name may hold: no control bytes, nothing the door's colour codes
// would read, so a name from another board can only ever show as itself.
bool IsPlainName(std::string_view name);
