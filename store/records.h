// The records of the shared data files, and their byte layouts. Records are
// encoded and decoded field by field (little-endian; a string[N] is a length
// byte and N bytes), never copied to disk raw. Decoding clamps damaged values
// so that nothing read from a file can index outside an array.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/rules.h"

constexpr size_t kPlayerRecordSize = 276;
constexpr size_t kGameConfigSize = 84;
constexpr size_t kGameConfigFileSize = 128;  // size written when created or reset
constexpr size_t kNewsMessageSize = 208;
constexpr size_t kNodeRecordSize = 112;
constexpr size_t kNodeFileSize = 128;

// Where every field of a player record sits. The layouts are shared with
// every node and with files written long ago, so records.cc pins each one by
// a check on its end.
namespace player_at {
constexpr size_t kName = 0;
constexpr size_t kKeyKind = 31;
constexpr size_t kBbsAlias = 32;
constexpr size_t kWhoreCount = 83;
constexpr size_t kWhoreNameIndex = 84;
constexpr size_t kWhoreCondoms = 104;
constexpr size_t kWhoreRate = 124;
constexpr size_t kWhoreHours = 204;
constexpr size_t kWhoreDays = 224;
constexpr size_t kClothesLevel = 264;
constexpr size_t kHouseStreet = 265;
constexpr size_t kCash = 266;
constexpr size_t kCondomStock = 270;
constexpr size_t kAteFlameBurger = 272;
constexpr size_t kLastDay = 273;
constexpr size_t kTimeLeft = 274;
}  // namespace player_at

// How many bytes each kind of text field holds after its length byte.
constexpr size_t kNameCapacity = 30;
constexpr size_t kAliasCapacity = 50;
constexpr size_t kNewsLineCapacity = 77;
constexpr size_t kNodeMessageCapacity = 79;

// PlayerRecord.KeyKind and NewsMessage.ToKind. Only kKeyedByHandle counts
// as a handle: any other byte there (a file from elsewhere) means a real name,
// the safe side, since a handle is never matched against such a record.
constexpr uint8_t kKeyedByRealName = 0;
constexpr uint8_t kKeyedByHandle = 1;

struct PlayerRecord {
  std::string Name;      // string[30] at 0: pimp name
  std::string BbsAlias;  // string[50] at 32: the caller's handle or real name, the lookup key
  uint8_t WhoreCount = 0;                           // 83: slots in use, 0..20
  std::array<uint8_t, kMaxWhores> WhoreNameIndex{};  // 84: 1..50 into WhoreName
  std::array<uint8_t, kMaxWhores> WhoreCondoms{};    // 104: 0..99
  std::array<int32_t, kMaxWhores> WhoreRate{};       // 124: dollars per hour
  std::array<uint8_t, kMaxWhores> WhoreHours{};      // 204: hours a day, 7..10
  std::array<int16_t, kMaxWhores> WhoreDays{};       // 224: days worked
  uint8_t ClothesLevel = 1;    // 264: 1..10
  uint8_t HouseStreet = 0;     // 265: 0 none, else 1..99
  int32_t Cash = kStartingCash;  // 266: never stored below 0
  int16_t CondomStock = 0;     // 270
  uint8_t AteFlameBurger = 0;  // 272
  uint8_t LastDay = 0;         // 273: day of the month of the last save
  int16_t TimeLeft = 0;        // 274: time units left at the last save
  // 31, once the alignment byte: which of the caller's names BbsAlias holds.
  // Records written before handles were known hold 0 there, so every such
  // record reads as keyed by a real name without any pass over the file.
  uint8_t KeyKind = 0;
};

struct GameConfig {
  std::string WinnerName;   // string[30] at 0; empty while the game runs
  std::string WinnerAlias;  // string[50] at 32
  uint8_t RerollDay = 0;    // 83: 0 = not set
  uint8_t WinnerKind = 0;   // 31, once the alignment byte: the KeyKind of WinnerAlias
};

struct NewsMessage {
  std::string To;     // string[50] at 0; empty = slot free
  std::string Line1;  // string[77] at 52
  std::string Line2;  // string[77] at 130
  uint8_t ToKind = 0;  // 51, once the alignment byte: the KeyKind of the name in To
};

struct NodeRecord {
  std::string Name;      // string[30] at 0
  uint8_t PageFlag = 0;  // 31
  std::string Message;   // string[79] at 32
};

// The presence file kordavin.<node> is a NodeRecord followed by 16 spare
// bytes. The session that holds the file keeps its process id there, so a
// newer session can end it, and its player number, so two pimps of the same
// name are never taken for one. Both little-endian; the rest stays zero.
constexpr size_t kNodeSessionPidAt = 112;     // uint32
constexpr size_t kNodePlayerNumberAt = 116;   // uint16

using PlayerBytes = std::array<uint8_t, kPlayerRecordSize>;
using ConfigBytes = std::array<uint8_t, kGameConfigSize>;
using NewsBytes = std::array<uint8_t, kNewsMessageSize>;
using NodeBytes = std::array<uint8_t, kNodeRecordSize>;

PlayerBytes EncodePlayer(const PlayerRecord& player);
PlayerRecord DecodePlayer(const uint8_t* bytes);
ConfigBytes EncodeConfig(const GameConfig& config);
GameConfig DecodeConfig(const uint8_t* bytes);
NewsBytes EncodeNews(const NewsMessage& message);
NewsMessage DecodeNews(const uint8_t* bytes);
NodeBytes EncodeNode(const NodeRecord& node);
NodeRecord DecodeNode(const uint8_t* bytes);

// A fresh player as joining creates it (cash 1000, wardrobe 1, nothing else).
PlayerRecord NewPlayer();

// Cash below 0 is none: whoever stores a record first puts it back to 0.
// Returns whether it was below.
bool RaiseNegativeCash(PlayerRecord& player);

// cash + amount, held within -2,147,483,648..2,147,483,647 so money never
// wraps around.
int32_t AddCash(int32_t cash, int64_t amount);

// Cash plus every whore's hours times rate, in double precision.
double NetWorth(const PlayerRecord& player);

// What the rankings need of a record, read straight from its bytes: a board
// of tens of thousands is ranked without a record decoded or a name copied.
struct PlayerStanding {
  double Worth = 0;            // NetWorth of the record
  uint8_t WhoreCount = 0;      // clamped to the slots, as DecodePlayer does
  std::string_view Name;       // the pimp name, within the bytes
  std::string_view BbsAlias;   // the key, within the bytes
  uint8_t KeyKind = 0;         // as stored: the kind of name BbsAlias is
};
PlayerStanding PeekStanding(const uint8_t* bytes);
